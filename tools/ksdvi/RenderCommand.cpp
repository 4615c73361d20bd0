// ksdvi render: one PNG per page. Pages render in parallel, one document per
// worker, so the output does not depend on the number of workers.

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <thread>

#include "Commands.h"
#include "FileWatch.h"
#include "FontReport.h"
#include "InputSpool.h"
#include "PageNames.h"
#include "PageSelection.h"
#include "RenderImages.h"
#include "RenderSetup.h"
#include "render/PageRenderer.h"

namespace {

// `render -o -`: the page is written whole to a file of a directory of its
// own, then copied to standard output, so that a page that fails writes
// nothing there.
class StdoutPage {
public:
    StdoutPage() {
        char const* tmp = std::getenv("TMPDIR");
        std::string dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/ksdvi-XXXXXX";
        if (::mkdtemp(dir.data())) dir_ = dir;
    }
    ~StdoutPage() {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }
    StdoutPage(StdoutPage const&) = delete;
    StdoutPage& operator=(StdoutPage const&) = delete;

    // Empty when no directory could be made.
    std::string Path() const { return dir_.empty() ? dir_ : dir_ + "/page.png"; }
    bool Send() const {
        std::ifstream in(Path(), std::ios::binary);
        std::cout << in.rdbuf();
        std::cout.flush();
        return in && std::cout;
    }

private:
    std::string dir_;
};

// Problems, each with the file it is about.
using Problems = std::vector<std::pair<std::string, std::string>>;

// Draws a page and writes its PNG; false when no PNG was written (a page
// that cannot be read leaves none).
bool RenderPage(PageRenderer& renderer, KsDvi& dvi, int page, std::string const& file, std::string const& path,
                Problems& problems) {
    bool written = renderer.RenderPng(dvi, page, path);
    if (!renderer.Error().empty()) problems.emplace_back(file, renderer.Error());
    if (!renderer.WriteError().empty())
        problems.emplace_back(path, "cannot write the PNG file: " + renderer.WriteError());
    return written;
}

// render --follow: each page as TeX completes it, until the postamble; every
// page again when a rerun writes the file anew.
int FollowRender(RenderOptions const& options, ksdvi::TeXFonts& fonts, std::string const& pattern) {
    FileWatch watch(options.file);
    DocumentSession session(options.file, options.session, fonts);
    session.StartGhostscriptEarly();
    RenderSettings settings;
    settings.dpi = options.dpi;
    settings.zoom = options.zoom;
    settings.markLinks = options.links;
    settings.colourLinkText = options.linkColour;
    std::unique_ptr<PageRenderer> renderer;
    bool failed = false;
    // A copy of a pipe never grows: what it holds is all there is.
    bool const copied = !options.session.source.empty() && options.session.source != options.file;
    for (int rendered = 0;;) {
        if (std::filesystem::exists(copied ? options.session.source : options.file)) {
            if (session.Follow() == KsDvi::Renewed) {
                rendered = 0;
                renderer.reset();  // the paper may have changed
            }
            KsDvi& dvi = session.Document();
            for (; rendered < dvi.GetNPage(); ++rendered) {
                if (!renderer) {
                    if (!ChoosePaper(session, options.paper, options.file, settings) ||
                        !WithinSurfaceBudget(options.file, settings))
                        return 1;
                    renderer = std::make_unique<PageRenderer>(settings);
                    renderer->Highlight(options.highlight);
                }
                std::string path = PagePath(pattern, rendered + 1);
                if (IsTheDocument(session, path)) return 1;
                Problems problems;
                if (RenderPage(*renderer, dvi, rendered, options.file, path, problems)) {
                    std::printf("%s\n", path.c_str());
                    std::fflush(stdout);
                }
                for (auto const& [file, problem] : problems) ReportError(file, problem);
                failed |= !problems.empty();
            }
            if (session.GetState() == DocumentSession::State::Complete) break;
            if (session.GetState() == DocumentSession::State::Malformed || copied) {
                ReportError(options.file, session.StateReport());
                return 1;
            }
        }
        watch.Wait(1000);
    }
    session.ReportMissingFonts();
    if (renderer)
        for (std::string const& problem : renderer->PictureProblems()) ReportWarning(options.file, problem);
    return failed ? 1 : 0;
}

}  // namespace

