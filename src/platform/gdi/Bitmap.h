// CBitmap: a device-dependent bitmap, which a memory device context draws
// into. One bit per pixel makes a monochrome bitmap; every other depth is
// held as BGRX.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

class CDC;

class CBitmap : public CGdiObject {
public:
    static constexpr std::size_t kUnknownSize = std::numeric_limits<std::size_t>::max();

    CBitmap() = default;

    GdiObjectKind Kind() const override { return GdiObjectKind::Bitmap; }
    bool HasContents() const override { return surface_ != nullptr; }
    BOOL DeleteObject() override;

    // Rows top-down, each padded to a 16-bit boundary. Bits beyond `bitsSize`
    // read as zero.
    BOOL CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits,
                      std::size_t bitsSize = kUnknownSize);
    // Monochrome when the context holds a monochrome surface, as a fresh
    // memory context does.
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    int GetBitmap(BITMAP* out) const;

    const std::shared_ptr<Surface>& GetSurface() const { return surface_; }
    // Adopts a surface, as a host does to wrap pixels it made.
    BOOL Attach(std::shared_ptr<Surface> surface);

private:
    std::shared_ptr<Surface> surface_;
};

using HBITMAP = CBitmap*;

}  // namespace ksdvi::gdi
