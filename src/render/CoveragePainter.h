#pragma once
// Paints what PostScript draws as Ghostscript paints it on a page: opaquely,
// white and light colours included, and nothing where it draws nothing. The
// job runs twice, on a white page and on a black one (kBlackPage before the
// second's PostScript). Their difference is the drawing's opacity: a pixel
// becomes black-run + page * (white-run - black-run) / 255, which keeps
// anti-aliased edges smooth over whatever lies beneath. Where the page
// beneath is white, that is the run on white, and the second run is spared
// (PaintOnWhite). On a device whose
// pixels cannot be read (a printer) a pixel is either the drawing's or the
// page's, in bands of at most 32,000 bytes. Only the first page of each job
// is painted.

#include <cairo.h>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "device/Affine.h"
#include "render/CoveredText.h"

#include "platform/gdi/Cdc.h"
#include "platform/gs/GS.h"

namespace ksdvi {

class CoveragePainter : public GS::PageOutputter {
public:
    // Paints the second job's page black before anything else is drawn.
    static constexpr char kBlackPage[] = "gsave 0 setgray clippath fill grestore\n";
    // Edges drawn with four bits of coverage, as dvips users have Ghostscript draw them.
    static constexpr char kAntiAliased[] =
        "mark /GraphicsAlphaBits 4 /TextAlphaBits 4 currentdevice putdeviceprops pop\n";

    // The page's lower left corner goes to (left, bottom) of `out`. Jobs
    // render 24 bits a pixel.
    CoveragePainter(gdi::CDC* out, gdi::CDC* reference, int left, int bottom)
        : out_(out), reference_(reference), left_(left), bottom_(bottom) {}

    // The bytes of a row of `width` 24-bit pixels, padded to four.
    static int RowBytes(int width) { return ((24 * width + 31) >> 3) & ~3; }

    void OutputPage(int w, int h) override;
    // A run's page drawn otherwise: 24-bit rows, blue first, bottom-up, each
    // padded to four bytes.
    void TakePage(unsigned char const* bits, int w, int h);
    // Before the second job.
    void StartOnBlack() {
        onBlack_ = true;
        done_ = false;
    }
    // The run on black keeps what it draws at `covered`'s pixels there.
    void KeepCover(CoveredText* covered) { covered_ = covered; }
    // The first run's pixels, `width` by `height`: 24 bits, blue first, rows
    // top-down, unpadded; null when there are none of that size.
    unsigned char const* WhiteRun(int width, int height) const {
        return white_.empty() || width != width_ || height != height_ ? nullptr : white_.data();
    }
    // The current job's page has been taken.
    bool Done() const { return done_; }
    // Instead of the run on black: where the page beneath the job is white,
    // the blend is the run on white. False, painting nothing, where the page
    // is not white there or its pixels cannot be read.
    bool PaintOnWhite();

private:
    // Where a job's page lands on a colour surface in text mapping, inside a
    // rectangular clip: its top-left corner there, and the pixels it covers.
    struct Landing {
        gdi::Surface* surface;
        int left, top;
        int x0, x1, y0, y1;
    };
    std::optional<Landing> LandingOf(int w, int h) const;
    void KeepWhiteRun(unsigned char const* bits, int w, int h, int stride);
    bool Blend(unsigned char const* bits, int w, int h);
    void Paint(unsigned char const* bits, int w, int h);

    gdi::CDC* out_;
    gdi::CDC* reference_;
    CoveredText* covered_ = nullptr;
    int left_, bottom_;
    bool onBlack_ = false, done_ = false;
    int width_ = 0, height_ = 0;
    std::vector<unsigned char> white_;  // the first run's pixels, 24 bits blue first, rows top-down
};

// A drawing made with Cairo (premultiplied ARGB32) as a run of a job would
// show it on white, or on black: 24-bit rows, blue first, bottom-up, each
// padded to four bytes.
std::vector<unsigned char> CoverageRun(cairo_surface_t* image, bool onWhite);

// Paints a drawing made with Cairo (premultiplied ARGB32) over `out` with its
// top-left corner at (left, top), as Ghostscript's runs are painted.
void PaintCoverage(gdi::CDC* out, cairo_surface_t* drawing, int left, int top);

// What `draw` draws in a box `width` by `height`, which `toDevice` takes to
// `out`'s pixels, painted so over `out` within its pixels (and within `clip`,
// left, top, right, bottom, when given). False when `draw` drew nothing.
bool PaintDrawnCoverage(gdi::CDC* out, Affine const& toDevice, double width, double height,
                        std::function<bool(cairo_t*)> const& draw,
                        std::optional<std::array<double, 4>> const& clip = std::nullopt);

}  // namespace ksdvi
