#pragma once
// The PostScript a page carries, run the way dvips would run it: dvips' own
// prologues (tex.pro, special.pro, color.pro), the document's header= files
// and ! specials, and what the pages before defined in global VM; then, at
// each special's place, its
// PostScript (ps: after a moveto to the special's position, ps:: as it is,
// " between @beginspecial and @endspecial) with the page's colour in force.
// The page's rules go with it, so that they stack with the PostScript as they
// do in dvips. What the PostScript and the rules draw is painted on the page
// as it draws it (white fills too), beneath the page's text; the graphics state it
// leaves after each special (graphicx's rotations and scalings, the null
// device of pgf's invisible parts: beamer's covered overlays) is handed back,
// so that the characters, rules and pictures that follow are drawn in it.

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/Affine.h"
#include "dvi/KsDvi.h"
#include "platform/gdi/Cdc.h"

namespace ksdvi {

// What the PostScript leaves in force for TeX's own characters, rules and
// pictures that follow a special.
struct PageGraphicsState {
    Affine transform;        // in device dots about the DVI origin
    bool invisible = false;  // the null device is current: nothing lands on the page
    // show is not Ghostscript's own: the characters of ShowsCharactersOf's
    // fonts are the PostScript's to draw (pst-text's \pstextpath, \pscharpath)
    bool shown = false;
    // A clip the PostScript set (TikZ's \clip, pstricks' \psclip): its
    // bounding box, left, top, right, bottom, in device dots about the DVI
    // origin; TeX's characters and rules are cut to it.
    std::optional<std::array<double, 4>> clip;
    double opacity = 1;  // of what is filled (pgf's opacity): TeX's characters take it
    bool operator==(PageGraphicsState const&) const = default;
};

class CoveredText;

class PostScriptPage {
public:
    PostScriptPage();
    ~PostScriptPage();

    struct Geometry {
        double dpiX = 96, dpiY = 96;   // device dots per inch, zoom included
        int width = 0, height = 0;     // the page in device dots
        int hOrigin = 0, vOrigin = 0;  // where the DVI origin lies
        double hPixPerDvi = 0, vPixPerDvi = 0;
    };

    // Runs page `page` of `dvi` and paints what it and the page's rules draw
    // on `dc`, or with `asPdf` draws it as a PDF page (Pdf()) instead. With
    // `pdfWhereNeeded`, a page that uses opacity or pgf's fadings (beamer's
    // shadows) is drawn as a PDF page too: only a PDF writer draws them
    // (fadings are forms of pdfmark, which Ghostscript's raster fills
    // black). False with
    // Error() set when its PostScript failed, stopped or could not run; the
    // page then has no PostScript drawing and no graphics states.
    bool Run(KsDvi& dvi, int page, Geometry const& geometry, gdi::CDC* dc, gdi::CDC* reference, bool asPdf = false,
             bool pdfWhereNeeded = false);
    std::string const& Error() const { return error_; }
    // What the page's PostScript drew, a one-page PDF; empty unless run as a
    // PDF page and something was drawn. Its page reaches past the paper to
    // the right and above: the paper's top lies PdfPaperTop() device dots
    // below the page's.
    std::string const& Pdf() const { return pdf_; }
    int PdfPaperTop() const { return pdfPaperTop_; }
    // What takes Pdf()'s page to the device's pixels.
    Affine PdfToDevice(Geometry const& g) const { return {g.dpiX / 72, 0, 0, g.dpiY / 72, 0, -double(pdfPaperTop_)}; }
    // Whether the last job stopped at the time limit.
    bool TimedOut() const { return timedOut_; }
    // Whether the last run drew the page as a PDF page.
    bool AsPdf() const { return asPdf_; }

    // Whether the page's rules were drawn with its PostScript; they are not
    // when the PostScript only transforms what follows it.
    bool DrawsRules() const { return drawsRules_; }

    // Whether the page's EPS pictures (psfile specials) were drawn with its
    // PostScript, as dvips stacks them; the drawer draws them otherwise.
    bool DrawsPictures() const { return drawsPictures_; }

    // The graphics state in force after the page's `index`-th PostScript
    // special (counted from 0).
    PageGraphicsState StateAfter(int index) const;
    // Whether the page's job shows the characters of the font numbered `id`
    // where PostScript has its own show.
    bool ShowsCharactersOf(int id) const { return shownFonts_.count(id) != 0; }
    // Paints, once, what the page's PostScript draws over TeX's characters
    // before it (CoveredText): after the page's characters are drawn.
    void PaintCoveredText(gdi::CDC* dc);

private:
    std::vector<PageGraphicsState> states_;
    std::map<int, std::string> shownFonts_;
    std::unique_ptr<CoveredText> covered_;  // font numbers, their names in the job
    std::string error_;
    int pdfPaperTop_ = 0;
    std::string pdf_;
    bool timedOut_ = false;
    bool asPdf_ = false;
    bool drawsRules_ = false;
    bool drawsPictures_ = false;
};

}  // namespace ksdvi
