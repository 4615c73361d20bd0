#include "specials/PdfHandler.h"

#include <algorithm>
#include <string_view>

#include "specials/ColourHandler.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/PdfObjects.h"
#include "specials/PdfSpecials.h"
#include "specials/PictureSpecials.h"
#include "specials/SpecialPage.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

namespace {

PdfSpecial Parse(SpecialFamily family, unsigned char* args, unsigned char* end) {
    return ParsePdfSpecial(std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)),
                           family == SpecialFamily::PdfExtension);
}

}  // namespace

bool PdfHandler::Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) {
    using Kind = PdfSpecial::Kind;
    PdfSpecial special = Parse(family, args, end);
    if (family != SpecialFamily::PdfExtension) scan.NotePdfSpecial();
    switch (special.kind) {
    case Kind::Other:
        if (family != SpecialFamily::PdfExtension) {
            std::string_view const text(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args));
            if (std::optional<int> degrees = ThisPageRotation(text)) scan.SetPageRotation(*degrees);
            if (auto change = PdfColourChange(special.keyword, AfterPdfKeyword(text, special.keyword), scan.Spots()))
                scan.ChangeColour(*change);
        }
        if (family != SpecialFamily::PdfExtension && PdfDrawingOf(special.keyword) != PdfDrawing::None)
            scan.NotePdfDrawing(special.keyword,
                                std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
        else if (family == SpecialFamily::PdfExtension || !ShapesOnlyThePdfFile(special.keyword))
            scan.NoteEngineSpecial((family == SpecialFamily::PdfExtension ? "x:" : "pdf:") + special.keyword);
        break;
    case Kind::Anchor: scan.AddAnchor(String8(special.target)); break;
    case Kind::Outline: {
        std::string const cmap = scan.BookmarkCMap();
        scan.AddBookmark(String8(cmap.empty() ? special.title : PdfTextToUtf8(special.titleBytes, cmap)),
                         String8(special.target), special.level, special.open);
        break;
    }
    case Kind::ToUnicode: scan.SetBookmarkCMap(special.target); break;
    case Kind::Paper: scan.SetPaper(special.paper); break;
    case Kind::Information: scan.AddDocumentInfo(special.info); break;
    case Kind::MapLine: scan.AddFontMapLine(special.target); break;
    case Kind::ClipRect:
        // Still part of what the page's pdf: drawing draws.
        scan.NotePdfDrawing(special.keyword,
                            std::string_view(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
        break;
    case Kind::Image: scan.NotePicture(special.target, PictureTypeOfFileName(special.target)); break;
    case Kind::AreaStart: scan.BeginLinkArea(special.target, special.border); break;
    case Kind::AreaEnd: scan.EndLinkArea(); break;
    case Kind::None:
    case Kind::Pause:
    case Kind::Resume:
    case Kind::Box:
    case Kind::TransformStart:
    case Kind::Transform:
    case Kind::TransformEnd: break;
    }
    return true;
}

bool PdfHandler::Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) {
    using Kind = PdfSpecial::Kind;
    PdfSpecial special = Parse(family, args, end);
    switch (special.kind) {
    case Kind::AreaStart:
    case Kind::AreaEnd:
    case Kind::Pause:
    case Kind::Resume:
    case Kind::Box:
    case Kind::Anchor:
    case Kind::Image:
    case Kind::TransformStart:
    case Kind::Transform:
    case Kind::TransformEnd:
    case Kind::ClipRect: page.Pdf(special); break;
    case Kind::Other:
        if (family != SpecialFamily::PdfExtension && PdfDrawingOf(special.keyword) == PdfDrawing::Content) {
            std::string_view const text(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args));
            std::string_view const rest = AfterPdfKeyword(text, special.keyword);
            if (auto change = PdfColourChange(special.keyword, rest, colours_.Spots())) colours_.Change(page, *change);
            page.PdfContent(special.keyword, rest);
        }
        break;
    case Kind::None:
    case Kind::Outline:
    case Kind::Paper:
    case Kind::Information:
    case Kind::MapLine:
    case Kind::ToUnicode: break;
    }
    return true;
}

}  // namespace ksdvi
