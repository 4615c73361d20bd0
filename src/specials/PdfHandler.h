#pragma once
// XeTeX's documents speak to xdvipdfmx in pdf: specials (PdfSpecials.h).
// The document keeps the anchors, the bookmarks, the paper (pdf:pagesize
// as dvips' papersize) and which link area each page begins inside; the
// page places link areas and anchors. The kinds only a PDF engine acts on
// (pdf:docinfo, pdf:obj, ...) are kept to be named once.

#include "specials/SpecialHandler.h"

namespace ksdvi {

class ColourHandler;

class PdfHandler final : public SpecialHandler {
public:
    static constexpr SpecialFamily kFamilies[] = {SpecialFamily::Pdf, SpecialFamily::PdfExtension};

    // pdf:bcolor, pdf:scolor and pdf:ecolor change `colours`' stack.
    explicit PdfHandler(ColourHandler& colours) : colours_(colours) {}

    bool Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char* end) override;
    bool Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char* end) override;

private:
    ColourHandler& colours_;
};

}  // namespace ksdvi
