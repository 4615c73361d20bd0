#include "render/Highlighter.h"

#include "interp/KsDviDrawerBase.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Brush.h"
#include "platform/gdi/RasterOps.h"

namespace gdi = ksdvi::gdi;

namespace {

// Pattern AND destination: white paper takes the pattern's colour, black ink stays.
constexpr gdi::DWORD kPatternAndDestination = 0x00A000C9;

}  // namespace

int Highlighter::Paint(gdi::CDC& dc, KsDvi& dvi, int page, int dpi, double zoom, int rowsAbove) {
    if (!search_.IsValid()) return 0;
    if (dvi_ != &dvi) {
        text_ = std::make_unique<ksdvi::UnicodeText>(dvi);
        dvi_ = &dvi;
        page_ = -1;
    }
    // A page drawn in bands is searched once.
    if (page_ != page) {
        std::vector<ksdvi::UnicodeChar> chars;
        try {
            text_->ReadPage(page, chars);
        } catch (KsDviDrawerBase::MalformedDviError const&) {
            // The page's drawing reports the fault; what was read is marked.
        }
        matches_.clear();
        search_.FindOnPage(page, chars, dvi.GetWinFont(), matches_);
        page_ = page;
    }
    std::vector<ksdvi::TextMatch> const& matches = matches_;
    auto pixels = ksdvi::PixelMapping::OneInchIn(dvi, dpi, zoom);
    gdi::CBrush yellow;
    yellow.CreateSolidBrush(gdi::RGB(255, 230, 0));
    gdi::CBrush* old = dc.SelectObject(&yellow);
    for (ksdvi::TextMatch const& match : matches)
        for (auto const& r : match.rects) {
            auto box = pixels.Box(r.left, r.top, r.width, r.height);
            dc.PatBlt(box[0], box[1] - rowsAbove, box[2], box[3], kPatternAndDestination);
        }
    dc.SelectObject(old);
    return static_cast<int>(matches.size());
}
