// Pictures named by text specials, queued for drawing after the page:
//   graphics: DX DY NW NH TW TH TYPE FILE   at the current point + (DX, DY),
//                                           scaled TW/NW by TH/NH
//   ps::[begin] W H LLX LLY URX URY         the frame of the next plotfile
//   ps: plotfile FILE                       an EPS file scaled to that frame
//   psfile=FILE hoffset=.. voffset=.. hscale=.. vscale=.. llx=.. lly=.. urx=..
//     ury=.. rwi=.. rhi=..                  an EPS file placed as dvips places it

#include <algorithm>
#include <optional>

#include "dvi/PictureSpecials.h"
#include "dvi/SpecialParsing.h"
#include "render/KsDviDrawer.h"
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

int IntegerValue(unsigned char* value) {
    int i = 0;
    return ReadInteger(value, &i) ? i : 0;
}

}  // namespace

std::unique_ptr<KsDviDrawer::PictInfo> KsDviDrawer::NewPicture(int type, String8 const& fileName) const {
    auto picture = std::make_unique<PictInfo>();
    picture->type = type;
    picture->fileName = fileName;
    picture->link = OpenAnchorLink();
    picture->transform = worldTransform_;
    return picture;
}

void KsDviDrawer::GraphicsSpecial(unsigned char* p, unsigned char*) {
    auto graphics = ksdvi::ParseGraphicsSpecial(p);
    if (!graphics || graphics->type < 0) return;
    int nw = graphics->naturalWidth, tw = graphics->width, nh = graphics->naturalHeight, th = graphics->height;
    if (nw == 0 || tw == 0) nw = tw = 1;
    if (nh == 0 || th == 0) nh = th = 1;
    auto picture = NewPicture(graphics->type, graphics->file);
    picture->xScale = static_cast<double>(tw) / nw;
    picture->yScale = static_cast<double>(th) / nh;
    picture->x = hDot(GetH()) + dhDot(graphics->dx);
    picture->y = vDot(GetV()) + dvDot(graphics->dy);
    AppendPicture(std::move(picture));
}

// Six integers as atoi reads them (no digits read as 0); fewer ignore it.
void KsDviDrawer::PsBeginSpecial(unsigned char* p, unsigned char*) {
    int values[6];
    for (int& value : values) {
        p = SkipBlanks(p);
        if (*p == 0) return;
        value = IntegerValue(p);
        p += Token(p).size();
    }
    psW_ = values[0];
    psH_ = values[1];
    psLlx_ = values[2];
    psLly_ = values[3];
    psUrx_ = values[4];
    psUry_ = values[5];
}

void KsDviDrawer::PsPlotfileSpecial(unsigned char* p, unsigned char*) {
    p = SkipBlanks(p);
    if (!StartsWith(p, "plotfile")) return;
    p = SkipBlanks(p + 8);
    std::string_view file = Token(p);
    if (file.empty()) return;
    auto picture = NewPicture(kPictureEps, String8(file));
    picture->x = hDot(GetH());
    picture->y = vDot(GetV());
    picture->xScale = Ratio(psW_, static_cast<double>(psUrx_) - psLlx_);
    picture->yScale = Ratio(psH_, static_cast<double>(psUry_) - psLly_);
    AppendPicture(std::move(picture));
}

// The psfile form as dvips reads it: offsets in points (a positive voffset
// moves up), scales in percent, and with rwi or rhi the box scaled to that
// width or height, its lower left corner at the current point; without them
// the figure's own origin lies there.
void KsDviDrawer::PsfileSpecial(unsigned char* p, unsigned char*) {
    ksdvi::PsfileSpecial args = ksdvi::ParsePsfileSpecial(p);
    if (!args.file) return;

    bool boxKnown = args.boxGiven == 0xF;
    if (!boxKnown) std::fill(std::begin(args.box), std::end(args.box), ksdvi::kNoPictureBox);
    auto [llx, lly, urx, ury] = args.box;
    double hscale = args.hscale.value_or(0) > 0 ? *args.hscale / 100 : 1.0;
    double vscale = args.vscale.value_or(0) > 0 ? *args.vscale / 100 : 1.0;
    bool sized = boxKnown && (args.rwi > 0 || args.rhi > 0);
    if (sized) {
        if (args.rwi > 0) {
            hscale *= Ratio(args.rwi * 0.1, static_cast<double>(urx) - llx);
            vscale *= args.rhi > 0 ? Ratio(args.rhi * 0.1, static_cast<double>(ury) - lly)
                                   : Ratio(args.rwi * 0.1, static_cast<double>(urx) - llx);
        } else {
            double ratio = Ratio(args.rhi * 0.1, static_cast<double>(ury) - lly);
            hscale *= ratio;
            vscale *= ratio;
        }
    }
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
    picture->clip = args.clip;
    AppendPicture(std::move(picture));
}
