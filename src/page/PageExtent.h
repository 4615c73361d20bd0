#pragma once
// What TeX set on a page, without drawing it: the box around its characters
// (their widths, heights and depths from the metric files) and rules, and the
// box preview.sty asks for with its tightpage option. DVI units, from the DVI
// origin, v downwards.

#include <cstdint>
#include <optional>

#include "specials/PreviewSpecials.h"

class KsDvi;

namespace ksdvi {

struct DviBox {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(DviBox const&) const = default;
};

struct PageExtent {
    // Characters and rules; none when the page sets neither.
    std::optional<DviBox> texBox;
    // The first ps:: special of the page in a document with preview's
    // bop-hook and tight pages, as dvipng reads it.
    std::optional<PreviewBox> preview;
};

// The extent of `page` (0-based); nullopt when the page cannot be read. A
// page malformed part of the way has the extent of what comes before.
std::optional<PageExtent> ExtentOf(KsDvi& dvi, int page);

// Whether the document's prologue (! specials) holds preview's bop-hook with
// tight pages.
bool HasPreviewTightPages(KsDvi const& dvi);

}  // namespace ksdvi
