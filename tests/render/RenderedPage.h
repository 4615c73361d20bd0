#pragma once
// Pages drawn for the tests. A Canvas is a white device of a given size; a
// RenderedPage is a page of a test document drawn on one as `ksdvi render`
// draws it (the DVI origin one inch from the top and left edges, the link
// colour blue), on letter-size paper. Its drawer stays open, so that tests read its
// links, anchors and pictures as well as the pixels.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DocumentSession.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"
#include "render/PageRenderer.h"
#include "support/Cli.h"

namespace ksdvi::test {

using ksdvi::gdi::COLORREF;
using ksdvi::gdi::RGB;

inline constexpr COLORREF kLinkBlue = RGB(0, 0, 255);
inline constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0),
                          kBlue = RGB(0, 0, 255), kMagenta = RGB(255, 0, 255);

// A pixel a page must have, and why.
struct Probe {
    int x, y;
    COLORREF color;
    char const* what;
};
inline constexpr double kSpPerInch = 4736286.72;

// A DVI position as a pixel at `dpi` with the DVI origin one inch in.
inline int ToPixel(double sp, int dpi) { return dpi + static_cast<int>(sp * dpi / kSpPerInch + 0.5); }

struct Canvas {
    Canvas(int width, int height, int dpi)
        : device(ksdvi::gdi::RasterDevice::Create({width, height, dpi, dpi})), dc(*device) {}
    // Page `page` of `dvi` drawn whole by a drawer of its own, the DVI origin
    // at (h, v); 1 when the page was drawn to its end.
    int Draw(KsDvi& dvi, int page, int h, int v) {
        KsDviDrawer drawer;
        if (drawer.Open(dc, dvi, page, fpreal4::FromRaw(10000), h, v, 0, String8()) != 1) return -1;
        int const drawn = drawer.Draw(-1);
        drawer.Close();
        return drawn;
    }
    COLORREF Pixel(int x, int y) const { return device->GetPixel(x, y); }
    bool Dark(int x, int y) const { return ksdvi::gdi::GetRValue(Pixel(x, y)) < 128; }
    int Width() const { return device->Width(); }
    int Height() const { return device->Height(); }

    std::unique_ptr<ksdvi::gdi::RasterDevice> device;
    ksdvi::gdi::CDC dc;
};

// Reading the installation's font map once serves every test.
inline ksdvi::TeXFonts& Fonts() {
    static ksdvi::TeXFonts fonts;
    return fonts;
}

class RenderedPage : public Canvas {
public:
    // `page` is 0-based; `anchor` is the anchor the drawer looks for; with
    // `colourLinkText` the text of html: links is drawn in the link colour.
    RenderedPage(std::string const& file, int page, int dpi, String8 const& anchor = String8(),
                 bool colourLinkText = false)
        : Canvas(17 * dpi / 2, 11 * dpi, dpi), session_(DataFile(file), {}, Fonts()) {
        drawer_.SetLinkTextColoured(colourLinkText);
        if (session_.Load()) DrawWholePage(drawer_, dc, session_.Document(), page, dpi, 1.0, anchor);
    }
    ~RenderedPage() { drawer_.Close(); }

    bool Opened() const { return drawer_.IsWorking() != 0; }
    KsDviDrawer& Drawer() { return drawer_; }
    KsDvi& Document() { return session_.Document(); }

private:
    DocumentSession session_;
    KsDviDrawer drawer_;
};

// Page i of `file` drawn at 72 dpi has the pixels of pages[i].
inline void ExpectPagePixels(std::string const& file, std::vector<std::vector<Probe>> const& pages) {
    for (size_t index = 0; index < pages.size(); ++index) {
        RenderedPage page(file, static_cast<int>(index), 72);
        ASSERT_TRUE(page.Opened()) << file;
        for (Probe const& p : pages[index])
            EXPECT_EQ(page.Pixel(p.x, p.y), p.color)
                << file << " page " << index << ": " << p.what << " at (" << p.x << ", " << p.y << ")";
    }
}

}  // namespace ksdvi::test
