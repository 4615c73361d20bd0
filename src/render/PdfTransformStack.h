#pragma once
// xdvipdfmx's transformations (graphicx's \rotatebox and \scalebox with the
// xetex and dvipdfmx drivers): pdf:btrans (x:gsave) saves the transformation
// in force and turns what follows about the current point, x:scale and
// x:rotate turn it without saving, pdf:etrans (x:grestore) brings the saved
// one back. The states saved are bounded, as a PDF reader's are. The painter
// and the text layer keep one each.

#include <cstddef>
#include <vector>

#include "device/Affine.h"

namespace ksdvi {

struct PdfSpecial;

class PdfTransformStack {
public:
    // Transformations saved beyond this many are not.
    static constexpr std::size_t kMostSaved = 1000;

    // Applies `special` to `current`, the transformation in force; `here` is
    // the special's matrix in the caller's units, about the current point.
    // Specials of other kinds change nothing.
    void Apply(PdfSpecial const& special, Affine const& here, Affine& current);
    void Clear() { saved_.clear(); }

private:
    std::vector<Affine> saved_;
};

}  // namespace ksdvi
