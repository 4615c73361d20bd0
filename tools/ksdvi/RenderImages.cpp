#include "RenderImages.h"

#include <cmath>
#include <cstdio>

#include "DocumentSession.h"
#include "FontReport.h"
#include "PageSelection.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"
#include "render/PageImage.h"

bool AsksForImages(RenderOptions const& options) {
    return !options.imageSize.empty() || !options.background.empty() || !options.foreground.empty() || options.depth ||
           options.height || options.width;
}

std::optional<ksdvi::ImageSize> ParseImageSize(std::string const& text) {
    ksdvi::ImageSize size;
    if (text == "tight") return size;
    if (text == "bbox") {
        size.kind = ksdvi::ImageSize::Kind::Bbox;
        return size;
    }
    auto paper = ksdvi::ParsePaperOption(text);
    if (!paper) paper = ksdvi::ParsePaperSpecial(text);
    if (!paper) return std::nullopt;
    size.kind = ksdvi::ImageSize::Kind::Fixed;
    size.width = paper->width;
    size.height = paper->height;
    return size;
}

int RunRenderImages(RenderOptions const& options, ksdvi::TeXFonts& fonts,
                    std::function<std::string(int)> const& outputName, bool namesPageNumber) {
    PageImageSettings settings;
    settings.dpi = options.dpi;
    settings.zoom = options.zoom;
    if (!options.imageSize.empty()) {
        auto size = ParseImageSize(options.imageSize);
        if (!size) {
            ReportError(options.file, "bad image size '" + options.imageSize + "' (tight, bbox or WxH, e.g. 2inx1in)");
            return 1;
        }
        settings.size = *size;
    }
    if (options.background == "transparent" || options.background == "Transparent") {
        settings.colours.transparency = ksdvi::ImageColours::Transparency::Alpha;
    } else if (!options.background.empty()) {
        auto colour = ksdvi::ParseColourOption(options.background);
        if (!colour) {
            ReportError(options.file, "bad background colour '" + options.background +
                                          "' (transparent, #rrggbb, 'rgb R G B' or a colour name such as Yellow)");
            return 1;
        }
        settings.colours.background = *colour;
    }
    if (!options.foreground.empty()) {
        auto colour = ksdvi::ParseColourOption(options.foreground);
        if (!colour) {
            ReportError(options.file, "bad foreground colour '" + options.foreground +
                                          "' (#rrggbb, 'rgb R G B' or a colour name such as NavyBlue)");
            return 1;
        }
        settings.colours.foreground = *colour;
    }
    // Without -T the image is the paper, as render draws it.
    DocumentSession session(options.file, options.session, fonts);
    session.StartGhostscriptEarly();
    if (!session.LoadOrReport(LastPageNamed(options.pages)) || !HasPagesToDraw(session)) return 1;
    session.ReportMissingFonts();
    std::string error;
    auto pages = SelectPages(options.pages, session.Document().GetNPage(), error);
    if (!pages) {
        ReportError(options.file, error);
        return 1;
    }
    if (session.PaperSpecial()) {
        settings.paper = ksdvi::PaperOf(session.Document(), {});
    } else if (auto paper = ksdvi::ParsePaperOption(options.paper)) {
        settings.paper = ksdvi::PaperOf(session.Document(), *paper);
    } else {
        ReportError(options.file, "bad paper size '" + options.paper + "' (a4, letter or WxH, e.g. 210mmx297mm)");
        return 1;
    }
    if (options.imageSize.empty()) {
        settings.size.kind = ksdvi::ImageSize::Kind::Fixed;
        settings.size.width = settings.paper.width;
        settings.size.height = settings.paper.height;
    }
    if (pages->size() > 1 && !namesPageNumber) {
        ReportError(outputName(0), "one output file for " + std::to_string(pages->size()) +
                                       " pages; put %d where the page number goes");
        return 1;
    }
    for (int page : *pages)
        if (IsTheDocument(session, outputName(page))) return 1;

    PageImageRenderer renderer(settings);
    bool failed = false;
    KsDvi& dvi = session.Document();
    for (int page : *pages) {
        std::string const path = outputName(page);
        bool const written = renderer.RenderPng(dvi, page, path);
        if (!renderer.Error().empty()) ReportError(options.file, renderer.Error());
        if (!renderer.WriteError().empty()) ReportError(path, "cannot write the PNG file: " + renderer.WriteError());
        failed = failed || !written || !renderer.Error().empty();
        if (!written) continue;
        std::string line = path;
        ksdvi::ImageMetrics const m = renderer.Metrics();
        if (options.depth) line += " depth=" + std::to_string(m.depth);
        if (options.height) line += " height=" + std::to_string(m.height);
        if (options.width) line += " width=" + std::to_string(m.width);
        std::printf("%s\n", line.c_str());
    }
    WarnUnpaintable(options.file, ReportFonts(dvi, options.dpi * options.zoom), renderer.MissingGlyphs());
    for (std::string const& problem : renderer.PictureProblems()) ReportError(options.file, "warning: " + problem);
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.StateReport());
        return 1;
    }
    return failed ? 1 : 0;
}
