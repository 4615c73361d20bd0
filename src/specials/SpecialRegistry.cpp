#include "specials/SpecialRegistry.h"

namespace ksdvi {

SpecialRegistry::SpecialRegistry() {
    Register(colour_);
    Register(shape_);
    Register(link_);
    Register(picture_);
    Register(postScript_);
    Register(record_);
    Register(paper_);
    Register(source_);
    Register(pdf_);
    Register(tpic_);
}

template <typename Handler>
void SpecialRegistry::Register(Handler& handler) {
    for (SpecialFamily family : Handler::kFamilies) byFamily_[static_cast<size_t>(family)] = &handler;
}

SpecialHandler* SpecialRegistry::HandlerOf(SpecialKeyword const* keyword) const {
    return keyword ? byFamily_[static_cast<size_t>(keyword->family)] : nullptr;
}

void SpecialRegistry::Scan(SpecialScan& scan, unsigned char* text, size_t length) {
    SpecialKeyword const* keyword = FindSpecialKeyword(text, length);
    SpecialHandler* handler = HandlerOf(keyword);
    if (handler && handler->Scan(scan, keyword->family, text + keyword->word.size(), text + length)) return;
    picture_.ScanPsfile(scan, text);
}

void SpecialRegistry::BeginPage(KsDvi const& document, int page) {
    for (SpecialHandler* handler : {static_cast<SpecialHandler*>(&colour_), static_cast<SpecialHandler*>(&postScript_)})
        handler->BeginPage(document, page);
}

void SpecialRegistry::Paint(SpecialPage& page, unsigned char* text, size_t length, bool invisible) {
    SpecialKeyword const* keyword = FindSpecialKeyword(text, length);
    if (invisible && (!keyword || keyword->inks)) return;
    SpecialHandler* handler = HandlerOf(keyword);
    if (handler && handler->Paint(page, keyword->family, text + keyword->word.size(), text + length)) return;
    picture_.PaintPsfile(page, text);
}

}  // namespace ksdvi
