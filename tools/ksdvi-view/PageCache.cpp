#include "PageCache.h"

#include <algorithm>
#include <cmath>

namespace ksdvi::view {

namespace {

bool SameResolution(double a, double b) { return std::fabs(a - b) < 1e-9 * std::max(1.0, a); }

}  // namespace

void PageCache::Put(int page, double pixelsPerPoint, cairo_surface_t* surface) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->page == page && SameResolution(it->pixelsPerPoint, pixelsPerPoint)) {
            bytes_ -= it->bytes;
            cairo_surface_destroy(it->surface);
            entries_.erase(it);
            break;
        }
    std::uint64_t bytes =
        std::uint64_t(cairo_image_surface_get_stride(surface)) * std::uint64_t(cairo_image_surface_get_height(surface));
    entries_.push_front({page, pixelsPerPoint, cairo_surface_reference(surface), bytes});
    bytes_ += bytes;
    Trim();
}

cairo_surface_t* PageCache::Sharp(int page, double pixelsPerPoint) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->page == page && !it->stale && SameResolution(it->pixelsPerPoint, pixelsPerPoint)) {
            Touch(it);
            return entries_.front().surface;
        }
    return nullptr;
}

cairo_surface_t* PageCache::Any(int page, double* pixelsPerPoint) {
    for (Entry const& entry : entries_)
        if (entry.page == page) {
            *pixelsPerPoint = entry.pixelsPerPoint;
            return entry.surface;
        }
    return nullptr;
}

std::vector<int> PageCache::Pages() const {
    std::vector<int> pages;
    for (Entry const& entry : entries_)
        if (std::find(pages.begin(), pages.end(), entry.page) == pages.end()) pages.push_back(entry.page);
    return pages;
}

void PageCache::MarkStale(int page) {
    for (Entry& entry : entries_)
        if (entry.page == page) entry.stale = true;
}

void PageCache::Clear() {
    for (Entry& entry : entries_) cairo_surface_destroy(entry.surface);
    entries_.clear();
    bytes_ = 0;
}

void PageCache::Touch(std::list<Entry>::iterator it) { entries_.splice(entries_.begin(), entries_, it); }

// The newest entry always stays, however large.
void PageCache::Trim() {
    while (bytes_ > bound_ && entries_.size() > 1) {
        Entry& last = entries_.back();
        bytes_ -= last.bytes;
        cairo_surface_destroy(last.surface);
        entries_.pop_back();
    }
}

}  // namespace ksdvi::view
