#pragma once
// The PostScript that graphicx's dvips driver writes for rotations and
// scalings (\rotatebox, \scalebox, \resizebox):
//   gsave currentpoint currentpoint translate 90 neg rotate neg exch neg exch translate
//   currentpoint grestore moveto
// and pgf's invisible parts (beamer's covered overlays):
//   gsave nulldevice ... grestore
// evaluated here, without an interpreter: the current transformation and
// point, the null device, the graphics-state stack, numbers, arithmetic and
// stack operators.
// Code with any other operator is left to Ghostscript. A page whose
// PostScript is all of this kind never starts it.

#include <string_view>
#include <vector>

#include "render/PostScriptPage.h"

namespace ksdvi {

class PostScriptTransforms {
public:
    // Device dots per inch, for Resolution and VResolution.
    PostScriptTransforms(double dpiX, double dpiY) : dpiX_(dpiX), dpiY_(dpiY) {}

    // Runs one special's code; false when it uses anything this does not
    // know (the state is then not to be trusted).
    bool Run(std::string_view code);
    // A moveto to the user-space point (x, y), as dvips puts before a
    // positioned special: its DVI position, in the transformation in force.
    void MoveTo(double x, double y);
    // The transformation in force, from user space to page dots.
    Affine const& Current() const { return state_.ctm; }
    // The transformation and whether the null device is current.
    PageGraphicsState Graphics() const { return {state_.ctm, state_.invisible, false, std::nullopt}; }

private:
    struct State {
        Affine ctm;
        bool hasPoint = false;
        double x = 0, y = 0;  // the current point in page dots
        bool invisible = false;
    };
    bool Operator(std::string_view op);
    bool Pop(double& v);
    // False when the transformation would no longer be finite: Ghostscript
    // stops such code with undefinedresult, and it is left to it.
    bool Prepend(Affine const& t);

    double dpiX_, dpiY_;
    State state_;
    std::vector<State> saved_;
    std::vector<double> stack_;
};

}  // namespace ksdvi
