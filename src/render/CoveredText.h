#pragma once
// dvips draws TeX's characters in turn with the page's PostScript, so that a
// fill coming after a word hides it: TikZ's overlays, a pstricks frame drawn
// over \rput text, a redaction box. ksdvi paints the page's PostScript
// beneath its text; where a character lies under drawing that comes after
// it, that drawing is painted again over the text once the page is drawn.
//
// Where that is, one more run of the page's job tells: each character's box
// is filled there, in turn, with a colour of its own (kProbe). Where the
// colour is gone from a box when the page is shown, and the pixel is what
// the page's drawing alone shows, something opaque drawn later covers it.
// What is see-through (opacity, pgf's fadings) leaves the text on top.

#include <cairo.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/Affine.h"
#include "platform/gdi/Cdc.h"
#include "platform/gs/GS.h"

namespace ksdvi {

class CoveredText {
public:
    // A character's box on the page, its corners in turn in device pixels;
    // the pixels whose centres lie inside are its.
    struct Box {
        std::array<double, 4> x{}, y{};
    };
    // The probe colour, red, green and blue, in 255ths: no document's colour.
    static constexpr std::array<int, 3> kProbe = {3, 251, 7};
    // PostScript that defines `x y width height ksdvi@probe`: the box filled
    // in the probe colour, in the current transformation, leaving the
    // graphics state as it was.
    static std::string ProbeProcedure();

    // Reads the probe run's page (24-bit rows, blue first, bottom-up, each
    // padded to four bytes, the page's top-left at pixel 0, 0) against the
    // page's own run on white (rows of 24 bits, top-down, unpadded).
    void ReadProbeRun(unsigned char const* bits, unsigned char const* white, int width, int height,
                      std::vector<Box> const& boxes);
    // Reads a probe run that `drawProbes` draws (a PDF writer's page)
    // against the page's own, `drawPage`; `toDevice` takes their space to
    // the pixels of the page, `width` by `height`.
    void ReadProbeDrawing(Affine const& toDevice, std::function<bool(cairo_t*)> const& drawProbes,
                          std::function<bool(cairo_t*)> const& drawPage, int width, int height,
                          std::vector<Box> const& boxes);
    // Reads the probe run as Ghostscript's page output.
    class ProbeOutputter;

    // Keeps what the page's PostScript draws at the covered pixels, from the
    // run on white (rows of 24 bits, top-down, unpadded) and the run on black
    // (as ReadProbeRun's bits), both `width` by `height`.
    void KeepCover(unsigned char const* white, unsigned char const* black, int width, int height);
    // Keeps what `draw` draws at the covered pixels, `toDevice` taking its
    // space to the page's pixels.
    void KeepCoverDrawn(Affine const& toDevice, std::function<bool(cairo_t*)> const& draw);
    // Paints what was kept over `dc`, once.
    void PaintCover(gdi::CDC* dc);

    bool Empty() const { return covered_.empty(); }

private:
    // Past this many pixels in the boxes together, nothing is found covered.
    static constexpr int64_t kMostProbedPixels = int64_t(1) << 27;

    // Marks the pixels of `boxes` within `bounds` (left, top, right, bottom)
    // for which isCovered(x, y).
    template <class IsCovered>
    void Mark(std::vector<Box> const& boxes, std::array<int, 4> const& bounds, IsCovered const& isCovered);

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;  // around the covered pixels
    std::vector<bool> covered_;                        // width_ by height_, rows top-down
    std::vector<unsigned char> white_, black_;         // the cover, as runs of CoveragePainter
};

class CoveredText::ProbeOutputter : public GS::PageOutputter {
public:
    // `white`: the page's own run on white, as ReadProbeRun takes it.
    ProbeOutputter(CoveredText& text, std::vector<Box> const& boxes, unsigned char const* white)
        : text_(text), boxes_(boxes), white_(white) {}
    void OutputPage(int width, int height) override;

private:
    CoveredText& text_;
    std::vector<Box> const& boxes_;
    unsigned char const* white_;
    bool done_ = false;
};

}  // namespace ksdvi
