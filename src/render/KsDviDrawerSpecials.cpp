// The painting drawer's specials. Every special is first offered to the
// drawing-record interpreter; then the keyword that begins it chooses its
// handler (specials/SpecialRegistry.h), which asks the drawer for what the
// page shows.

#include <memory>

#include "render/GdiSpecialInterpreter.h"
#include "render/KsDviDrawer.h"
#include "specials/PdfSpecials.h"
#include "specials/PostScriptSpecials.h"
#include "specials/SpecialRegistry.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

void KsDviDrawer::DoSpecial(unsigned int length, InstPtr text) {
    // The page buffer holds no NUL after the special: parse a terminated copy.
    auto copy = std::make_unique<unsigned char[]>(size_t{length} + 1);
    unsigned char const* from = text.Get();
    for (unsigned int i = 0; i < length; ++i) copy[i] = from[i];
    copy[length] = 0;
    unsigned char* begin = copy.get();

    // What follows a page's PostScript is drawn in the graphics state it leaves.
    if (postScript_ && IsPagePostScript(ParsePostScriptSpecial(begin, length))) {
        ksdvi::PageGraphicsState const state = postScript_->StateAfter(postScriptSpecials_++);
        worldTransform_ = state.transform;
        invisible_ = state.invisible;
        shownByPostScript_ = state.shown;
        ClipCharacters(state.clip);
        postScriptOpacity_ = state.opacity;
        if (device_) device_->SetGlyphOpacity(GlyphOpacity());
    }

    if (specials_->PlaySpecial(begin, length, hDot(GetH()), vDot(GetV()))) return;

    specialHandlers_->Paint(*this, begin, length, invisible_);
}

// TeX's characters and rules inside a clip of the page's PostScript are cut
// to its box (in page pixels about the DVI origin).
void KsDviDrawer::ClipCharacters(std::optional<std::array<double, 4>> const& box) {
    if (!device_ || box == characterClip_) return;
    characterClip_ = box;
    if (!box) {
        device_->ClipTo(std::nullopt);
        return;
    }
    double const x = pixels_.OriginX(), y = pixels_.OriginY();
    device_->ClipTo(std::array<double, 4>{(*box)[0] + x, (*box)[1] + y, (*box)[2] + x, (*box)[3] + y});
}

// xdvipdfmx's transformations turn what follows (PdfGraphicsState.h).
void KsDviDrawer::PdfTransform(ksdvi::PdfSpecial const& special) {
    using Kind = ksdvi::PdfSpecial::Kind;
    // The clip graphicx's xetex driver sets is undone with the state.
    if (special.kind == Kind::TransformStart && savedPictureClips_.size() < ksdvi::PdfGraphicsState::kMostSaved)
        savedPictureClips_.push_back(pictureClip_);
    if (special.kind == Kind::TransformEnd && !savedPictureClips_.empty()) {
        pictureClip_ = savedPictureClips_.back();
        savedPictureClips_.pop_back();
    }
    pdfState_.Transform(special, hDot(GetH()) - pixels_.OriginX(), vDot(GetV()) - pixels_.OriginY());
    ShowPdfState();
}

void KsDviDrawer::PdfContent(std::string_view keyword, std::string_view operators) {
    pdfState_.Content(keyword, operators, hDot(GetH()) - pixels_.OriginX(), vDot(GetV()) - pixels_.OriginY());
    ShowPdfState();
}

void KsDviDrawer::BeginPdfState(int page) {
    pdfState_ = ksdvi::PdfGraphicsState(pixels_.DpiX(), pixels_.DpiY(), &dvi_->GetSpotColours());
    for (KsDvi::PdfDefinition const& definition : dvi_->GetPdfDefinitions())
        if (definition.page <= page) pdfState_.Define(definition.special);
    postScriptOpacity_ = 1;
    if (device_) device_->SetGlyphOpacity(1);
}

void KsDviDrawer::ShowPdfState() {
    worldTransform_ = pdfState_.World();
    if (COLORREF const colour = pdfState_.FillColour().value_or(specialColour_); colour != curColor_) {
        curColor_ = colour;
        RenewPenBrush();
    }
    ClipCharacters(pdfState_.Clip());
    if (device_) device_->SetGlyphOpacity(GlyphOpacity());
}

// The rectangle about the current point, through the transformation in
// force, as a box of device dots: what cuts the PDF pictures placed in it.
void KsDviDrawer::PdfClip(ksdvi::PdfSpecial const& special) {
    if (!special.box) return;
    auto const [x0, y0, x1, y1] = *special.box;
    double const px = hDot(GetH()) - pixels_.OriginX(), py = vDot(GetV()) - pixels_.OriginY();
    double const sx = pixels_.DpiX() / 72.0, sy = pixels_.DpiY() / 72.0;
    std::array<double, 4> box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
    for (auto [u, v] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
        double x, y;
        worldTransform_.Apply(px + u * sx, py - v * sy, x, y);
        box = {std::min(box[0], x + pixels_.OriginX()), std::min(box[1], y + pixels_.OriginY()),
               std::max(box[2], x + pixels_.OriginX()), std::max(box[3], y + pixels_.OriginY())};
    }
    if (pictureClip_)
        box = {std::max(box[0], (*pictureClip_)[0]), std::max(box[1], (*pictureClip_)[1]),
               std::min(box[2], (*pictureClip_)[2]), std::min(box[3], (*pictureClip_)[3])};
    pictureClip_ = box;
}

// A PDF matrix (y up, offsets in points) in device dots with y down, about the
// current point, relative to the DVI origin as the world transformation is.
ksdvi::Affine KsDviDrawer::PdfMatrixHere(double const (&m)[6]) const {
    double const px = hDot(GetH()) - pixels_.OriginX(), py = vDot(GetV()) - pixels_.OriginY();
    return ksdvi::FromPdfMatrix(m, pixels_.DpiX(), pixels_.DpiY()).About(px, py);
}

int KsDviDrawer::hDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetH()) + offset) * pixels_.PerDviX()) + pixels_.OriginX();
}

int KsDviDrawer::vDotFromHere(int offset) const {
    return RoundHalfAway((static_cast<double>(GetV()) + offset) * pixels_.PerDviY()) + pixels_.OriginY();
}
