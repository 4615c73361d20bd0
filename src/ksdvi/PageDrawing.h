#pragma once
// Draws a page of a ksdvi::Document, or a rectangle of it, onto a Cairo
// context, at any scale. A long page is drawn in slices, so that a viewer can
// keep its window alive and stop a drawing it no longer needs.
//
// Threads: a drawing belongs to its document's thread (ksdvi/Document.h).

#include <cairo.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "ksdvi/Document.h"

namespace ksdvi {

class PageDrawing {
public:
    // Page `page` at `pixelsPerPoint` (the device pixels one point covers:
    // zoom x screen scale; 150 dpi is 150 / 72), the part `area` of the paper
    // in points, the whole paper when empty. The document must outlive the
    // drawing and not be updated while it is drawn.
    PageDrawing(Document& document, int page, double pixelsPerPoint, Rect area = {});
    ~PageDrawing();
    PageDrawing(PageDrawing const&) = delete;
    PageDrawing& operator=(PageDrawing const&) = delete;

    // Draws up to `instructions` more of the page; true once the whole page,
    // its pictures included, is drawn (or nothing more can be drawn).
    bool Step(int instructions = 20000);
    bool IsDone() const;
    // Why the page, or part of it, could not be drawn; empty when all went well.
    std::string const& Problem() const;

    // Paints what is drawn so far onto `cr`, whose user space is the paper
    // in points (scale the context for zoom; the drawing's own resolution
    // is its pixelsPerPoint).
    void Paint(cairo_t* cr) const;
    // The pixels themselves, 32-bit xRGB (CAIRO_FORMAT_RGB24); valid while the
    // drawing lives.
    cairo_surface_t* Surface() const;
    // Where the pictures drawn so far lie (EPS, PDF and raster files the page
    // includes), in points of the paper: what a dark reading mode leaves as it is.
    std::vector<Rect> PictureAreas() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Draws a whole page (or `area` of it) onto `cr` at once: false with
// `problem` set when it could not be drawn whole. `cancel`, when set by
// another thread, stops the drawing between slices.
bool DrawPage(Document& document, int page, cairo_t* cr, double pixelsPerPoint, Rect area = {},
              std::atomic<bool> const* cancel = nullptr, std::string* problem = nullptr);

// Turns `cr`'s user space, the shown paper in points, so that the unturned
// page drawn on it afterwards shows turned as `turn` says. With the page's
// `pixelsPerPoint` it turns about the whole pixels a drawing of the page
// covers, pixel for pixel as `ksdvi render` writes a turned page.
void TurnPage(cairo_t* cr, PageTurn turn, double pixelsPerPoint = 0);

}  // namespace ksdvi
