// The specials a document keeps state for while it scans its pages.

#include "dvi/DocumentSpecials.h"
#include "dvi/DviOpcodes.h"
#include "dvi/KsDvi.h"

using namespace ksdvi;

void KsDvi::DoSpecial(unsigned char* text, int length) { DocumentSpecials(*this).Handle(text, length); }

void KsDvi::AppendPictFile(String8 const& /*name*/) {}

bool KsDvi::MadeForDvipdfmx() const { return pdfSpecials_ || dvi::IsXdvId(version_); }

void KsDvi::AppendFaceName(String8 const& face) { fontNames_.Append(face); }

int KsDvi::FindTagPage(String8 const& name) const {
    for (TagInfo const& tag : tags_)
        if (tag.name == name) return tag.page;
    return -1;
}
