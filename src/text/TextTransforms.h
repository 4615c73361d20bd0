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
    // Whether what follows goes to PostScript's null device (pgf's invisible
    // parts: beamer's covered overlays with dvips): not shown.
    bool Invisible() const { return nullDeviceAt_ >= 0 || (postScriptKnown_ && postScript_.Graphics().invisible); }
    // The transformation in force (in the evaluator's dots, about the DVI
    // origin): characters under equal ones are drawn together.
    Affine const& Current() const { return current_; }
    // The bounding box, as drawn, of a box TeX set at (left, top) (DVI
    // units, y down).
    void Box(int& left, int& top, int& width, int& height) const;

private:
    // Follows the gsave, grestore and nulldevice words of PostScript code.
    void FollowNullDevice(std::string_view code);

    double perDviX_, perDviY_;  // the evaluator's dots per DVI unit
    PostScriptTransforms postScript_;
    bool postScriptKnown_ = true;
    // The gsave depth of the page's PostScript, and where nulldevice made
    // what follows invisible (-1: it did not), followed by their words even
    // after PostScript the evaluator cannot run (hyperref's pdfmarks).
    int saves_ = 0, nullDeviceAt_ = -1;
    PdfGraphicsState pdf_;
    Affine current_;  // in the evaluator's dots, about the DVI origin
    std::vector<unsigned char> terminated_;  // the keyword table and the parsers read a terminated copy
};

}  // namespace ksdvi
