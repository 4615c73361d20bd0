#pragma once
// What the binary drawing records need of the page they are played on: the
// context they draw on, the document whose drawing state carries from page
// to page, where DVI units land, and the page's picture budget. The painting
// drawer provides it; the record interpreter sees nothing else of it.

#include <cstdint>
#include <vector>

#include "platform/gdi/Cdc.h"
#include "platform/gdi/DecodeBounds.h"

class KsDvi;

namespace ksdvi {

class PixelMapping;

class RecordCanvas {
public:
    virtual ~RecordCanvas() = default;
    // Null between pages.
    virtual gdi::CDC* Context() const = 0;
    virtual KsDvi* Document() const = 0;
    virtual PixelMapping const& Pixels() const = 0;
    // Record units (1/R inch, R the document's record resolution) in device dots.
    virtual int RecordUnitsToDots(int units) const = 0;
    // Bounds for decoding a picture now, and counting a decoded one against
    // the page (0 when it does not fit).
    virtual gdi::DecodeBounds PictureBounds() const = 0;
    virtual std::uint64_t ChargePicture(std::vector<unsigned char> const& dib) = 0;
};

}  // namespace ksdvi
