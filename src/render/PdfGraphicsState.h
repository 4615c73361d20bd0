#pragma once
// The graphics state xdvipdfmx's and dvipdfmx's pdf: specials leave for what
// TeX sets after them, followed as those programs write the page's content:
// q and Q, cm and gs in content (pdf:code, pdf:literal), the origin
// pdf:bcontent moves to the current point until pdf:econtent, and the
// transformations of pdf:btrans/etrans and x:gsave, x:scale, x:rotate,
// x:grestore (graphicx's \rotatebox and \scalebox). TeX's characters are
// written in that state: pgf's `transform canvas` and spy turn its nodes'
// text, `text opacity` fades it, a clip (W n, TikZ's \clip) cuts it to the
// clip's bounding box, a fill colour (g, rg, k, cs with sc or scn: a spot's
// tint, as xespotcolor's \SpotColor writes) colours it until a colour special
// or the Q of its state. Opacities are named in pdf:put and pdf:obj
// dictionaries (`/Name << /ca 0.3 >>`, at any depth). Saved states and names
// are bounded, as a PDF reader's are.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/Affine.h"

namespace ksdvi {

struct PdfSpecial;
class SpotColours;

class PdfGraphicsState {
public:
    static constexpr std::size_t kMostSaved = 1000;
    static constexpr std::size_t kMostNames = 10000;

    // In the caller's dots, `dpiX` by `dpiY` to the inch, y down; `spots`
    // (the document's) tell the colours of Separation spaces, when given.
    PdfGraphicsState(double dpiX, double dpiY, SpotColours const* spots = nullptr)
        : dpiX_(dpiX), dpiY_(dpiY), spots_(spots) {}

    // Reads the opacities a pdf:put or pdf:obj special (its text after
    // "pdf:") names; others name none.
    void Define(std::string_view special);
    // A transformation special (PdfSpecial's TransformStart, Transform,
    // TransformEnd) at the current point (x, y); others change nothing.
    void Transform(PdfSpecial const& special, double x, double y);
    // A content special (`keyword` as PdfDrawingOf has it, `operators` what
    // follows it) at the current point (x, y).
    void Content(std::string_view keyword, std::string_view operators, double x, double y);
    // A page begins: as TeX set it, opaque; the names stay.
    void BeginPage();
    // A colour special sets the colour: content's fill colour gives way to it.
    void ColourSpecial() { state_.fill.reset(); }

    // Where what TeX sets at a point is drawn: in the caller's dots.
    Affine World() const;
    // Between 0 (invisible) and 1 (opaque).
    double FillOpacity() const { return state_.opacity; }
    // The fill colour (0x00BBGGRR) content operators set; none where the
    // colour specials' colour is in force.
    std::optional<std::uint32_t> FillColour() const { return state_.fill; }
    // The bounding box of the clip in force (left, top, right, bottom in the
    // caller's dots); none when nothing is cut.
    std::optional<std::array<double, 4>> const& Clip() const { return state_.clip; }

private:
    struct State {
        Affine ctm;  // user space (the caller's dots) to the page
        double opacity = 1;
        std::optional<std::array<double, 4>> clip;
        std::optional<std::uint32_t> fill;
        std::string fillSpace = "DeviceGray";  // cs's, for sc and scn
    };
    using Box = std::array<double, 4>;

    void Operators(std::string_view operators);
    // sc or scn with the numbers before it, in the fill space in force.
    void SetFillComponents(double const* n, std::size_t count);
    // A point of the path being built, in PDF's user space (bp, y up).
    void PathPoint(double x, double y);
    // The path is painted or dropped: a clip asked for (W) cuts from here.
    void EndPath();
    void Save();
    void Restore();
    // `matrix` (a PDF matrix) applied to user space, about the point `at` of user space.
    void Concat(Affine const& matrix, double atX, double atY);

    double dpiX_, dpiY_;
    SpotColours const* spots_;
    State state_;
    std::vector<State> saved_;
    // pdf:bcontent's origins: characters are written from the last one.
    std::vector<std::pair<double, double>> origins_;
    std::unordered_map<std::string, double> names_;
    std::optional<Box> path_;  // the bounding box, on the page, of the path being built
    bool clipAsked_ = false;
};

}  // namespace ksdvi
