// ksdvi pdf / ksdvi svg: pages as vector graphics (ksdvi/VectorOutput.h).

#include <cerrno>
#include <cstring>
#include <functional>

#include "Commands.h"
#include "FontReport.h"
#include "InputSpool.h"
#include "PageNames.h"
#include "PageSelection.h"
#include "ksdvi/VectorOutput.h"
#include "page/OutputFile.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"

namespace {

// Writes through a temporary file moved into place when whole; "-" is
// standard output.
bool Write(std::string const& path, std::string const& file,
           std::function<ksdvi::VectorResult(std::string const&)> const& write, bool& broken) {
    OutputFile out(path);
    if (path != "-" && !out.Create()) {
        ReportError(path, std::strerror(errno));
        return false;
    }
    ksdvi::VectorResult result = write(path == "-" ? path : out.WritePath());
    for (std::string const& problem : result.problems) ReportWarning(file, problem);
    broken = broken || result.pagesBroken;
    if (!result.written) {
        ReportError(path, result.error);
        return false;
    }
    if (path != "-" && !out.Commit()) {
        ReportError(path, std::strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int RunVector(VectorCommandOptions const& options) {
    ksdvi::DocumentOptions open;
    open.metricDirectories = options.session.tfmPaths;
    open.virtualFontDirectories = options.session.vfPaths;
    open.mapFiles = options.session.mapFiles;
    open.allowedDirectories = options.session.allowedPaths;
    open.ghostscript = ksdvi::DocumentOptions::Ghostscript::EarlyForVectors;
    std::optional<ksdvi::Paper> paper = ksdvi::ParsePaperOption(options.paper);
    if (!paper) {
        ReportError(options.file, "bad paper size '" + options.paper + "' (a4, letter or WxH, e.g. 210mmx297mm)");
        return 1;
    }
    open.paperWidth = paper->width / ksdvi::kSpPerBigPoint;
    open.paperHeight = paper->height / ksdvi::kSpPerBigPoint;
    std::string error;
    std::string const& source = options.session.source.empty() ? options.file : options.session.source;
    std::unique_ptr<ksdvi::Document> document = ksdvi::Document::Open(source, open, &error);
    if (!document) {
        // The library's error names the file it read (a copy, for standard input).
        ReportError(options.file, error.substr(error.rfind(source + ": ", 0) == 0 ? source.size() + 2 : 0));
        return 1;
    }
    if (document->State() != ksdvi::DocumentState::Complete)
        ReportWarning(options.file, document->Problem());
    WarnMissingFonts(options.file, document->Engine());
    std::optional<std::vector<int>> pages = SelectPages(options.pages, document->PageCount(), error);
    if (!pages || pages->empty()) {
        ReportError(options.file, pages ? "no pages to write" : error);
        return 1;
    }
    ksdvi::VectorOptions vector;
    vector.rasterDpi = options.dpi;
    bool broken = false;  // pages cut short by their own bytes
    if (!options.svg) {
        vector.pages = *pages;
        std::string const path = options.output.empty() ? DocumentStem(options.file) + ".pdf" : options.output;
        auto write = [&](std::string const& to) { return ksdvi::WritePdf(*document, to, vector); };
        return Write(path, options.file, write, broken) && !broken ? 0 : 1;
    }
    std::string const pattern =
        options.output.empty() ? DefaultPattern(options.file, document->PageCount(), ".svg") : options.output;
    if (pages->size() > 1 && !NamesPageNumber(pattern)) {
        ReportError(pattern, "one output file for " + std::to_string(pages->size()) +
                                 " pages; put %d where the page number goes");
        return 1;
    }
    bool written = true;
    for (int page : *pages) {
        auto write = [&](std::string const& to) { return ksdvi::WriteSvg(*document, page, to, vector); };
        written = Write(pattern == "-" ? pattern : PagePath(pattern, page + 1), options.file, write, broken) && written;
    }
    return written && !broken ? 0 : 1;
}
