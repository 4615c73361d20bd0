#pragma once
// Properties of a scanned document and of its pages' text that the DVI
// targets check for every input.

#include <cstddef>

#include "dvi/KsDvi.h"
#include "text/UnicodeText.h"

namespace ksdvi::fuzz {

// What the scan recorded describes bytes of the file: pages in order within
// it, readable at their recorded length, colour stacks and picture lists
// within their limits, anchors on pages the scan met, bookmarks in UTF-8.
void CheckPageTable(KsDvi& dvi, size_t fileSize);

// A page as `ksdvi select` reads it: its characters lie at instructions of
// the page; a selection over the whole page has at most a rectangle per line.
void CheckSelection(KsDvi& dvi, int page);

// A page's text as `ksdvi text` and `search` read it: its characters lie at
// instructions of the page and read as UTF-8; matches lie on the page,
// within the limit.
void CheckText(KsDvi& dvi, int page, UnicodeText& text);

// A search of the first `pages` pages finds matches on them only, within the limit.
void CheckSearch(KsDvi& dvi, int pages);

}  // namespace ksdvi::fuzz
