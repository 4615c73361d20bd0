// The drawing-record interpreter's life over pages, the choice of family, and
// what all "GDI" shapes share: coordinates and the prologue around drawing.

#include "render/GdiSpecialInterpreter.h"

#include <cstring>

#include "dvi/KsDvi.h"
#include "page/PixelMapping.h"
#include "render/SharedDrawingValues.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;
using namespace ksdvi::gdi;

namespace {

// One inch in scaled points: "GDI" coordinates count from the paper's corner,
// DVI positions from one inch in.
constexpr int64_t kInchSp = 4736287;

// Record units of 1/res inch in scaled points, truncating as the records expect.
int64_t ToSp(int c, unsigned res) { return int64_t{c} * 86 / res + (int64_t{c} * 47362 / res) * 100; }

}  // namespace

SharedDrawingValues& ksdvi::DrawingValuesOf(KsDvi& dvi) {
    std::shared_ptr<void>& slot = dvi.DrawerState();
    if (!slot) slot = std::make_shared<SharedDrawingValues>();
    return *static_cast<SharedDrawingValues*>(slot.get());
}

GdiSpecialInterpreter::GdiSpecialInterpreter(RecordCanvas& canvas) : canvas_(canvas) {}

GdiSpecialInterpreter::~GdiSpecialInterpreter() { EndPage(); }

int GdiSpecialInterpreter::BeginPage() {
    EndPage();
    dc_ = canvas_.Context();
    shared_ = &DrawingValuesOf(*canvas_.Document());
    shared_->ResetForPage();
    played_ = false;
    return 0;
}

// Between pages no special is taken: the context may be gone.
int GdiSpecialInterpreter::EndPage() {
    dc_ = nullptr;
    pen_.reset();
    brush_.reset();
    clipRect_.reset();
    clipRegion_.reset();
    bitmap_.reset();
    dib_.clear();
    attributes_.fill(0);
    attributesSet_ = false;
    return 0;
}

int GdiSpecialInterpreter::PlaySpecial(unsigned char const* bytes, unsigned int length, int, int) {
    if (!dc_ || !bytes) return 0;
    if (length >= 3 && std::memcmp(bytes, "GDI", 3) == 0) {
        PlayGdiRecord(bytes, length, 0);
        played_ = true;
        return 1;
    }
    if (length < 3 || bytes[0] != '#') return 0;
    RecordReader record(bytes + 1, bytes + length);
    if (!PlayStateRecord(record)) return 0;
    played_ = true;
    return 1;
}

int GdiSpecialInterpreter::DeviceX(int c) const {
    double sp = static_cast<double>(ToSp(c, resX_) - kInchSp);
    return RoundHalfAway(RoundHalfAway(sp * canvas_.Pixels().PerDviX()) + static_cast<double>(canvas_.Pixels().X(0)));
}

int GdiSpecialInterpreter::DeviceY(int c) const {
    double sp = static_cast<double>(ToSp(c, resY_) - kInchSp);
    return RoundHalfAway(RoundHalfAway(sp * canvas_.Pixels().PerDviY()) + static_cast<double>(canvas_.Pixels().Y(0)));
}

int GdiSpecialInterpreter::SizeX(int c) const {
    return Ceiling(static_cast<double>(ToSp(c, resX_)) * canvas_.Pixels().PerDviX());
}

int GdiSpecialInterpreter::SizeY(int c) const {
    return Ceiling(static_cast<double>(ToSp(c, resY_)) * canvas_.Pixels().PerDviY());
}

bool GdiSpecialInterpreter::ReadPoints(RecordReader& record, unsigned count, std::vector<POINT>& points) const {
    // Four bytes a point: a count the record cannot hold allocates nothing.
    if (record.Left() / 4 < count) return false;
    points.resize(count);
    for (POINT& p : points) {
        int x = record.Int16Le(), y = record.Int16Le();
        p = POINT{DeviceX(x), DeviceY(y)};
    }
    return record.Ok();
}

void GdiSpecialInterpreter::Prologue() {
    dc_->SaveDC();
    if (pen_) dc_->SelectObject(pen_.get());
    if (brush_)
        dc_->SelectObject(brush_.get());
    else
        dc_->SelectStockObject(NULL_BRUSH);
    if (attributesSet_) ApplyAttributes();
}

void GdiSpecialInterpreter::Epilogue() { dc_->RestoreDC(-1); }
