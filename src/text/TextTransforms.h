#pragma once
// Where the transformations of a page's specials put its characters, for the
// passes that find text (search hits, the words of the text layer):
// graphicx's \rotatebox, \scalebox and \resizebox as its dvips driver writes
// them (PostScript that only transforms, evaluated without Ghostscript, as
// the painter evaluates it) and as its xetex and dvipdfmx drivers write them
// (pdf:btrans ... pdf:etrans), and pgf's transformed canvases (pdf:code's
// cm, PdfGraphicsState.h). After PostScript that does more than
// transform, the rest of the page's characters are found where TeX set them.

#include <string_view>
#include <vector>

#include "device/Affine.h"
#include "render/PdfGraphicsState.h"
#include "render/PostScriptTransforms.h"

class KsDvi;

namespace ksdvi {

class TextTransforms {
public:
    // For a page of `dvi`, from its beginning.
    explicit TextTransforms(KsDvi const& dvi);

    // A special's bytes, at DVI position (h, v).
    void Special(std::string_view text, int h, int v);
    // Whether what follows is drawn as TeX set it.
    bool IsIdentity() const { return current_.IsIdentity(); }
    // The transformation in force (in the evaluator's dots, about the DVI
    // origin): characters under equal ones are drawn together.
    Affine const& Current() const { return current_; }
    // The bounding box, as drawn, of a box TeX set at (left, top) (DVI
    // units, y down).
    void Box(int& left, int& top, int& width, int& height) const;

private:
    double perDviX_, perDviY_;  // the evaluator's dots per DVI unit
    PostScriptTransforms postScript_;
    bool postScriptKnown_ = true;
    PdfGraphicsState pdf_;
    Affine current_;  // in the evaluator's dots, about the DVI origin
    std::vector<unsigned char> terminated_;  // the keyword table and the parsers read a terminated copy
};

}  // namespace ksdvi
