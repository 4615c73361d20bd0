// Device-context state: the save stack, mapping modes, clipping and fills.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PixelProbe.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi::gdi {
namespace {

using test::CountColor;
using test::CountPixels;
using test::InkBox;
using test::WhiteDevice;

// Objects the state pieces select; two of each kind.
struct Objects {
    CPen pens[2] = {CPen(PS_SOLID, 1, RGB(1, 2, 3)), CPen(PS_DASH, 1, RGB(4, 5, 6))};
    CBrush brushes[2] = {CBrush(RGB(7, 8, 9)), CBrush(HS_CROSS, RGB(1, 1, 1))};
    CFont fonts[2];
    Objects() {
        LOGFONTA lf;
        lf.lfHeight = -10;
        fonts[0].CreateFontIndirectA(&lf);
        lf.lfHeight = -20;
        fonts[1].CreateFontIndirectA(&lf);
    }
    static Objects& Get() {
        static Objects objects;
        return objects;
    }
};

struct StatePiece {
    const char* name;
    std::function<void(CDC&, int variant)> set;
    std::function<std::string(CDC&)> get;
};

std::string Str(long long v) { return std::to_string(v); }
std::string Str(POINT p) { return Str(p.x) + "," + Str(p.y); }
std::string Str(SIZE s) { return Str(s.cx) + "x" + Str(s.cy); }
std::string Ptr(const void* p) { return std::to_string(reinterpret_cast<std::uintptr_t>(p)); }

const StatePiece kPieces[] = {
    {"text colour", [](CDC& dc, int v) { dc.SetTextColor(RGB(v, 0, 0)); },
     [](CDC& dc) { return Str(dc.GetTextColor()); }},
    {"background colour", [](CDC& dc, int v) { dc.SetBkColor(RGB(0, v, 0)); },
     [](CDC& dc) { return Str(dc.GetBkColor()); }},
    {"background mode", [](CDC& dc, int v) { dc.SetBkMode(v % 2 ? OPAQUE : TRANSPARENT); },
     [](CDC& dc) { return Str(dc.GetBkMode()); }},
    {"ROP2", [](CDC& dc, int v) { dc.SetROP2(v % 2 ? R2_XORPEN : R2_MERGEPEN); },
     [](CDC& dc) { return Str(dc.GetROP2()); }},
    {"stretch mode", [](CDC& dc, int v) { dc.SetStretchBltMode(v % 2 ? HALFTONE : COLORONCOLOR); },
     [](CDC& dc) { return Str(dc.GetStretchBltMode()); }},
    {"fill mode", [](CDC& dc, int v) { dc.SetPolyFillMode(v % 2 ? WINDING : ALTERNATE); },
     [](CDC& dc) { return Str(dc.GetPolyFillMode()); }},
    {"text alignment", [](CDC& dc, int v) { dc.SetTextAlign(v % 2 ? TA_BASELINE : TA_RIGHT | TA_BOTTOM); },
     [](CDC& dc) { return Str(dc.GetTextAlign()); }},
    {"map mode", [](CDC& dc, int v) { dc.SetMapMode(v % 2 ? MM_ANISOTROPIC : MM_LOMETRIC); },
     [](CDC& dc) { return Str(dc.GetMapMode()); }},
    {"window origin", [](CDC& dc, int v) { dc.SetWindowOrgEx(v, -v, nullptr); },
     [](CDC& dc) { return Str(dc.GetWindowOrg()); }},
    {"viewport origin", [](CDC& dc, int v) { dc.SetViewportOrgEx(-v, v, nullptr); },
     [](CDC& dc) { return Str(dc.GetViewportOrg()); }},
    {"extents",
     [](CDC& dc, int v) {
         dc.SetMapMode(MM_ANISOTROPIC);
         dc.SetWindowExtEx(10 + v, 20, nullptr);
         dc.SetViewportExtEx(30, 40 + v, nullptr);
     },
     [](CDC& dc) { return Str(dc.GetWindowExt()) + " " + Str(dc.GetViewportExt()); }},
    {"pen", [](CDC& dc, int v) { dc.SelectObject(&Objects::Get().pens[v % 2]); },
     [](CDC& dc) { return Ptr(dc.GetCurrentPen()); }},
    {"brush", [](CDC& dc, int v) { dc.SelectObject(&Objects::Get().brushes[v % 2]); },
     [](CDC& dc) { return Ptr(dc.GetCurrentBrush()); }},
    {"font", [](CDC& dc, int v) { dc.SelectObject(&Objects::Get().fonts[v % 2]); },
     [](CDC& dc) { return Ptr(dc.GetCurrentFont()); }},
    {"clip",
     [](CDC& dc, int v) {
         dc.SelectClipRgn(nullptr);
         dc.IntersectClipRect(v, v, 20 + v, 30);
     },
     [](CDC& dc) {
         RECT r;
         dc.GetClipBox(&r);
         return Str(r.left) + " " + Str(r.top) + " " + Str(r.right) + " " + Str(r.bottom);
     }},
    {"current position", [](CDC& dc, int v) { dc.MoveTo(v, 3 * v); },
     [](CDC& dc) { return Str(dc.GetCurrentPosition()); }},
};

void PrintTo(const StatePiece& piece, std::ostream* os) { *os << piece.name; }

class SaveRestoreTest : public testing::TestWithParam<StatePiece> {};

TEST_P(SaveRestoreTest, RestoreDCBringsThePieceBack) {
    auto device = WhiteDevice(100, 100);
    CDC dc(*device);
    const StatePiece& piece = GetParam();
    piece.set(dc, 1);
    const std::string before = piece.get(dc);
    EXPECT_EQ(dc.SaveDC(), 1);
    piece.set(dc, 2);
    const std::string changed = piece.get(dc);
    EXPECT_NE(changed, before) << piece.name;
    EXPECT_EQ(dc.SaveDC(), 2);
    piece.set(dc, 3);
    EXPECT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(piece.get(dc), changed) << piece.name;
    EXPECT_TRUE(dc.RestoreDC(1));  // by level: back to before the first save
    EXPECT_EQ(piece.get(dc), before) << piece.name;
    EXPECT_FALSE(dc.RestoreDC(-1));  // nothing left
}

INSTANTIATE_TEST_SUITE_P(Pieces, SaveRestoreTest, testing::ValuesIn(kPieces), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(StateTest, AnisotropicMappingMapsTheWindowBoxOntoTheViewportBox) {
    auto device = WhiteDevice(300, 300);
    CDC dc(*device);
    // In MM_TEXT the extents count for nothing.
    dc.SetWindowExtEx(100, 100, nullptr);
    dc.SetViewportExtEx(10, 10, nullptr);
    POINT t{7, 7};
    dc.LPtoDP(&t);
    EXPECT_EQ(t.x, 7);
    // Logical (1000..2000, 500..1000) onto device (50..250, 20..120).
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowOrgEx(1000, 500, nullptr);
    dc.SetWindowExtEx(1000, 500, nullptr);
    dc.SetViewportOrgEx(50, 20, nullptr);
    dc.SetViewportExtEx(200, 100, nullptr);
    CBrush black(RGB(0, 0, 0));
    const RECT box{1000, 500, 2000, 1000};
    dc.FillRect(&box, &black);
    EXPECT_EQ(test::Edges(InkBox(*device)), (test::Box{50, 20, 250, 120}));
    POINT p{1500, 750};
    dc.LPtoDP(&p);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 70);
    dc.DPtoLP(&p);
    EXPECT_EQ(p.x, 1500);
    EXPECT_EQ(p.y, 750);
    // A flipped viewport turns y upwards.
    dc.SetViewportExtEx(200, -100, nullptr);
    POINT q{1000, 1000};
    dc.LPtoDP(&q);
    EXPECT_EQ(q.y, -80);
}

// A rectangle region; a path along the pixel centres of the same outline; a
// ring left by excluding a square from a rectangle.
enum class ClipKind { Region, Path, Ring };

struct ClipCase {
    ClipKind kind;
    test::Box box;
    int complexity, area;
};

class ClipTest : public testing::TestWithParam<ClipCase> {};

// Fills, shapes and lines all stay inside the clip.
TEST_P(ClipTest, ClippingRestrictsPainting) {
    auto device = WhiteDevice(100, 100);
    CDC dc(*device);
    CRgn region;
    region.CreateRectRgn(20, 30, 60, 70);
    if (GetParam().kind == ClipKind::Region) dc.SelectClipRgn(&region);
    if (GetParam().kind == ClipKind::Path) {
        dc.BeginPath();
        dc.Rectangle(20, 30, 61, 71);
        dc.EndPath();
        ASSERT_TRUE(dc.SelectClipPath(RGN_COPY));
    }
    if (GetParam().kind == ClipKind::Ring) {
        dc.IntersectClipRect(10, 10, 40, 40);
        dc.ExcludeClipRect(20, 20, 30, 30);
    }
    RECT box;
    EXPECT_EQ(dc.GetClipBox(&box), GetParam().complexity);
    EXPECT_EQ(test::Edges(box), GetParam().box);
    CBrush red(RGB(255, 0, 0));
    const RECT all{0, 0, 100, 100};
    dc.FillRect(&all, &red);
    EXPECT_EQ(test::Edges(InkBox(*device)), GetParam().box);
    EXPECT_EQ(CountColor(*device, all, RGB(255, 0, 0)), GetParam().area);
    dc.SelectObject(&red);
    dc.Ellipse(0, 0, 100, 100);
    dc.MoveTo(0, 12);
    dc.LineTo(100, 12);
    EXPECT_EQ(CountPixels(*device, all, [](COLORREF c) { return c != RGB(255, 255, 255); }), GetParam().area);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ClipTest,
                         testing::Values(ClipCase{ClipKind::Region, {20, 30, 60, 70}, SIMPLEREGION, 40 * 40},
                                         ClipCase{ClipKind::Path, {20, 30, 60, 70}, SIMPLEREGION, 40 * 40},
                                         ClipCase{ClipKind::Ring, {10, 10, 40, 40}, COMPLEXREGION, 30 * 30 - 10 * 10}));

TEST(StateTest, PathsRecordInsteadOfDrawing) {
    auto device = WhiteDevice(60, 60);
    CDC dc(*device);
    dc.BeginPath();
    dc.MoveTo(10, 10);
    dc.LineTo(50, 10);
    dc.LineTo(50, 50);
    dc.CloseFigure();
    dc.EndPath();
    EXPECT_EQ(InkBox(*device).right, 0);  // nothing painted yet
    std::vector<POINT> points(3);
    std::vector<BYTE> types(3);
    ASSERT_EQ(dc.GetPath(points.data(), types.data(), 3), 3);
    EXPECT_EQ(types[0], PT_MOVETO);
    EXPECT_EQ(types[1], PT_LINETO);
    EXPECT_EQ(types[2], PT_LINETO | PT_CLOSEFIGURE);
    CBrush black(RGB(0, 0, 0));
    dc.SelectObject(&black);
    ASSERT_TRUE(dc.FillPath());
    EXPECT_EQ(device->GetPixel(45, 20), RGB(0, 0, 0));  // below the diagonal's upper side
    EXPECT_EQ(device->GetPixel(15, 40), RGB(255, 255, 255));
    EXPECT_FALSE(dc.FillPath());  // the path is used up
}

TEST(StateTest, PolyDrawFollowsItsPointTypes) {
    auto device = WhiteDevice(60, 60);
    CDC dc(*device);
    const POINT pts[4] = {{10, 10}, {50, 10}, {10, 50}, {50, 50}};
    const BYTE types[4] = {PT_MOVETO, PT_LINETO, PT_MOVETO, PT_LINETO};
    ASSERT_TRUE(dc.PolyDraw(pts, types, 4));
    EXPECT_EQ(device->GetPixel(30, 10), RGB(0, 0, 0));
    EXPECT_EQ(device->GetPixel(30, 50), RGB(0, 0, 0));
    EXPECT_EQ(device->GetPixel(10, 30), RGB(255, 255, 255));  // moves draw nothing
    const BYTE bad[4] = {PT_MOVETO, PT_BEZIERTO, PT_LINETO, 0x40};
    EXPECT_FALSE(dc.PolyDraw(pts, bad, 4));
}

}  // namespace
}  // namespace ksdvi::gdi
