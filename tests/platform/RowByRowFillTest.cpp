// A surface that takes its fill row by row (the raster beneath a vector page)
// shows what a surface filled at once shows, whatever is drawn on it, read
// from it, copied or cleared: the same steps on both, every pixel compared.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"

namespace ksdvi::gdi {
namespace {

void ExpectSamePixels(Surface const& whole, Surface const& rows) {
    ASSERT_EQ(whole.Width(), rows.Width());
    ASSERT_EQ(whole.Height(), rows.Height());
    for (int y = 0; y < whole.Height(); ++y)
        for (int x = 0; x < whole.Width(); ++x) ASSERT_EQ(whole.At(x, y), rows.At(x, y)) << x << "," << y;
}

TEST(RowByRowFill, ShowsWhatAWholeFillShows) {
    struct Step {
        char const* what;
        std::function<void(CDC&, Surface&)> run;
    };
    Step const steps[] = {
        {"nothing drawn", [](CDC&, Surface&) {}},
        {"a rectangle", [](CDC& dc, Surface&) { dc.Rectangle(10, 10, 40, 30); }},
        {"a line",
         [](CDC& dc, Surface&) {
             dc.MoveTo(0, 79);
             dc.LineTo(63, 35);
         }},
        {"rows inverted where nothing was drawn", [](CDC& dc, Surface&) { dc.PatBlt(0, 50, 64, 10, DSTINVERT); }},
        {"rows copied from others", [](CDC& dc, Surface&) { dc.BitBlt(0, 62, 64, 6, &dc, 0, 8, SRCCOPY); }},
        {"a new page", [](CDC&, Surface& s) { s.Fill(kWhitePixel); }},
        {"another background", [](CDC&, Surface& s) { s.Fill(PixelFromColor(RGB(200, 220, 255))); }},
        {"a pixel on it", [](CDC& dc, Surface&) { dc.SetPixel(5, 70, RGB(255, 0, 0)); }},
        {"white again", [](CDC&, Surface& s) { s.Fill(kWhitePixel); }},
    };
    // Each way of reading, first after the steps so far: it meets rows that
    // have not had the fill.
    using Read = std::function<std::shared_ptr<Surface>(std::shared_ptr<Surface> const&)>;
    Read const reads[] = {
        [](std::shared_ptr<Surface> const& s) { return s; },
        [](std::shared_ptr<Surface> const& s) { return s->Clone(); },
        [](std::shared_ptr<Surface> const& s) { return s->Turned(90); },
    };
    for (size_t last = 0; last < std::size(steps); ++last) {
        SCOPED_TRACE(steps[last].what);
        for (size_t read = 0; read < std::size(reads); ++read) {
            SCOPED_TRACE(read);
            RasterDeviceSpec spec;
            spec.width = 64;
            spec.height = 80;
            auto whole = RasterDevice::Create(spec);
            spec.fillRowByRow = true;
            auto rows = RasterDevice::Create(spec);
            ASSERT_TRUE(whole && rows);
            CDC wholeDc(*whole), rowsDc(*rows);
            Surface &a = *whole->GetSurface(), &b = *rows->GetSurface();
            for (size_t i = 0; i <= last; ++i) {
                steps[i].run(wholeDc, a);
                steps[i].run(rowsDc, b);
            }
            EXPECT_EQ(a.HasColour(), b.HasColour());
            ExpectSamePixels(*reads[read](whole->GetSurface()), *reads[read](rows->GetSurface()));
        }
    }
}

}  // namespace
}  // namespace ksdvi::gdi
