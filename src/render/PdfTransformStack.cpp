#include "render/PdfTransformStack.h"

#include "specials/PdfSpecials.h"

namespace ksdvi {

void PdfTransformStack::Apply(PdfSpecial const& special, Affine const& here, Affine& current) {
    using Kind = PdfSpecial::Kind;
    if (special.kind == Kind::TransformEnd) {
        if (saved_.empty()) return;
        current = saved_.back();
        saved_.pop_back();
        return;
    }
    if (special.kind == Kind::TransformStart) {
        if (saved_.size() >= kMostSaved) return;
        saved_.push_back(current);
    } else if (special.kind != Kind::Transform) {
        return;
    }
    current = here.Then(current);
}

}  // namespace ksdvi
