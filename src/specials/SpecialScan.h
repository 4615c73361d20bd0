#pragma once
// What the handlers of specials record in a document while it is scanned:
// the document implements it. What a page begins with (its colour stack,
// its background) and what the whole document holds (anchors, paper,
// pictures, the drawing records' resolution and faces) come from here.

#include <cstdint>
#include <string>
#include <string_view>

#include "stream/String8.h"

namespace ksdvi {

struct DocumentInfo;
struct LinkBorder;
struct DvipsColorChange;
class SpotColours;

class SpecialScan {
public:
    virtual ~SpecialScan() = default;
    // A change of the colour stack, whichever special makes it.
    virtual void ChangeColour(DvipsColorChange const& change) = 0;
    virtual void SetBackground(std::uint32_t colour) = 0;
    // The document's colours so far (spots, how CMYK shows), by which colour specials are read.
    virtual SpotColours const* Spots() const { return nullptr; }
    virtual void AddAnchor(String8 const& name) = 0;
    // The first paper that reads as a size is the document's.
    virtual void SetPaper(std::string_view words) = 0;
    // dvips' landscape special: the document's paper is turned.
    virtual void SetLandscape() = 0;
    // The page is turned `degrees` clockwise for reading (PDF's /Rotate).
    virtual void SetPageRotation(int degrees) = 0;
    virtual void NotePicture(std::string_view file, int type) = 0;
    virtual void AddPictureFile(String8 const& file) = 0;
    virtual void SetRecordResolution(unsigned short resolution) = 0;
    virtual void RegisterFace(String8 const& face) = 0;
    // A kind of special only a PDF engine acts on ("pdf:docinfo"), to be named once.
    virtual void NoteEngineSpecial(std::string kind) = 0;
    // A pdf: special of any kind: the document was made for dvipdfmx.
    virtual void NotePdfSpecial() = 0;
    // A pdf: special that draws or defines what is drawn (PdfDrawingSpecials.h):
    // its keyword and its whole text after "pdf:".
    virtual void NotePdfDrawing(std::string_view keyword, std::string_view special) = 0;
    // The page draws tpic's paths, which its PDF drawing paints (TpicSpecials.h).
    virtual void NotePathDrawing() = 0;
    // A bookmark of xdvipdfmx's (pdf:outline): its level as written, whether shown open.
    virtual void AddBookmark(String8 const& title, String8 const& target, int level, bool open) = 0;
    // pdf:tounicode: the CMap the strings of the bookmarks after it are
    // written in, unless UTF-16 (PdfTextToUtf8); empty before any.
    virtual void SetBookmarkCMap(std::string_view cmap) = 0;
    virtual std::string BookmarkCMap() const = 0;
    // xdvipdfmx's link areas run on over pages: a page that begins inside
    // one (between pdf:bann and pdf:eann) continues it.
    virtual void BeginLinkArea(std::string const& target, LinkBorder const& border) = 0;
    virtual void EndLinkArea() = 0;
    // A line of dvipdfmx's font maps the document gives (pdf:mapline, as
    // pxchfon writes them): it names the faces of pTeX's fonts defined after
    // it, before the installation's maps.
    virtual void AddFontMapLine(std::string_view line) = 0;
    // What the document says of itself (pdf:docinfo): entries it has replace those before.
    virtual void AddDocumentInfo(DocumentInfo const& info) = 0;
};

}  // namespace ksdvi
