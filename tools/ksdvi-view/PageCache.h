#pragma once
// Pages drawn at a resolution, kept within a memory bound: the least
// recently shown go first. A page drawn at another resolution stands in,
// scaled, until its sharp drawing is ready.

#include <cairo.h>

#include <cstdint>
#include <list>
#include <map>
#include <utility>
#include <vector>

namespace ksdvi::view {

class PageCache {
public:
    explicit PageCache(std::uint64_t bytes) : bound_(bytes) {}
    ~PageCache() { Clear(); }
    PageCache(PageCache const&) = delete;
    PageCache& operator=(PageCache const&) = delete;

    // Takes a reference to `surface`, drawn at `pixelsPerPoint`.
    void Put(int page, double pixelsPerPoint, cairo_surface_t* surface);
    // The drawing of `page` at `pixelsPerPoint`, or null.
    cairo_surface_t* Sharp(int page, double pixelsPerPoint);
    // Any drawing of `page`, with its resolution; null when none.
    cairo_surface_t* Any(int page, double* pixelsPerPoint);
    // The pages it holds a drawing of.
    std::vector<int> Pages() const;
    // The drawings of `page` only stand in from now on (the page changed).
    void MarkStale(int page);
    void Clear();
    std::uint64_t Bytes() const { return bytes_; }

private:
    struct Entry {
        int page;
        double pixelsPerPoint;
        cairo_surface_t* surface;
        std::uint64_t bytes;
        bool stale = false;
    };
    void Touch(std::list<Entry>::iterator it);
    void Trim();

    std::uint64_t bound_;
    std::uint64_t bytes_ = 0;
    std::list<Entry> entries_;  // most recently used first
};

}  // namespace ksdvi::view
