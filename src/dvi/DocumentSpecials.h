#pragma once
// What a document keeps from its specials while it scans: the colour stack
// and the page background, anchors, the paper, the pictures each page names,
// the drawing records' resolution and faces (the handlers' document pass,
// SpecialRegistry.h), and from the PostScript specials the prologue, the
// pages that carry PostScript of their own and hyperref's outline, and
// the link areas of xdvipdfmx's that run on over pages.

#include <string>
#include <string_view>

#include "dvi/KsDvi.h"
#include "specials/SpecialScan.h"
#include "stream/String8.h"

namespace ksdvi {

struct PdfmarkSpecial;

class DocumentSpecials final : public SpecialScan {
public:
    explicit DocumentSpecials(KsDvi& dvi) : dvi_(dvi) {}

    // `text` holds `length` bytes and a NUL after them; the bytes may contain
    // NULs of their own. Specials that do not parse change nothing.
    void Handle(unsigned char* text, int length);

    void ChangeColour(DvipsColorChange const& change) override;
    void SetBackground(std::uint32_t colour) override;
    SpotColours const* Spots() const override;
    void AddAnchor(String8 const& name) override;
    void SetPaper(std::string_view words) override;
    void SetLandscape() override;
    void SetPageRotation(int degrees) override;
    void NotePicture(std::string_view file, int type) override;
    void AddPictureFile(String8 const& file) override;
    void SetRecordResolution(unsigned short resolution) override;
    void RegisterFace(String8 const& face) override;
    void NoteEngineSpecial(std::string kind) override;
    void NotePdfSpecial() override;
    void NotePdfDrawing(std::string_view keyword, std::string_view special) override;
    void NotePathDrawing() override;
    void AddBookmark(String8 const& title, String8 const& target, int level, bool open) override;
    void SetBookmarkCMap(std::string_view cmap) override;
    std::string BookmarkCMap() const override { return dvi_.bookmarkCMap_; }
    void BeginLinkArea(std::string const& target, LinkBorder const& border) override;
    void EndLinkArea() override;
    void AddFontMapLine(std::string_view line) override;
    void AddDocumentInfo(DocumentInfo const& info) override;

private:
    void NotePostScript(unsigned char* text, int length);
    // Tells the document's caller, once, that pages need Ghostscript.
    void MeetPostScript();
    // A prologue piece, within the document's bound on them.
    void NoteHeader(KsDvi::PostScriptHeader header);
    void NotePdfmark(PdfmarkSpecial const& mark);
    int DeepestNextLevel() const;

    KsDvi& dvi_;
};

}  // namespace ksdvi
