// ksdvi print: each page rendered at the printer's resolution, saved as a BMP
// file and sent in bands to a PDF or PostScript printer.

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "Commands.h"
#include "PageBmp.h"
#include "PageSelection.h"
#include "RenderSetup.h"
#include "page/OutputFile.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Cdc.h"
#include "print/CPrintDIB.h"
#include "render/PageRenderer.h"

namespace gdi = ksdvi::gdi;

namespace {


bool EndsWith(std::string const& text, std::string const& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The temporary BMP file that a page passes through, removed at the end.
class PageFile {
public:
    PageFile() {
        char const* dir = std::getenv("TMPDIR");
        std::string path = std::string(dir && *dir ? dir : "/tmp") + "/ksdvi-print-XXXXXX";
        std::vector<char> name(path.begin(), path.end());
        name.push_back('\0');
        int fd = mkstemp(name.data());
        if (fd < 0) return;
        unlink(name.data());  // nobody else needs its name
        file_ = std::make_unique<CGSFile>(fd);
    }
    CGSFile* Rewound() {
        if (!file_ || ftruncate(file_->GetHandle(), 0) != 0 || file_->Seek(0, 0) != 0) return nullptr;
        return file_.get();
    }

private:
    std::unique_ptr<CGSFile> file_;
};

std::size_t ReadFully(CGSFile& file, unsigned char* buffer, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        unsigned n = file.Read(buffer + got, static_cast<unsigned>(count - got));
        if (n == 0) break;
        got += n;
    }
    return got;
}

// Renders the page, writes it to `file` as BMP and leaves the file at its
// start; the page's pixels are gone before the bands are made. `drawn` is
// false when there is nothing to print: the page could not be read.
std::string RenderToBmp(RenderSettings const& settings, KsDvi& dvi, int page, CGSFile& file, bool& drawn) {
    PageRenderer renderer(settings);
    drawn = false;
    std::string problem = renderer.Render(dvi, page) ? std::string() : renderer.Error();
    if (!renderer.Device() || !renderer.Drawn()) return problem;
    gdi::RasterDevice const& device = *renderer.Device();
    if (!WritePageBmp(device, PageBmpDepth(device), file) || file.Seek(0, 0) != 0)
        return std::string("cannot write the page's bitmap: ") + std::strerror(errno);
    drawn = true;
    return problem;
}

// One page: the bitmap's lines, bottom-up, through the bands onto the printer.
bool SendBands(CGSFile& file, gdi::CDC& dc) {
    CPrintDIB dib;
    if (!dib.ReadHeader(&file)) return false;
    std::vector<unsigned char> line(dib.GetStride());
    for (unsigned y = 1; ReadFully(file, line.data(), line.size()) == line.size(); ++y)
        dib.AddPrintLine(&dc, y, line.data());
    dib.FlushPrintBitmap(&dc);
    return true;
}

// The output: a file, moved into place when whole, or standard output for "-".
class Output {
public:
    explicit Output(std::string const& path) : path_(path), file_(path) {
        if (path == "-")
            stream_ = stdout;
        else if (file_.Create())
            stream_ = std::fopen(file_.WritePath().c_str(), "wb");
    }
    ~Output() {
        if (stream_ && stream_ != stdout) std::fclose(stream_);
    }
    Output(Output const&) = delete;
    Output& operator=(Output const&) = delete;

    bool IsOpen() const { return stream_ != nullptr; }
    bool Write(unsigned char const* data, std::size_t size) { return std::fwrite(data, 1, size, stream_) == size; }
    // Flushes and closes, and gives the file its name; false when anything
    // was not written.
    bool Close() {
        bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
        if (stream_ != stdout) ok = std::fclose(stream_) == 0 && ok;
        stream_ = nullptr;
        return ok && (path_ == "-" || file_.Commit());
    }
    std::string const& Path() const { return path_; }

private:
    std::string path_;
    OutputFile file_;
    FILE* stream_ = nullptr;
};

}  // namespace

int RunPrint(PrintOptions const& options) {
    gdi::PrintFormat format;
    if (options.output == "-" || EndsWith(options.output, ".ps"))
        format = gdi::PrintFormat::PostScript;
    else if (EndsWith(options.output, ".pdf"))
        format = gdi::PrintFormat::Pdf;
    else {
        ReportError(options.output, "the output must end in .pdf or .ps, or be - for PostScript on standard output");
        return 1;
    }

    auto texFonts = LoadFonts(options.session.mapFiles);
    int const lastPage = LastPageNamed(options.pages);
    DocumentSession session(options.file, options.session, *texFonts);
    session.StartGhostscriptEarly();
    if (!session.LoadOrReport(lastPage) || !HasPagesToDraw(session)) return 1;
    if (options.output != "-" && IsTheDocument(session, options.output)) return 1;
    std::string error;
    auto pages = SelectPages(options.pages, session.Document().GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }
    session.ReportMissingFonts();

    RenderSettings settings;
    settings.dpi = options.dpi;
    settings.onePaper = true;  // every page goes onto the printer's paper
    if (!ChoosePaper(session, options.paper, options.file, settings) || !WithinSurfaceBudget(options.file, settings))
        return 1;
    WorkersWithinBudget(settings, 1);

    PageFile pageFile;
    Output output(options.output);
    if (!output.IsOpen()) {
        ReportError(options.output, std::string("cannot write: ") + std::strerror(errno));
        return 1;
    }
    gdi::PrintDeviceSpec spec;
    spec.format = format;
    spec.widthPoints = settings.paper.width / ksdvi::kSpPerBigPoint;
    spec.heightPoints = settings.paper.height / ksdvi::kSpPerBigPoint;
    spec.dpiX = spec.dpiY = options.dpi;
    auto printer = gdi::PrintDevice::Create(
        spec, [&output](unsigned char const* data, std::size_t size) { return output.Write(data, size); });
    if (!printer) {
        ReportError(options.file, "the paper is too large to print at this resolution");
        return 1;
    }
    gdi::CDC dc(*printer);

    bool failed = false;
    int printed = 0;
    for (int page : *pages) {
        CGSFile* file = pageFile.Rewound();
        if (!file) {
            ReportError(options.file, std::string("cannot make a temporary file: ") + std::strerror(errno));
            return 1;
        }
        bool drawn = false;
        std::string problem = RenderToBmp(settings, session.Document(), page, *file, drawn);
        if (!problem.empty()) {
            ReportError(options.file, problem + (drawn ? "" : "; it is left out"));
            failed = true;
        }
        // A page that could not be read is not printed as a blank one.
        if (!drawn) continue;
        dc.StartPage();
        if (!SendBands(*file, dc)) {
            ReportError(options.file, "page " + std::to_string(page + 1) + ": its bitmap cannot be read back");
            failed = true;
        }
        dc.EndPage();
        ++printed;
    }
    dc.DeleteDC();
    bool const written = printer->Finish();
    if (printed == 0) {
        ReportError(options.output, "no page could be printed; nothing is written");
        return 1;
    }
    if (!output.Close() || !written) {
        ReportError(options.output, std::string("cannot write: ") + std::strerror(errno ? errno : EIO));
        return 1;
    }
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.StateReport());
        return 1;
    }
    return failed ? 1 : 0;
}
