// Links and anchors of html: and hypertext: specials (specials/LinkHandler.h)
// placed on the page.

#include "render/KsDviDrawer.h"
#include "specials/HyperlinkSpecials.h"

void KsDviDrawer::Html(ksdvi::HtmlSpecial const& html) {
    switch (html.kind) {
    case ksdvi::HtmlSpecial::Kind::End:
        if (!anchorOpen_) return;
        anchorOpen_ = 0;
        if (!linkTextColoured_) return;
        device_->SetGlyphColour(savedColor_);
        fillColour_ = savedColor_;
        return;
    case ksdvi::HtmlSpecial::Kind::Link: {
        auto link = std::make_unique<HyLinkInfo>();
        link->kind = 0;
        link->href = html.href;
        link->target = html.target;
        AppendLink(std::move(link));
        anchorOpen_ = 1;
        // When asked, text inside a link is drawn in the link colour, rules
        // and fills too.
        if (!linkTextColoured_) return;
        savedColor_ = pDC_->GetTextColor();
        device_->SetGlyphColour(linkColor_);
        fillColour_ = linkColor_;
        return;
    }
    case ksdvi::HtmlSpecial::Kind::Name: MetAnchor(html.name, hDot(GetH()), vDot(GetV())); return;
    default: return;
    }
}

void KsDviDrawer::Hypertext(ksdvi::HypertextSpecial const& area) {
    if (area.anchor) {
        MetAnchor(area.value, hDot(area.x), vDot(area.y));
        return;
    }
    auto link = std::make_unique<HyLinkInfo>();
    link->kind = 1;
    link->href = area.value;
    link->target = area.target;
    link->AddBox(hDot(area.x), vDot(area.y), dhDot(area.width), dvDot(area.height));
    AppendLink(std::move(link));
}

void KsDviDrawer::MetAnchor(String8 const& name, int x, int y) {
    // A page of damage could hold millions; a page of a document holds few.
    constexpr size_t kMostAnchors = 100000;
    if (anchorPoints_.size() < kMostAnchors) anchorPoints_.push_back({name, x, y});
    if (searchTag_.GetLength() == 0 || name != searchTag_) return;
    tagFound_ = 1;
    tagH_ = x;
    tagV_ = y;
}