int RunRender(RenderOptions const& options) {
    auto texFonts = LoadFonts(options.session.mapFiles);
    std::string pattern = options.output.empty() ? DefaultPattern(options.file, 0) : options.output;
    if (AsksForImages(options)) {
        if (options.follow) {
            ReportError(options.file, "--follow draws whole pages; it does not go with -T, --bg, --fg or --depth");
            return 1;
        }
        auto name = [&](int page) { return PagePath(pattern, page + 1); };
        return RunRenderImages(options, *texFonts, name, NamesPageNumber(pattern));
    }
    if (options.follow) {
        if (options.output == "-") {
            ReportError(options.file, "-o - writes one page; --follow writes every page, so name them with %d");
            return 1;
        }
        if (!NamesPageNumber(pattern)) {
            ReportError(pattern, "one output file for every page; put %d where the page number goes");
            return 1;
        }
        return FollowRender(options, *texFonts, pattern);
    }
    // Only as far as the last page asked for: `-p 1` of a long document reads one page.
    int const lastPage = LastPageNamed(options.pages);
    DocumentSession first(options.file, options.session, *texFonts);
    first.StartGhostscriptEarly();
    if (!first.LoadOrReport(lastPage) || !HasPagesToDraw(first)) return 1;
    first.ReportMissingFonts();
    if (options.output.empty()) {
        int const last = PostamblePageCount(first.Source());
        pattern = DefaultPattern(options.file, last > 0 ? last : first.Document().GetNPage());
    }
    std::vector<FontReport> fonts = ReportFonts(first.Document(), options.dpi * options.zoom);
    NoteFonts(options.file, fonts);
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
    settings.colourLinkText = options.linkColour;
    if (!ChoosePaper(first, options.paper, options.file, settings) || !WithinSurfaceBudget(options.file, settings))
        return 1;
    bool const toStdout = options.output == "-";
    std::optional<StdoutPage> stdoutPage;
    if (toStdout) {
        if (pages->size() != 1) {
            ReportError(options.file, "-o - writes one page to standard output; " + std::to_string(pages->size()) +
                                          " pages are chosen (choose one with -p)");
            return 1;
        }
        if (stdoutPage.emplace().Path().empty()) {
            ReportError(options.file, std::string("cannot make a temporary directory: ") + std::strerror(errno));
            return 1;
        }
        pattern = stdoutPage->Path();
    }
    if (pages->size() > 1 && !NamesPageNumber(pattern)) {
        ReportError(pattern, "one output file for " + std::to_string(pages->size()) +
                                 " pages; put %d where the page number goes");
        return 1;
    }
    for (int page : *pages)
        if (IsTheDocument(first, PagePath(pattern, page + 1))) return 1;

    int workers = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    workers = std::min<int>(workers, static_cast<int>(pages->size()));
    workers = WorkersWithinBudget(settings, workers);
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
        renderer.Highlight(options.highlight);
        for (size_t i = next++; i < pages->size(); i = next++) {
            int page = (*pages)[i];
            std::string path = PagePath(pattern, page + 1);
            Problems problems;
            bool written = RenderPage(renderer, dvi, page, options.file, path, problems);
            std::lock_guard<std::mutex> lock(outputLock);
            for (auto const& [file, problem] : problems) ReportError(file, problem);
            failed = failed || !problems.empty();
            if (written) outputs[i] = path;
            if (progress) std::fprintf(stderr, "\rrendered %d of %zu pages", ++done, pages->size());
        }
        std::lock_guard<std::mutex> lock(outputLock);
        for (auto const& [font, codes] : renderer.MissingGlyphs())
            missingGlyphs[font].insert(codes.begin(), codes.end());
        pictureProblems.insert(renderer.PictureProblems().begin(), renderer.PictureProblems().end());
    };

    std::vector<std::unique_ptr<DocumentSession>> sessions;
    std::vector<std::thread> threads;
    for (int w = 1; w < workers; ++w)
        sessions.push_back(std::make_unique<DocumentSession>(options.file, options.session, *texFonts));
    // Each worker reads the file for itself while the first draws.
    for (auto& session : sessions)
        threads.emplace_back([&, s = session.get()] {
            s->Load(lastPage);
            work(s->Document());
        });
    work(first.Document());
    for (std::thread& t : threads) t.join();
    if (progress) std::fputs("\r\033[K", stderr);
    WarnUnpaintable(options.file, fonts, missingGlyphs);
    for (std::string const& problem : pictureProblems) ReportWarning(options.file, problem);
    if (toStdout) {
        if (!outputs[0].empty() && !stdoutPage->Send()) {
            ReportError("-", "cannot write the PNG to standard output");
            return 1;
        }
    } else {
        for (std::string const& path : outputs)
            if (!path.empty()) std::printf("%s\n", path.c_str());
    }

    if (first.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, first.StateReport());
        return 1;
    }
    return failed ? 1 : 0;
}
