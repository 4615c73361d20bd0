#pragma once
// xdvipdfmx's pdf: specials that hold links, anchors, bookmarks and the
// paper (hyperref's xetex and dvipdfmx drivers, the bookmark package):
//   bann <<dict>>, eann      a link area over what is drawn between them,
//                            one rectangle a line (also beginann, bannot;
//                            endann, eannot)
//   nolink, link             what is drawn between them is not the area's
//   ann [@name] width W height H depth D <<dict>>
//                            a link area of that box at the current point
//                            (also annot, annotate; bbox LLX LLY URX URY in
//                            bp instead of the dimensions)
//   dest (name) [...]        an anchor at the current point
//   outline [-] N <<dict>>   a bookmark at level N (also out); [] shows it
//                            open, [-] or nothing closed
//   pagesize width W height H   the paper
//   tounicode CMAP           the encoding of the bookmarks' strings after it
//   docinfo << /Title (...) ... >>   the document's title, author ...
//   image [@name] KEYS (file)   a picture (graphicx's dvipdfmx and xetex
//                            drivers): width/height LENGTH, or the bbox's
//                            size in bp, times scale/xscale/yscale; raster
//                            files only (PDF pages, turned pictures: Other)
// A link's dictionary leads by /Dest, or /A with /URI, GoTo /D or GoToR
// /F and /D (PdfLinkTarget); a bookmark's has /Title as well. Other
// keywords (docview, obj, put, image, ...) act only in a PDF.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "specials/DocumentInfo.h"
#include "specials/LinkBorder.h"

namespace ksdvi {

struct PdfSpecial {
    enum class Kind {
        None,         // malformed
        Other,        // a keyword ksdvi leaves to PDF engines
        AreaStart,    // bann: target
        AreaEnd,      // eann
        Pause,        // nolink
        Resume,       // link
        Box,          // ann: target, width, height, depth
        Anchor,       // dest: target
        Outline,      // target, title, level, open
        Paper,        // pagesize: paper
        Information,  // docinfo: info
        MapLine,      // mapline: target (a line of dvipdfmx's font maps)
        // tounicode: target (the CMap in which the bookmarks' strings after
        // it are written unless they are UTF-16, as pxjahyper has pLaTeX's)
        ToUnicode,
        // literal "X Y W H re W n": a clip to that rectangle about the
        // current point (bp, y up), which graphicx's xetex driver sets
        // around a picture it trims; box: X, Y, X + W, Y + H
        ClipRect,
        Image,  // image: target (the file), right and height
        // A transformation of what follows, about the current point: begun
        // (with the state saved), added to the one in force, or ended (the
        // saved state back)
        TransformStart,
        Transform,
        TransformEnd,
    };
    Kind kind = Kind::None;
    std::string keyword;  // as written, at most kLongestPdfKeyword letters
    // AreaStart, Box: "#name", a URL or a file, empty for none; Anchor and
    // Outline: the anchor's name, empty for none
    std::string target;
    LinkBorder border;  // AreaStart, Box: the frame of the link
    std::string title;  // Outline: UTF-8
    std::string titleBytes;  // Outline: as written, for another CMap (ToUnicode)
    DocumentInfo info;  // Information: the entries it has
    int level = 0;      // Outline: as written, within ±kFarthestPdfOutlineLevel
    bool open = false;  // Outline
    // Box: scaled points from the current point, the edges rightwards and
    // the top up and the bottom down; Image: its width (right) and height
    // (height), the lower left corner at the current point; both 0 for a
    // picture at its own size (a raster file's at 72 dpi unless it says),
    // one 0 for that side in the picture's proportions
    int left = 0, right = 0, height = 0, depth = 0;
    std::string paper;  // Paper: "W,H" as papersize= has it
    // TransformStart, Transform, Image: a PDF matrix [a b c d e f] (y up,
    // offsets in bp), about the current point
    double matrix[6] = {1, 0, 0, 1, 0, 0};
    int page = 1;  // Image: a page of a PDF file
    // Image: the part of the picture shown (bbox, in bp; graphicx's
    // viewport and trim), and whether what lies outside it is cut off
    std::optional<std::array<double, 4>> box;
    bool clip = false;
};

inline constexpr size_t kLongestPdfKeyword = 28;
inline constexpr int kFarthestPdfOutlineLevel = 1000;
// Longer pdf: specials of the kinds above are damage, not links: they are not read.
inline constexpr size_t kLongestPdfSpecial = size_t(1) << 20;

// Whether a pdf: keyword ksdvi leaves to PDF engines only shapes the PDF
// file (its version, how a reader opens it, names, article threads,
// attached files): leaving it out changes nothing a page shows.
bool ShapesOnlyThePdfFile(std::string_view keyword);

// `args` follows "pdf:", or with `extension` "x:" (dvipdfmx's own specials,
// of which the transformations are read).
PdfSpecial ParsePdfSpecial(std::string_view args, bool extension = false);
// The keyword that begins `args`, as ParsePdfSpecial reads it.
std::string_view PdfKeywordOf(std::string_view args);
// The turn `put @thispage << ... /Rotate N ... >>` gives the page (pdflscape's
// landscape pages): degrees clockwise, 0, 90, 180 or 270; nullopt for any
// other special.
std::optional<int> ThisPageRotation(std::string_view args);

}  // namespace ksdvi
