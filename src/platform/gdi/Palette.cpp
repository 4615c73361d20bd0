#include "platform/gdi/Palette.h"

#include <algorithm>
#include <climits>

namespace ksdvi::gdi {

BOOL CPalette::DeleteObject() {
    if (!data_ || IsStock()) return FALSE;
    data_.reset();
    return TRUE;
}

BOOL CPalette::CreatePalette(const LOGPALETTE* palette) {
    if (data_ || !palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return FALSE;
    AdoptEntries({palette->palPalEntry, palette->palPalEntry + palette->palNumEntries});
    return TRUE;
}

void CPalette::AdoptEntries(std::vector<PALETTEENTRY> entries) {
    if (!data_) data_ = std::make_shared<PaletteData>();
    data_->entries = std::move(entries);
}

int CPalette::GetEntryCount() const { return data_ ? int(data_->entries.size()) : 0; }

UINT CPalette::GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const {
    if (!data_ || start >= data_->entries.size()) return 0;
    const UINT n = std::min<UINT>(count, UINT(data_->entries.size()) - start);
    if (out) std::copy_n(data_->entries.begin() + start, n, out);
    return n;
}

UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* in) {
    if (!data_ || !in || start >= data_->entries.size()) return 0;
    const UINT n = std::min<UINT>(count, UINT(data_->entries.size()) - start);
    std::copy_n(in, n, data_->entries.begin() + start);
    return n;
}

BOOL CPalette::ResizePalette(UINT count) {
    if (!data_ || IsStock() || count == 0 || count > kMaxEntries) return FALSE;
    data_->entries.resize(count);
    return TRUE;
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
    auto p = std::make_unique<CPalette>();
    if (!p->CreatePalette(palette)) return nullptr;
    p->MarkOwnedByHandle();
    return p.release();
}

}  // namespace ksdvi::gdi
