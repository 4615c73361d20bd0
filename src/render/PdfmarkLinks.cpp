// hyperref's dvips driver (specials/PdfmarkSpecials.h): its areas become links of
// kind 2 and its anchors answer the drawer's anchor search. An area on one
// line gets the rectangle dvips hands to Distiller: from its start, less a
// margin, to its end, the top N - 2 pt above the end. An area that TeX broke
// over lines (hyperref's breaklinks) gets one rectangle per line, grown from
// what it draws.

#include <algorithm>
#include <string_view>

#include "render/KsDviDrawer.h"
#include "specials/PdfmarkSpecials.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

namespace {

// Boxes on one line overlap in height; a box wholly above or below the last
// line's rectangle starts a line of its own.
void GrowByLine(std::vector<KsDviDrawer::LinkRect>& lines, KsDviDrawer::LinkRect box) {
    if (!lines.empty()) {
        KsDviDrawer::LinkRect& last = lines.back();
        if (box.y < last.y + last.h && box.y + box.h > last.y) {
            int left = std::min(last.x, box.x), top = std::min(last.y, box.y);
            int right = std::max(last.x + last.w, box.x + box.w), bottom = std::max(last.y + last.h, box.y + box.h);
            last = {left, top, right - left, bottom - top};
            return;
        }
    }
    lines.push_back(box);
}

}  // namespace

void KsDviDrawer::GrowLinkAreas(int x, int y, int w, int h) {
    if (anchorOpen_)
        if (HyLinkInfo* link = LastLink()) link->AddBox(x, y, w, h);
    if (markArea_.open) GrowByLine(markArea_.lines, LinkRect{x, y, w, h});
}

void KsDviDrawer::Pdfmark(PdfmarkSpecial const& mark) {
    using Kind = PdfmarkSpecial::Kind;
    switch (mark.kind) {
    case Kind::AreaStart:
        markArea_ = MarkArea{};
        markArea_.open = true;
        markArea_.h = GetH();
        markArea_.v = GetV();
        return;
    case Kind::LinkEnd:
    case Kind::AnchorEnd:
    case Kind::BoxEnd: EndMarkArea(mark); return;
    case Kind::Border: markBorderPoints_ = mark.points; return;
    case Kind::Link: {
        if (!markArea_.ended) return;
        auto link = std::make_unique<HyLinkInfo>();
        link->kind = 2;
        link->href = String8(mark.target);
        link->target = "_self";
        for (LinkRect const& r : markArea_.rects) link->rects.Append(r);
        AppendLink(std::move(link));
        return;
    }
    case Kind::Anchor:
        if (markArea_.ended)
            MetAnchor(String8(mark.target), markArea_.viewX, markArea_.viewY);
        else
            MetAnchor(String8(mark.target), hDot(GetH()), vDot(GetV()));
        return;
    case Kind::None:
    case Kind::Outline:
    case Kind::Inert: return;
    }
}

void KsDviDrawer::EndMarkArea(PdfmarkSpecial const& mark) {
    if (!markArea_.open) return;
    markArea_.open = false;
    markArea_.ended = true;
    // hyperref's lengths are points of TeX: DVI units through the document's units.
    double point = 25400000.0 / 7227 * dvi_->GetDviDen() / std::max(1u, dvi_->GetDviNum());
    double border = markBorderPoints_ * point;
    auto x = [this](double h) { return RoundHalfAway(h * pixels_.PerDviX()) + pixels_.OriginX(); };
    auto y = [this](double v) { return RoundHalfAway(v * pixels_.PerDviY()) + pixels_.OriginY(); };
    double h = GetH(), v = GetV();
    bool box = mark.kind == PdfmarkSpecial::Kind::BoxEnd;
    int left = x(markArea_.h - border), bottom = y(markArea_.v + border);
    int right = box ? x(h + border) : x(h);
    int top = box ? y(v - border) : y(v - (mark.points - 2) * point);
    markArea_.viewX = x(markArea_.h);
    markArea_.viewY = box ? y(v) : top;

    if (markArea_.lines.size() > 1) {
        markArea_.rects = markArea_.lines;
        return;
    }
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    markArea_.rects = {LinkRect{left, top, right - left, bottom - top}};
}
