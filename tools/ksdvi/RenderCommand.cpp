// ksdvi render: one PNG per page. Pages render in parallel, one document per
// worker, so the output does not depend on the number of workers.

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "Commands.h"
#include "FontReport.h"
#include "PageRenderer.h"
#include "PageSelection.h"

namespace {

// NAME-%d.png next to nothing in particular: the current directory, like dvipng.
std::string DefaultPattern(std::string const& file) { return std::filesystem::path(file).stem().string() + "-%d.png"; }

std::string OutputPath(std::string const& pattern, int pageNumber) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            out += std::to_string(pageNumber);
            ++i;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out.push_back('%');
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

}  // namespace

int RunRender(RenderOptions const& options) {
    auto texFonts = LoadFonts(options.session.mapFiles);
    DocumentSession first(options.file, options.session, *texFonts);
    if (!first.LoadOrReport()) return 1;
    first.ReportMissingFonts();
    std::vector<FontReport> fonts = ReportFonts(first.Document(), options.dpi * options.zoom);
    std::string error;
    auto pages = SelectPages(options.pages, first.Document().GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }
    RenderSettings settings;
    settings.dpi = options.dpi;
    settings.zoom = options.zoom;
    settings.markLinks = options.links;
    if (first.PaperSpecial()) {
        settings.paper = *first.PaperSpecial();
    } else if (auto paper = ParsePaperOption(options.paper)) {
        settings.paper = *paper;
    } else {
        ReportError(options.file, "bad paper size '" + options.paper + "' (a4, letter or WxH, e.g. 210mmx297mm)");
        return 1;
    }
    std::string pattern = options.output.empty() ? DefaultPattern(options.file) : options.output;

    int workers = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    workers = std::min<int>(workers, static_cast<int>(pages->size()));
    std::atomic<size_t> next{0};
    std::atomic<int> done{0};
    std::atomic<bool> failed{false};
    std::mutex outputLock;
    std::vector<std::string> outputs(pages->size());  // in page order, for the listing at the end
    std::map<std::string, std::set<unsigned>> missingGlyphs;
    std::set<std::string> pictureProblems;
    bool progress = isatty(STDERR_FILENO) && pages->size() > 1;

    auto work = [&](KsDvi& dvi) {
        PageRenderer renderer(settings);
        for (size_t i = next++; i < pages->size(); i = next++) {
            int page = (*pages)[i];
            bool drawn = renderer.Render(dvi, page);
            std::string path = OutputPath(pattern, page + 1);
            bool written = renderer.Device() && renderer.Device()->WritePng(path);
            std::lock_guard<std::mutex> lock(outputLock);
            if (!drawn) {
                ReportError(options.file, renderer.Error());
                failed = true;
            }
            if (!written) {
                if (renderer.Device()) ReportError(path, "cannot write the PNG file");
                failed = true;
            } else {
                outputs[i] = path;
            }
            if (progress) std::fprintf(stderr, "\rrendered %d of %zu pages", ++done, pages->size());
        }
        std::lock_guard<std::mutex> lock(outputLock);
        for (auto const& [font, codes] : renderer.MissingGlyphs())
            missingGlyphs[font].insert(codes.begin(), codes.end());
        pictureProblems.insert(renderer.PictureProblems().begin(), renderer.PictureProblems().end());
    };

    std::vector<std::unique_ptr<DocumentSession>> sessions;
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w) {
        sessions.push_back(std::make_unique<DocumentSession>(options.file, options.session, *texFonts));
        sessions.back()->Load();
    }
    for (auto& session : sessions) threads.emplace_back(work, std::ref(session->Document()));
    work(first.Document());
    for (std::thread& t : threads) t.join();
    if (progress) std::fputs("\r\033[K", stderr);
    WarnUnpaintable(options.file, fonts, missingGlyphs);
    for (std::string const& problem : pictureProblems) ReportError(options.file, "warning: " + problem);
    for (std::string const& path : outputs)
        if (!path.empty()) std::printf("%s\n", path.c_str());

    if (first.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, first.Message());
        return 1;
    }
    return failed ? 1 : 0;
}
