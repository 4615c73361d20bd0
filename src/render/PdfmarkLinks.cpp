// hyperref's dvips driver (specials/PdfmarkSpecials.h) and xdvipdfmx's pdf:
// specials (specials/PdfSpecials.h): their areas become links of kind 2 and
// their anchors answer the drawer's anchor search.
// A pdfmark area on one line gets the rectangle dvips hands to Distiller:
// from its start, less a margin, to its end, the top N - 2 pt above the
// end. An area that TeX broke over lines (hyperref's breaklinks) gets one
// rectangle per line, grown from what it draws. A pdf: area is grown from
// what it draws, one rectangle per line, over pages too; a pdf:ann box is
// the box it names.

#include <algorithm>
#include <cmath>
#include <string_view>

#include "render/KsDviDrawer.h"
#include "specials/PdfSpecials.h"
#include "specials/PdfmarkSpecials.h"
#include "stream/DeviceRounding.h"

using namespace ksdvi;

namespace {

// A page of damage could break an area into millions of lines; past this
// many the last one takes in the rest.
constexpr size_t kMostAreaLines = 10000;

// Boxes on one line overlap in height; a box wholly above or below the last
// line's rectangle starts a line of its own, as every box does after
// `lineEnded`.
void GrowByLine(std::vector<KsDviDrawer::LinkRect>& lines, KsDviDrawer::LinkRect box, bool lineEnded = false) {
    if (!lines.empty()) {
        KsDviDrawer::LinkRect& last = lines.back();
        bool sameLine = !lineEnded && box.y < last.y + last.h && box.y + box.h > last.y;
        if (sameLine || lines.size() >= kMostAreaLines) {
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
    if (pdfArea_.open && !pdfArea_.paused) {
        // What is drawn outside the box the area began in starts a line.
        if (GetStackDepth() < pdfArea_.depth) {
            pdfArea_.depth = GetStackDepth();
            pdfArea_.lineEnded = true;
        }
        GrowByLine(pdfArea_.lines, LinkRect{x, y, w, h}, pdfArea_.lineEnded);
        pdfArea_.lineEnded = false;
    }
}

void KsDviDrawer::Popped() {
    if (pdfArea_.open && GetStackDepth() < pdfArea_.depth) pdfArea_.lineEnded = true;
}

int KsDviDrawer::Draw(int count) {
    int done = KsDviDrawerBase::Draw(count);
    if (done && IsWorking()) {
        EndPdfArea();
        if (postScript_) postScript_->PaintCoveredText(pDC_);
    }
    return done;
}

void KsDviDrawer::AppendAreaLink(std::string const& href, std::vector<LinkRect> const& rects,
                                 ksdvi::LinkBorder const& border) {
    auto link = std::make_unique<HyLinkInfo>();
    link->kind = 2;
    link->href = String8(href);
    link->target = "_self";
    link->border = border;
    for (LinkRect const& r : rects) link->rects.Append(r);
    AppendLink(std::move(link));
}

double KsDviDrawer::DviPerPoint() const {
    return 25400000.0 / 7227 * dvi_->GetDviDen() / std::max(1u, dvi_->GetDviNum());
}

void KsDviDrawer::Pdf(ksdvi::PdfSpecial const& special) {
    using Kind = ksdvi::PdfSpecial::Kind;
    switch (special.kind) {
    case Kind::AreaStart:
        // As xdvipdfmx, an area begun inside another is ignored.
        if (pdfArea_.open) return;
        pdfArea_ = PdfArea{};
        pdfArea_.open = true;
        pdfArea_.target = special.target;
        pdfArea_.border = special.border;
        pdfArea_.depth = GetStackDepth();
        return;
    case Kind::AreaEnd: EndPdfArea(); return;
    case Kind::Pause: pdfArea_.paused = true; return;
    case Kind::Resume: pdfArea_.paused = false; return;
    case Kind::Box: {
        if (special.target.empty()) return;
        double const perSp = DviPerPoint() / 65536;
        auto dvi = [perSp](int sp) { return static_cast<int>(std::lround(sp * perSp)); };
        int left = hDotFromHere(dvi(special.left)), right = hDotFromHere(dvi(special.right));
        int top = vDotFromHere(-dvi(special.height)), bottom = vDotFromHere(dvi(special.depth));
        AppendAreaLink(special.target, {LinkRect{left, top, std::max(right - left, 1), std::max(bottom - top, 1)}},
                       special.border);
        return;
    }
    case Kind::Anchor: MetAnchor(String8(special.target), hDot(GetH()), vDot(GetV())); return;
    case Kind::Image: PdfImagePicture(special); return;
    case Kind::TransformStart:
    case Kind::Transform:
    case Kind::TransformEnd: PdfTransform(special); return;
    case Kind::ClipRect: PdfClip(special); return;
    case Kind::None:
    case Kind::Other:
    case Kind::Outline:
    case Kind::Paper:
    case Kind::Information:
    case Kind::MapLine:
    case Kind::ToUnicode: return;
    }
}

void KsDviDrawer::EndPdfArea() {
    if (!pdfArea_.open) return;
    if (!pdfArea_.target.empty() && !pdfArea_.lines.empty())
        AppendAreaLink(pdfArea_.target, pdfArea_.lines, pdfArea_.border);
    pdfArea_ = PdfArea{};
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
    case Kind::Link:
        if (markArea_.ended) AppendAreaLink(mark.target, markArea_.rects, mark.border);
        return;
    case Kind::Anchor:
        if (markArea_.ended)
            MetAnchor(String8(mark.target), markArea_.viewX, markArea_.viewY);
        else
            MetAnchor(String8(mark.target), hDot(GetH()), vDot(GetV()));
        return;
    case Kind::None:
    case Kind::Outline:
    case Kind::Information:
    case Kind::Inert: return;
    }
}

void KsDviDrawer::EndMarkArea(PdfmarkSpecial const& mark) {
    if (!markArea_.open) return;
    markArea_.open = false;
    markArea_.ended = true;
    // hyperref's lengths are points of TeX.
    double point = DviPerPoint();
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
