// The link and picture lists of a drawer: link areas grow from what is drawn
// while an anchor is open, and are hit-tested and highlighted for the host.

#include <algorithm>

#include "render/KsDviDrawer.h"

using namespace ksdvi::gdi;

void KsDviDrawer::HyLinkInfo::AddBox(int x, int y, int w, int h) {
    if (rects.IsEmpty()) {
        rects.Append(LinkRect{x, y, w, h});
        return;
    }
    LinkRect& last = rects.GetTail()->value;
    int left = std::min(last.x, x), top = std::min(last.y, y);
    int right = std::max(last.x + last.w, x + w), bottom = std::max(last.y + last.h, y + h);
    last = LinkRect{left, top, right - left, bottom - top};
}

KsDviDrawer::HyLinkInfo* KsDviDrawer::LastLink() const {
    return linkList_.IsEmpty() ? nullptr : linkList_.GetTail()->value;
}

void KsDviDrawer::AppendLink(std::unique_ptr<HyLinkInfo> link) {
    linkList_.Append(link.get());
    links_.push_back(std::move(link));
}

void KsDviDrawer::ClearPictList() {
    pictList_.RemoveAll();
    pictures_.clear();
}

KsDviDrawer::HyLinkInfo* KsDviDrawer::FindHyLink(int x, int y) const {
    for (HyLinkInfo* link : linkList_)
        for (LinkRect const& r : link->rects)
            if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return link;
    return nullptr;
}

// `which`: 0 every link, 1 anchors (kind 0), 2 hypertext areas (kind 1).
void KsDviDrawer::DrawHyperlinkMark(int which) {
    if (!device_) return;
    for (HyLinkInfo* link : linkList_) {
        if ((which == 1 && link->kind != 0) || (which == 2 && link->kind != 1)) continue;
        for (LinkRect const& r : link->rects) device_->MarkBox(r.x, r.y, r.x + r.w, r.y + r.h, linkColor_);
    }
}
