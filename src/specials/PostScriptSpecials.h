#pragma once
// The PostScript specials of dvips, as its drivers write them (graphicx,
// xcolor, TikZ/pgf, beamer, pstricks):
//   ps:CODE          CODE at the special's position (a moveto first)
//   ps::CODE         CODE as it is, no position; ps::[begin]CODE positions,
//                    ps::[end]CODE and ps::[nobreak]CODE (animate's long
//                    JavaScript strings) do not
//   "CODE            CODE between @beginspecial @setspecial and @endspecial,
//                    in points from the special's position
//   !CODE            CODE put before the pages, once for the document
//   header=FILE      a prologue file put before the pages
// and those pstricks writes for xdvipdfmx, under XeTeX:
//   PST:CODE         as ps:CODE, but reckoned in big points with y up
//   pst:CODE         as "CODE
// ps: plotfile is a picture, and hyperref's link and bookmark specials
// (ps:SDict begin ... end, see PdfmarkSpecials.h) are read, not run.

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

namespace ksdvi {

struct PostScriptSpecial {
    enum class Kind {
        None,
        Positioned,
        Raw,
        Quoted,
        Literal,
        Header,
        Pdfmark,
        PositionedInBigPoints,  // PST:
        QuotedForXdvipdfmx,     // pst:
    };
    Kind kind = Kind::None;
    std::string_view code;  // the PostScript, or the header file's name; after "ps:" for Pdfmark
};

PostScriptSpecial ParsePostScriptSpecial(unsigned char const* text, size_t length);

// The file of `ps: plotfile FILE`.
std::optional<std::string_view> ParsePlotfile(unsigned char const* text, size_t length);

// Whether PostScript switches to global VM (`true setglobal`), where what it
// defines outlives the page's save and restore.
bool DefinesInGlobalVm(std::string_view code);
// The paper `code` asks the page device for, in big points:
// `<< /PageSize [W H] >> setpagedevice`, as KOMA-Script writes it for dvips
// on a page whose paper changes.
std::optional<std::pair<double, double>> PageSizeRequest(std::string_view code);
// Whether `code` draws with transparency: sets an opacity other than a plain
// 1 (pgf's and pstricks' drivers, Ghostscript's own operators), begins a
// transparency group or uses pgf's fadings (/SP pdfmark).
bool CallsForTransparency(std::string_view code);
// Whether `code` begins or ends a form of pdfmark (/BP, /EP).
bool MakesPdfForm(std::string_view code);
bool EndsPdfForm(std::string_view code);

// Whether running the special's PostScript draws on or changes the page, as
// opposed to the prologue specials (!, header=).
inline bool IsPagePostScript(PostScriptSpecial const& s) {
    using Kind = PostScriptSpecial::Kind;
    return s.kind == Kind::Positioned || s.kind == Kind::Raw || s.kind == Kind::Quoted ||
           s.kind == Kind::PositionedInBigPoints || s.kind == Kind::QuotedForXdvipdfmx;
}

// Whether ksdvi can follow what the special's PostScript does to the graphics
// state without Ghostscript: dvips' coordinates, no @beginspecial.
inline bool IsFollowedWithoutGhostscript(PostScriptSpecial const& s) {
    return s.kind == PostScriptSpecial::Kind::Positioned || s.kind == PostScriptSpecial::Kind::Raw;
}

}  // namespace ksdvi
