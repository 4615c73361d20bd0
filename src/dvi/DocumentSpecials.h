#pragma once
// The specials whose state a document keeps while it scans: binary records
// (record resolution, face names), the colour stack and the page background
// (in ksdvi's keywords and in those of dvips), anchors, the paper, and the
// pictures each page names. One handler per family of SpecialKeywords.h.

#include <string_view>

#include "dvi/KsDvi.h"
#include "dvi/SpecialKeywords.h"
#include "stream/String8.h"

namespace ksdvi {

struct PdfmarkSpecial;

class DocumentSpecials {
public:
    explicit DocumentSpecials(KsDvi& dvi) : dvi_(dvi) {}

    // `text` holds `length` bytes and a NUL after them; the bytes may contain
    // NULs of their own. Specials that do not parse change nothing.
    void Handle(unsigned char* text, int length);

private:
    // A handler gets the bytes after its keyword and the end of the special
    // (where the NUL is). It returns false to pass the special on to be read
    // as a psfile special, true when the special is decided (used or ignored).
    using Handler = bool (DocumentSpecials::*)(unsigned char* args, unsigned char* end);
    // Null for the families only the drawer acts on.
    static Handler HandlerOf(SpecialFamily family);

    bool BinaryRecord(unsigned char* args, unsigned char* end);
    bool ColorPush(unsigned char* args, unsigned char* end);
    bool ColorPop(unsigned char* args, unsigned char* end);
    bool BackgroundColor(unsigned char* args, unsigned char* end);
    // The colour specials of dvips (DvipsColour.h).
    bool DvipsColor(unsigned char* args, unsigned char* end);
    bool DvipsBackground(unsigned char* args, unsigned char* end);
    bool HtmlAnchor(unsigned char* args, unsigned char* end);
    bool HypertextAnchor(unsigned char* args, unsigned char* end);
    bool GraphicsPicture(unsigned char* args, unsigned char* end);
    // dvips' papersize=W,H: the first that reads as a size is the document's paper.
    bool PaperSize(unsigned char* args, unsigned char* end);
    // What no keyword took: blank-separated key=value pairs, of which only
    // psfile is used.
    void PsfilePicture(unsigned char* text);

    void NotePostScript(unsigned char* text, int length);
    // A prologue piece, within the document's bound on them.
    void NoteHeader(KsDvi::PostScriptHeader header);
    void NotePicture(std::string_view file, int type);
    void NotePdfmark(PdfmarkSpecial const& mark);
    void RegisterFace(String8 const& face);
    void AppendTag(String8 const& name);

    KsDvi& dvi_;
};

}  // namespace ksdvi
