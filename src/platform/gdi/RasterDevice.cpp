#include "platform/gdi/RasterDevice.h"

#include <cmath>

#include "platform/gdi/PngWriter.h"

namespace ksdvi::gdi {

int DeviceCaps::Get(int index) const {
    const auto millimetres = [](int pixels, int dpi) { return int(std::lround(pixels * 25.4 / std::max(dpi, 1))); };
    switch (index) {
    case TECHNOLOGY: return technology;
    case HORZRES: return width;
    case VERTRES: return height;
    case HORZSIZE: return millimetres(width, dpiX);
    case VERTSIZE: return millimetres(height, dpiY);
    case LOGPIXELSX: return dpiX;
    case LOGPIXELSY: return dpiY;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case NUMBRUSHES:
    case NUMPENS: return -1;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case RASTERCAPS: return rasterCaps;
    case PHYSICALWIDTH: return technology == DT_RASPRINTER ? physicalWidth : 0;
    case PHYSICALHEIGHT: return technology == DT_RASPRINTER ? physicalHeight : 0;
    case PHYSICALOFFSETX: return technology == DT_RASPRINTER ? physicalOffsetX : 0;
    case PHYSICALOFFSETY: return technology == DT_RASPRINTER ? physicalOffsetY : 0;
    default: return 0;
    }
}

std::unique_ptr<RasterDevice> RasterDevice::Create(const RasterDeviceSpec& spec) {
    if (spec.dpiX <= 0 || spec.dpiY <= 0) return nullptr;
    auto surface = Surface::Create(spec.width, spec.height, false, PixelFromColor(spec.background),
                                   spec.fillRowByRow ? Surface::Filling::RowByRow : Surface::Filling::Now);
    if (!surface) return nullptr;
    DeviceCaps caps;
    caps.technology = spec.kind == DeviceKind::Printer ? DT_RASPRINTER : DT_RASDISPLAY;
    caps.width = spec.width;
    caps.height = spec.height;
    caps.dpiX = spec.dpiX;
    caps.dpiY = spec.dpiY;
    if (spec.kind == DeviceKind::Printer) {
        caps.physicalWidth = spec.physicalWidth > 0 ? spec.physicalWidth : spec.width;
        caps.physicalHeight = spec.physicalHeight > 0 ? spec.physicalHeight : spec.height;
        caps.physicalOffsetX = spec.physicalOffsetX;
        caps.physicalOffsetY = spec.physicalOffsetY;
    }
    return std::unique_ptr<RasterDevice>(new RasterDevice(std::move(surface), caps));
}

COLORREF RasterDevice::GetPixel(int x, int y) const {
    if (!surface_->Contains(x, y)) return CLR_INVALID;
    return ColorFromPixel(surface_->At(x, y));
}

void RasterDevice::Clear(COLORREF color) { surface_->Fill(PixelFromColor(color)); }

bool RasterDevice::WritePng(const std::string& path) const { return WriteSurfacePng(*surface_, path); }

}  // namespace ksdvi::gdi
