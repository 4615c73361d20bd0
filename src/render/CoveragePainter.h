#pragma once
// Paints what PostScript draws as Ghostscript paints it on a page: opaquely,
// white and light colours included, and nothing where it draws nothing. The
// job runs twice, on a white page and on a black one (kBlackPage before the
// second's PostScript); where the two are light and dark nothing was drawn
// and the page stays, elsewhere the drawing replaces it. The page is changed
// in bands of at most 32,000 bytes; what the first run leaves is kept a bit a
// pixel. Only the first page of each job is painted.

#include <vector>

#include "platform/gdi/Cdc.h"
#include "platform/gs/GS.h"

namespace ksdvi {

class CoveragePainter : public GS::PageOutputter {
public:
    // Paints the second job's page black before anything else is drawn.
    static constexpr char kBlackPage[] = "gsave 0 setgray clippath fill grestore\n";

    // The page's lower left corner goes to (left, bottom) of `out`. Jobs
    // render 24 bits a pixel.
    CoveragePainter(gdi::CDC* out, gdi::CDC* reference, int left, int bottom)
        : out_(out), reference_(reference), left_(left), bottom_(bottom) {}

    void OutputPage(int w, int h) override;
    // Before the second job.
    void StartOnBlack() {
        onBlack_ = true;
        done_ = false;
    }
    // The current job's page has been taken.
    bool Done() const { return done_; }

private:
    void KeepLight(unsigned char const* bits, int w, int h, int stride);
    void Paint(GS& gs, int w, int h);

    gdi::CDC* out_;
    gdi::CDC* reference_;
    int left_, bottom_;
    bool onBlack_ = false, done_ = false;
    int width_ = 0, height_ = 0;
    std::vector<bool> light_;  // the first run's pixels that are light, rows top-down
};

}  // namespace ksdvi
