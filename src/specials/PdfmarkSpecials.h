#pragma once
// hyperref's dvips driver writes links, anchors and bookmarks as PostScript
// meant for Distiller, each special "ps:SDict begin ... end":
//   H.S                 an area starts at the current point
//   N H.L, N H.A        a link's or an anchor's area ends at the current point,
//                       its top N - 2 pt above (N is \baselineskip in pt)
//   H.R                 a box's area ends at the current point, its top right
//   [... /ANN pdfmark   the link of the last area: /Dest (name) cvn, or an
//                       /Action or /A dictionary with /URI, or /F and /D
//   [... /DEST pdfmark  an anchor, /Dest (name) cvn, at the last area's start
//   [... /OUT pdfmark   a bookmark: /Title, /Dest and /Count, the number of
//                       entries right under it (negative: shown closed)
//   [... /DOCINFO pdfmark  the document's title, author, subject, keywords
//   /HyperBorder{N PDFToDvips}def   the margin around areas, N pt (1 pt
//                       until set)
// Other pdfmarks (viewer settings, page labels) and
// hyperref's test for Distiller do nothing for a viewer.

#include <string>
#include <string_view>

#include "specials/DocumentInfo.h"
#include "specials/LinkBorder.h"

namespace ksdvi {

struct PdfmarkSpecial {
    enum class Kind { None, AreaStart, LinkEnd, AnchorEnd, BoxEnd, Link, Anchor, Outline, Border, Information, Inert };
    Kind kind = Kind::None;
    double points = 0;   // LinkEnd, AnchorEnd: N; Border: the margin
    std::string target;  // Link: "#name", a URL or a file; Anchor, Outline: the anchor's name
    LinkBorder border;   // Link: its frame
    std::string title;   // Outline: UTF-8
    int count = 0;       // Outline
    DocumentInfo info;   // Information: the entries it has
};

// `code` follows "ps:". Kind None: PostScript of another kind.
PdfmarkSpecial ParsePdfmarkSpecial(std::string_view code);

// Whether ParsePdfmarkSpecial would read `code` as one of them, without
// reading what a pdfmark says.
bool IsPdfmarkSpecial(std::string_view code);

}  // namespace ksdvi
