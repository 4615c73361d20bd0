// Pictures named by text specials (specials/PictureHandler.h,
// specials/PostScriptHandler.h), placed on the page and drawn
// where the page sets them (PictureDrawing.cpp).

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

#include "dvi/DviOpcodes.h"
#include "render/KsDviDrawer.h"
#include "specials/PdfSpecials.h"
#include "specials/PictureSpecials.h"
#include "specials/SpecialParsing.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

namespace {

constexpr double kPointsPerInch = 72.0;

// A scale from a size and the extent it maps; an empty extent scales by 1.
double Ratio(double size, double extent) { return extent != 0 ? size / extent : 1.0; }

// Pixels of an offset in points, held inside the int range.
int OffsetPixels(double points, double dpi) {
    return RoundHalfAway(std::clamp(points * dpi / kPointsPerInch, -1e9, 1e9));
}

}  // namespace

std::unique_ptr<KsDviDrawer::PictInfo> KsDviDrawer::NewPicture(int type, String8 const& fileName) const {
    auto picture = std::make_unique<PictInfo>();
    picture->type = type;
    picture->fileName = fileName;
    picture->link = OpenAnchorLink();
    picture->transform = PictureTurnHere().Then(worldTransform_);
    return picture;
}

ksdvi::Affine KsDviDrawer::PictureTurnHere() const {
    double const px = hDot(GetH()) - pixels_.OriginX(), py = vDot(GetV()) - pixels_.OriginY();
    switch (GetDirection()) {
    case ksdvi::dvi::kVertical: return ksdvi::Affine{0, 1, -1, 0, 0, 0}.About(px, py);  // a quarter turn clockwise
    case ksdvi::dvi::kDownToUp: return ksdvi::Affine{0, -1, 1, 0, 0, 0}.About(px, py);  // and anticlockwise
    default: return {};
    }
}

void KsDviDrawer::GraphicsPicture(ksdvi::GraphicsSpecial const& graphics) {
    int nw = graphics.naturalWidth, tw = graphics.width, nh = graphics.naturalHeight, th = graphics.height;
    if (nw == 0 || tw == 0) nw = tw = 1;
    if (nh == 0 || th == 0) nh = th = 1;
    auto picture = NewPicture(graphics.type, graphics.file);
    picture->xScale = static_cast<double>(tw) / nw;
    picture->yScale = static_cast<double>(th) / nh;
    picture->x = hDot(GetH()) + dhDot(graphics.dx);
    picture->y = vDot(GetV()) + dvDot(graphics.dy);
    AppendPicture(std::move(picture));
}

void KsDviDrawer::PdfImagePicture(ksdvi::PdfSpecial const& image) {
    auto picture = NewPicture(ksdvi::PictureTypeOfFileName(image.target), String8(image.target));
    double const perSp = DviPerPoint() / 65536;
    picture->anchorTop = 0;
    picture->x = hDot(GetH());
    picture->y = vDot(GetV());
    picture->shownWidth = image.right * perSp;
    picture->shownHeight = image.height * perSp;
    picture->pdfPage = image.page;
    picture->naturalPerMetre = 72 / 0.0254;
    picture->pdfBox = image.box;
    picture->clip = image.clip;
    if (picture->type == kPicturePdf) picture->deviceClip = pictureClip_;
    picture->transform = PdfMatrixHere(image.matrix).Then(PictureTurnHere()).Then(worldTransform_);
    AppendPicture(std::move(picture));
    // What the page's drawing draws after the picture lies over it.
    PaintNextPdfLayer();
}

void KsDviDrawer::PlotfilePicture(std::string_view file, PlotFrame const& frame) {
    auto picture = NewPicture(kPictureEps, String8(file));
    picture->x = hDot(GetH());
    picture->y = vDot(GetV());
    picture->xScale = Ratio(frame.width, static_cast<double>(frame.urx) - frame.llx);
    picture->yScale = Ratio(frame.height, static_cast<double>(frame.ury) - frame.lly);
    AppendPicture(std::move(picture));
}

