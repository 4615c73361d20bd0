#pragma once
// The handlers of every family of specials, found by the keyword that
// begins a special (SpecialKeywords.h). A document holds one for its scan
// and every painter one for its pages, so that what a family keeps on a
// page (the colour stack, the plotfile frame) belongs to that painter.

#include <array>
#include <cstddef>

#include "specials/ColourHandler.h"
#include "specials/LinkHandler.h"
#include "specials/PaperHandler.h"
#include "specials/PdfHandler.h"
#include "specials/PictureHandler.h"
#include "specials/PostScriptHandler.h"
#include "specials/RecordHandler.h"
#include "specials/ShapeHandler.h"
#include "specials/SourceHandler.h"
#include "specials/TpicHandler.h"

namespace ksdvi {

class SpecialRegistry {
public:
    SpecialRegistry();
    SpecialRegistry(SpecialRegistry const&) = delete;
    SpecialRegistry& operator=(SpecialRegistry const&) = delete;

    // `text` holds `length` bytes and a NUL after them; the bytes may hold
    // NULs of their own. What does not parse changes nothing.
    void Scan(SpecialScan& scan, unsigned char* text, size_t length);
    void BeginPage(KsDvi const& document, int page);
    // While `invisible` (the page's PostScript drew to another device) only
    // the specials that carry state are taken.
    void Paint(SpecialPage& page, unsigned char* text, size_t length, bool invisible);

    ColourHandler const& Colours() const { return colour_; }

private:
    template <typename Handler>
    void Register(Handler& handler);
    SpecialHandler* HandlerOf(SpecialKeyword const* keyword) const;

    ColourHandler colour_;
    ShapeHandler shape_;
    LinkHandler link_;
    PictureHandler picture_;
    PostScriptHandler postScript_;
    RecordHandler record_;
    PaperHandler paper_;
    SourceHandler source_;
    PdfHandler pdf_{colour_};
    TpicHandler tpic_;
    std::array<SpecialHandler*, kSpecialFamilyCount> byFamily_{};
};

}  // namespace ksdvi
