// CGdiObject: the base of pens, brushes, fonts, bitmaps, regions and
// palettes. A "handle" is the object's own address; an object without
// created contents has no handle. Device contexts keep their own reference
// to a selected object's contents, so deleting a selected object is safe.
#pragma once

#include "platform/gdi/Types.h"

namespace ksdvi::gdi {

class CGdiObject;
using HGDIOBJ = CGdiObject*;

enum class GdiObjectKind { Pen, Brush, Font, Bitmap, Region, Palette };

class CGdiObject {
public:
    virtual ~CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    virtual GdiObjectKind Kind() const = 0;
    virtual bool HasContents() const = 0;
    // Releases the contents; the object may be created again afterwards.
    virtual BOOL DeleteObject() = 0;

    HGDIOBJ GetSafeHandle() { return HasContents() ? this : nullptr; }
    operator HGDIOBJ() { return GetSafeHandle(); }
    static CGdiObject* FromHandle(HGDIOBJ h) { return h; }

    // Stock objects are never deleted; objects made by the handle-returning
    // free functions are deleted by ::DeleteObject.
    bool IsStock() const { return stock_; }
    bool IsOwnedByHandle() const { return ownedByHandle_; }
    void MarkStock() { stock_ = true; }
    void MarkOwnedByHandle() { ownedByHandle_ = true; }

protected:
    CGdiObject() = default;

private:
    bool stock_ = false;
    bool ownedByHandle_ = false;
};

// Deletes an object made by a Create* free function; for any other object
// it releases the contents. Stock objects are left alone.
BOOL DeleteObject(HGDIOBJ h);
// The stock pens, brushes, fonts and the default palette.
HGDIOBJ GetStockObject(int index);

}  // namespace ksdvi::gdi