// The psfile form as dvips reads it: offsets in points (a positive voffset
// moves up), scales in percent, and with rwi or rhi the box scaled to that
// width or height, its lower left corner at the current point; without them
// the figure's own origin lies there. A negative scale, width or height
// mirrors the figure about that point (graphicx's scale=-1).
void KsDviDrawer::PsfilePicture(ksdvi::PsfileSpecial const& psfile) {
    ksdvi::PsfileSpecial args = psfile;
    bool boxKnown = args.boxGiven == 0xF;
    if (!boxKnown) std::fill(std::begin(args.box), std::end(args.box), ksdvi::kNoPictureBox);
    auto [llx, lly, urx, ury] = args.box;
    double const hsc = args.hscale.value_or(0) != 0 ? *args.hscale / 100 : 1.0;
    double const vsc = args.vscale.value_or(0) != 0 ? *args.vscale / 100 : 1.0;
    // The box fitted to rwi and rhi
    bool sized = boxKnown && (args.rwi || args.rhi);
    double fitX = 1, fitY = 1;
    if (sized) {
        if (args.rwi) {
            fitX = Ratio(*args.rwi * 0.1, static_cast<double>(urx) - llx);
            fitY = args.rhi ? Ratio(*args.rhi * 0.1, static_cast<double>(ury) - lly) : fitX;
        } else {
            fitX = fitY = Ratio(*args.rhi * 0.1, static_cast<double>(ury) - lly);
        }
    }
    double const hscale = hsc * fitX, vscale = vsc * fitY;
    auto picture = NewPicture(kPictureEps, *args.file);
    picture->anchorTop = 0;
    picture->x = OffsetPixels(args.hoffset, pixels_.DpiX()) + hDot(GetH());
    picture->y = vDot(GetV()) - OffsetPixels(args.voffset, pixels_.DpiY());
    picture->xScale = hscale;
    picture->yScale = vscale;
    picture->llx = llx;
    picture->lly = lly;
    picture->urx = urx;
    picture->ury = ury;
    picture->originHere = !sized;
    // graphicx's dvips driver gives the file's own coordinates; those for
    // dvipdfmx may count from the corner of the file's box.
    picture->boxMayCountFromCorner = boxKnown && dvi_ && dvi_->MadeForDvipdfmx();
    picture->clip = args.clip;
    if (args.cutToSize) {
        // special.pro's transformation from the figure to the special's
        // point, in points, y up; the cut's corners go back through it.
        double const turn = args.angle * std::numbers::pi / 180, c = std::cos(turn), s = std::sin(turn);
        ksdvi::Affine const toPoint = ksdvi::Affine{1, 0, 0, 1, sized ? -llx : 0.0, sized ? -lly : 0.0}
                                          .Then({fitX, 0, 0, fitY, 0, 0})
                                          .Then({c, s, -s, c, 0, 0})
                                          .Then({hsc, 0, 0, vsc, args.hoffset, args.voffset});
        ksdvi::Affine const toFigure = toPoint.Inverse();
        std::array<double, 8> cut{0, 0, args.hsize, 0, args.hsize, args.vsize, 0, args.vsize};
        for (size_t i = 0; i < cut.size(); i += 2) toFigure.Apply(cut[i], cut[i + 1], cut[i], cut[i + 1]);
        picture->figureCut = cut;
    }
    if (args.angle != 0) {
        // dvips turns the figure after scaling it: on the page, with y down,
        // the turn is the scaled figure's.
        double const turn = args.angle * std::numbers::pi / 180, c = std::cos(turn), s = std::sin(turn);
        double const stretch = Ratio(hscale * pixels_.PerDviX(), vscale * pixels_.PerDviY());
        ksdvi::Affine const turned{c, -s / stretch, s * stretch, c, 0, 0};
        picture->transform =
            turned.About(picture->x - pixels_.OriginX(), picture->y - pixels_.OriginY()).Then(picture->transform);
    }
    picture->inPagePostScript = postScript_ && postScript_->DrawsPictures();
    AppendPicture(std::move(picture));
}
