// ksdvi-dvipng: images of pages with dvipng's command line and output, for
// the programs that call dvipng to put formulas on web pages. Drawn by the
// library, as `ksdvi render` draws them.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "DocumentSession.h"
#include "DvipngOptions.h"
#include "DvipngPages.h"
#include "FontReport.h"
#include "InputSpool.h"
#include "PageNames.h"
#include "page/Paper.h"
#include "platform/kpathsea/KPathSea.h"
#include "render/PageImage.h"

namespace {

constexpr char const* kProgram = "ksdvi-dvipng";

void Usage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: %s [OPTION]... FILENAME[.dvi]\n"
                 "dvipng's options; those it has that are not listed here are accepted and ignored.\n"
                 "  -D N            resolution in dots per inch (default 100)\n"
                 "  -T tight|bbox|W,H  image size: the ink, the ink and the origin (default), or W x H\n"
                 "  -O X,Y          where -T W,H puts the DVI origin (default: the corner)\n"
                 "  -bg COLOUR      background: 'rgb R G B', a dvips colour name, #rrggbb,\n"
                 "                  Transparent (alpha) or transparent (no partial alpha)\n"
                 "  -fg COLOUR      foreground, for what TeX set in black\n"
                 "  --gamma N       darker (above 1) or lighter (below 1) antialiasing\n"
                 "  -o NAME         output file, %%d or %%0Nd the physical page number (FILENAME%%d.png)\n"
                 "  -p [=]N, -l [=]N  first and last page: TeX page number, or physical with =\n"
                 "  -pp LIST        pages whose TeX number is in LIST (1-3,7)\n"
                 "  -x N            magnification x 1000 in place of the document's\n"
                 "  -z N            PNG compression level, 0 to 9 (default 1)\n"
                 "  --depth, --height, --width   print each image's numbers\n"
                 "  -q, -v          quiet, verbose\n"
                 "  --picky         no image for a page that gave a warning\n"
                 "  --strict        stop at the first warning\n",
                 kProgram);
}

// Where the files kpathsea found are kept between runs: the user's cache
// directory, as the XDG base directory rules name it.
std::string FoundFilesStore() {
    char const* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return std::string(cache) + "/ksdvi/found-files";
    char const* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache/ksdvi/found-files";
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    auto parsed = ParseDvipngOptions(args, error);
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        Usage(stderr);
        return 1;
    }
    DvipngOptions const& options = *parsed;
    if (options.help) {
        Usage(stdout);
        return 0;
    }
    if (options.version) {
        // Programs that call dvipng read its version from a line starting
        // with "dvipng" (matplotlib wants 1.6 or later): the options read
        // here are those of dvipng 1.15.
        std::printf("%s %s (ksdvi)\ndvipng 1.15\n", kProgram, KSDVI_VERSION);
        return 0;
    }
    // dvipng says who it is on standard output, also when quiet.
    std::printf("This is %s %s, with dvipng's options\n", kProgram, KSDVI_VERSION);
    if (!options.quiet && !options.ignored.empty()) {
        std::string list;
        for (std::string const& o : options.ignored) list += (list.empty() ? "" : " ") + o;
        std::fprintf(stderr, "%s: warning: ignoring dvipng's options that ksdvi-dvipng does not honour: %s\n", kProgram,
                     list.c_str());
    }

    std::string const file = DocumentPath(options.file);
    // One process per formula: most of its time went to reading the
    // installation's file databases for the same dozen files.
    if (std::string const store = FoundFilesStore(); !store.empty()) KPathSea::KeepFoundFiles(store);
    auto fonts = LoadFonts({});
    DocumentSession session(file, {}, *fonts);
    session.StartGhostscriptEarly();
    if (!session.LoadOrReport() || !HasPagesToDraw(session)) return 1;
    if (!options.quiet) session.ReportMissingFonts();
    KsDvi& dvi = session.Document();

    PageImageSettings settings;
    settings.dpi = options.dpi;
    if (options.magnification > 0) settings.zoom = options.magnification * 10.0 / dvi.GetAbsMag().GetRaw();
    settings.size = options.size;
    settings.colours = options.colours;
    settings.compression = options.compression;
    settings.paper = ksdvi::PaperOf(dvi, *ksdvi::ParsePaperOption("a4"));
    PageImageRenderer renderer(settings);

    std::vector<int32_t> texNumbers;
    for (int page = 0; page < dvi.GetNPage(); ++page) texNumbers.push_back(dvi.GetTeXPageNo(page));
    std::string const pattern = options.output.empty() ? DocumentStem(file) + "%d.png" : options.output;

    int status = 0;
    size_t picturesSeen = 0, glyphsSeen = 0;
    long charsWithoutFontSeen = 0;  // characters of fonts that could not be loaded
    auto glyphCount = [&] {
        size_t n = 0;
        for (auto const& [font, codes] : renderer.MissingGlyphs()) n += codes.size();
        return n;
    };
    for (int page : DvipngPages(options, texNumbers)) {
        if (!options.quiet) {
            std::printf("[%d", page + 1);
            if (texNumbers[size_t(page)] != page + 1) std::printf(" (%d)", texNumbers[size_t(page)]);
        }
        bool drawn = renderer.Render(dvi, page);
        bool warned = !renderer.Error().empty() || renderer.PictureProblems().size() != picturesSeen ||
                      glyphCount() != glyphsSeen || renderer.CharsWithoutFont() != charsWithoutFontSeen;
        picturesSeen = renderer.PictureProblems().size();
        glyphsSeen = glyphCount();
        charsWithoutFontSeen = renderer.CharsWithoutFont();
        if (!renderer.Error().empty()) ReportError(file, renderer.Error());
        if (!drawn) {
            status = 1;
        } else {
            ksdvi::ImageMetrics m = renderer.Metrics();
            if (options.depth) std::printf(" depth=%d", m.depth);
            if (options.height) std::printf(" height=%d", m.height);
            if (options.width) std::printf(" width=%d", m.width);
            // --strict stops at the page's warning, before its image.
            if ((options.picky || options.strict) && warned) {
                status = 1;
                if (!options.quiet && options.picky) std::printf(" (page not rendered)");
            } else if (std::string const path = PagePath(pattern, page + 1); !renderer.WritePng(path)) {
                ReportError(path, "cannot write the PNG file: " + renderer.WriteError());
                status = 1;
            }
        }
        if (!options.quiet) std::printf("] ");
        std::fflush(stdout);
        if (options.strict && warned) {
            std::fprintf(stderr, "%s: %s: stopping at a warning (--strict)\n", kProgram, file.c_str());
            status = 1;
            break;
        }
    }
    if (!options.quiet) std::printf("\n");
    if (!options.quiet) {
        WarnUnpaintable(file, ReportFonts(dvi, settings.dpi * settings.zoom), renderer.MissingGlyphs());
        for (std::string const& problem : renderer.PictureProblems()) ReportError(file, "warning: " + problem);
    }
    KPathSea::SaveFoundFiles();
    return status;
}
