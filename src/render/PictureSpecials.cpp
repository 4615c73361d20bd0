// Pictures named by text specials, queued for drawing after the page:
//   graphics: DX DY NW NH TW TH TYPE FILE   at the current point + (DX, DY),
//                                           scaled TW/NW by TH/NH
//   ps::[begin] W H LLX LLY URX URY         the frame of the next plotfile
//   ps: plotfile FILE                       an EPS file scaled to that frame
//   psfile=FILE hoffset=.. voffset=.. hscale=.. vscale=.. llx=.. lly=.. urx=..
//     ury=.. rwi=.. rhi=..                  an EPS file, its bottom-left at the
//                                           current point + the offsets (points)

#include <algorithm>
#include <optional>

#include "dvi/SpecialParsing.h"
#include "render/KsDviDrawer.h"
#include "render/PictureType.h"
#include "stream/DeviceRounding.h"

namespace {

// No bounding box.
constexpr int kNoBox = -1000000;
constexpr double kPointsPerInch = 72.0;

// A scale from a size and the extent it maps; an empty extent scales by 1.
double Ratio(double size, double extent) { return extent != 0 ? size / extent : 1.0; }

// Keys of the psfile form and what they set.
struct PsfileArgs {
    std::optional<String8> file;
    double hoffset = 0, voffset = 0;  // points
    std::optional<double> hscale, vscale;
    int box[4] = {kNoBox, kNoBox, kNoBox, kNoBox};  // llx lly urx ury, points
    unsigned boxGiven = 0;                          // one bit per box value
    int rwi = -1, rhi = -1;                         // tenths of a point
};

double RealValue(unsigned char* value) {
    double d = 0;
    return getnumber(value, &d) ? d : 0;
}

int IntegerValue(unsigned char* value) {
    int i = 0;
    return ReadInteger(value, &i) ? i : 0;
}

struct PsfileKey {
    std::string_view key;  // compared at its full length, case ignored
    void (*apply)(PsfileArgs& args, unsigned char* value);
};

template <int I>
void SetBox(PsfileArgs& a, unsigned char* v) {
    a.box[I] = IntegerValue(v);
    a.boxGiven |= 1u << I;
}

constexpr PsfileKey kPsfileKeys[] = {
    {"psfile", [](PsfileArgs& a, unsigned char* v) { a.file = String8(WithoutEnclosingQuotes(Token(v))); }},
    {"hoffset", [](PsfileArgs& a, unsigned char* v) { a.hoffset = RealValue(v); }},
    {"voffset", [](PsfileArgs& a, unsigned char* v) { a.voffset = RealValue(v); }},
    {"hscale", [](PsfileArgs& a, unsigned char* v) { a.hscale = RealValue(v); }},
    {"vscale", [](PsfileArgs& a, unsigned char* v) { a.vscale = RealValue(v); }},
    {"llx", SetBox<0>},
    {"lly", SetBox<1>},
    {"urx", SetBox<2>},
    {"ury", SetBox<3>},
    {"rwi", [](PsfileArgs& a, unsigned char* v) { a.rwi = IntegerValue(v); }},
    {"rhi", [](PsfileArgs& a, unsigned char* v) { a.rhi = IntegerValue(v); }},
    // hsize, vsize and clip are read and have no effect, as every other key.
};

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
    return picture;
}

void KsDviDrawer::GraphicsSpecial(unsigned char* p, unsigned char*) {
    int d[6];
    if (!(p = ReadDimensions(p, d, 6))) return;
    auto& [dx, dy, nw, nh, tw, th] = d;
    p = SkipBlanks(p);
    std::string_view word = Token(p);
    int type = PictureTypeOfWord(word);
    if (type < 0) return;
    p = SkipBlanks(p + word.size());
    if (*p == 0) return;  // no file
    if (nw == 0 || tw == 0) nw = tw = 1;
    if (nh == 0 || th == 0) nh = th = 1;
    auto picture = NewPicture(type, String8(reinterpret_cast<char const*>(p)));
    picture->xScale = static_cast<double>(tw) / nw;
    picture->yScale = static_cast<double>(th) / nh;
    picture->x = hDot(GetH()) + dhDot(dx);
    picture->y = vDot(GetV()) + dvDot(dy);
    // The watermark metafile is placed from the paper's corner, one inch
    // above and left of the DVI origin.
    if (type == kPictureWmf && picture->fileName == dvi_->GetWaterMarkWMFFileName()) {
        picture->x = Truncate(picture->x - hDpi_);
        picture->y = Truncate(picture->y - vDpi_);
    }
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

// Pairs key=value up to the end, or up to a key without '='.
void KsDviDrawer::PsfileSpecial(unsigned char* p, unsigned char*) {
    PsfileArgs args;
    for (;;) {
        p = SkipBlanks(p);
        if (*p == 0) break;
        unsigned char* key = p;
        while (*p > 0x20 && *p != '=') ++p;
        auto keyLength = static_cast<size_t>(p - key);
        p = SkipBlanks(p);
        if (*p != '=') break;
        p = SkipBlanks(p + 1);
        for (PsfileKey const& k : kPsfileKeys)
            if (keyLength == k.key.size() && StartsWith(key, k.key)) k.apply(args, p);
        p += Token(p).size();
    }
    if (!args.file) return;

    bool boxKnown = args.boxGiven == 0xF;
    if (!boxKnown) std::fill(std::begin(args.box), std::end(args.box), kNoBox);
    auto [llx, lly, urx, ury] = args.box;
    if (!args.hscale && !args.vscale && boxKnown) {
        if (args.rwi > 0) {
            args.hscale = Ratio(args.rwi * 0.1, static_cast<double>(urx) - llx);
            args.vscale = args.rhi > 0 ? Ratio(args.rhi * 0.1, static_cast<double>(ury) - lly) : *args.hscale;
        } else if (args.rhi > 0) {
            args.hscale = args.vscale = Ratio(args.rhi * 0.1, static_cast<double>(ury) - lly);
        }
    }
    auto picture = NewPicture(kPictureEps, *args.file);
    picture->anchorTop = 0;
    picture->x = OffsetPixels(args.hoffset, hDpi_) + hDot(GetH());
    picture->y = OffsetPixels(args.voffset, vDpi_) + vDot(GetV());  // a positive offset moves down
    picture->xScale = args.hscale.value_or(0) > 0 ? *args.hscale : 1.0;
    picture->yScale = args.vscale.value_or(0) > 0 ? *args.vscale : 1.0;
    picture->llx = llx;
    picture->lly = lly;
    picture->urx = urx;
    picture->ury = ury;
    AppendPicture(std::move(picture));
}
