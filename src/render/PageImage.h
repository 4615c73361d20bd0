#pragma once
// Images of pages for the web, as dvipng makes them: cut to the ink (or to
// preview.sty's box, or to a size), the background transparent or coloured,
// with the numbers a page needs to sit on a line of text (its depth below
// the baseline). Only the part of the page that can hold ink is drawn, so a
// formula costs its own pixels, not a page's.

#include <map>
#include <set>
#include <string>

#include "page/ImageColours.h"
#include "page/ImageFrame.h"
#include "render/PageRenderer.h"

struct PageImageSettings {
    int dpi = 96;
    double zoom = 1.0;
    ksdvi::ImageSize size;
    ksdvi::ImageColours colours;
    int compression = -1;  // zlib's level, 0 to 9; -1 for libpng's default
    // The paper of a page with pictures or PostScript, which may put ink
    // anywhere on it.
    ksdvi::Paper paper;
};

class PageImageRenderer {
public:
    explicit PageImageRenderer(PageImageSettings const& settings);

    // Draws `page` (0-based) and writes its image at `path`; false when no
    // file was written (Error() or WriteError() says why). Metrics() then
    // holds the image's numbers.
    bool RenderPng(KsDvi& dvi, int page, std::string const& path);
    // Writes the image Render made; false with WriteError() set.
    bool WritePng(std::string const& path);
    // The image's pixels in the frame's order, after Render; false as RenderPng.
    bool Render(KsDvi& dvi, int page);
    std::vector<ksdvi::ImagePixel> const& Pixels() const { return pixels_; }
    ksdvi::PixelBox const& Frame() const { return frame_; }
    ksdvi::ImageMetrics Metrics() const { return ksdvi::MetricsOf(frame_); }

    std::string const& Error() const { return error_.empty() ? renderer_.Error() : error_; }
    std::string const& WriteError() const { return writeError_; }
    std::map<std::string, std::set<unsigned>> const& MissingGlyphs() const { return renderer_.MissingGlyphs(); }
    long CharsWithoutFont() const { return renderer_.CharsWithoutFont(); }
    std::set<std::string> const& PictureProblems() const { return renderer_.PictureProblems(); }

private:
    // The pixels to draw, before the ink is known.
    std::optional<ksdvi::PixelBox> DrawingArea(KsDvi& dvi, int page, std::optional<ksdvi::PixelBox>& preview);

    PageImageSettings settings_;
    PageRenderer renderer_;
    ksdvi::PixelBox frame_;
    std::vector<ksdvi::ImagePixel> pixels_;
    std::string error_, writeError_;
};
