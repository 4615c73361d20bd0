// A raster device: a BGRX surface of a given size and resolution that a CDC
// paints on, standing for a window or a printer page. The host reads its
// pixels or writes them as PNG.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/gdi/Surface.h"
#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

enum class DeviceKind { Window, Printer };

struct RasterDeviceSpec {
    int width = 0;  // pixels
    int height = 0;
    int dpiX = 96;  // LOGPIXELSX
    int dpiY = 96;
    DeviceKind kind = DeviceKind::Window;
    // Printers: the paper in device pixels and the printable area's offset on it.
    int physicalWidth = 0;
    int physicalHeight = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    COLORREF background = RGB(255, 255, 255);
    // The surface takes the background row by row (Surface::Filling).
    bool fillRowByRow = false;
};

// What GetDeviceCaps reports; memory contexts copy it from their reference.
struct DeviceCaps {
    int technology = DT_RASDISPLAY;
    int width = 0;
    int height = 0;
    int dpiX = 96;
    int dpiY = 96;
    int physicalWidth = 0;
    int physicalHeight = 0;
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int rasterCaps = RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;

    int Get(int index) const;
};

class RasterDevice {
public:
    // Null when the size is not positive or too large for memory.
    static std::unique_ptr<RasterDevice> Create(const RasterDeviceSpec& spec);

    int Width() const { return surface_->Width(); }
    int Height() const { return surface_->Height(); }
    const DeviceCaps& Caps() const { return caps_; }
    int GetDeviceCaps(int index) const { return caps_.Get(index); }

    COLORREF GetPixel(int x, int y) const;
    const Pixel* Row(int y) const { return std::as_const(*surface_).Row(y); }
    const std::shared_ptr<Surface>& GetSurface() const { return surface_; }
    void Clear(COLORREF color);
    bool HasColour() const { return surface_->HasColour(); }

    // 8-bit grey when no pixel has colour, 8-bit RGB otherwise.
    bool WritePng(const std::string& path) const;

private:
    RasterDevice(std::shared_ptr<Surface> surface, const DeviceCaps& caps)
        : surface_(std::move(surface)), caps_(caps) {}

    std::shared_ptr<Surface> surface_;
    DeviceCaps caps_;
};

}  // namespace ksdvi::gdi
