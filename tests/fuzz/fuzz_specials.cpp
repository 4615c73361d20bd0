// Fuzz target: specials, as TeX's packages write them into pages. The input
// is a sequence of specials (SpecialSequence.h). Each is read by a document,
// as its scan reads every special (colours, anchors, pictures, PostScript
// headers, hyperref's and xdvipdfmx's bookmarks, the paper size), and by a
// painting drawer standing on an empty page (colours, lines and shapes,
// links, pictures from memory, the drawing records, the areas of hyperref's
// pdfmarks and of pdf: specials); the PostScript of each goes through the
// evaluator of graphicx's transformations (and, with the pdf: ones, where
// the text layer finds the characters they turn), and the pdf: drawing
// specials through the writer of their PDF.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzEnvironment.h"
#include "MemoryPictureDrawer.h"
#include "SpecialSequence.h"
#include "Utf8.h"
#include "page/Paper.h"
#include "platform/gdi/RasterDevice.h"
#include "render/PdfDrawingPage.h"
#include "render/PostScriptTransforms.h"
#include "specials/PdfObjects.h"
#include "specials/PdfmarkSpecials.h"
#include "specials/PostScriptSpecials.h"
#include "support/DviBuilder.h"
#include "text/TextTransforms.h"

using namespace ksdvi::fuzz;

namespace {

constexpr int kDpi = 72;

// A document fed specials as its scan feeds them: NUL-terminated copies.
// One document serves every input, renewed for each as a rerun renews it:
// a new document's table of 65,536 font numbers costs more than the specials.
// Every paper size is read, and the document keeps the first valid one.
class SpecialDocument : public KsDvi {
public:
    void Special(std::string_view text) {
        std::vector<unsigned char> copy(text.begin(), text.end());
        copy.push_back(0);
        DoSpecial(copy.data(), static_cast<int>(text.size()));
        static constexpr std::string_view kPaper = "papersize=";
        // xdvipdfmx's pdf:pagesize is a paper of the document's too.
        pdfPaper_ = pdfPaper_ || (text.starts_with("pdf:") && text.find("pagesize") != std::string_view::npos);
        if (!text.starts_with(kPaper)) return;
        std::optional<ksdvi::Paper> paper = ksdvi::ParsePaperSpecial(std::string(text.substr(kPaper.size())));
        if (!paper) return;
        FUZZ_CHECK(paper->width > 0 && paper->height > 0);
        if (!firstPaper_) firstPaper_ = paper;
        FUZZ_CHECK(pdfPaper_ || GetPaperSpecial() == firstPaper_);
    }
    void Renew() {
        RenewDvi();
        firstPaper_.reset();
        pdfPaper_ = false;
        FUZZ_CHECK(!GetPaperSpecial());
    }

private:
    std::optional<ksdvi::Paper> firstPaper_;
    bool pdfPaper_ = false;
};

// A drawer fed specials as a page holds them: a block of exactly their
// bytes, no NUL after it, so that AddressSanitizer sees any read past it.
class SpecialDrawer : public MemoryPictureDrawer {
public:
    SpecialDrawer(ksdvi::gdi::CDC& dc, KsDvi& page) {
        Open(dc, page, 0, fpreal4::FromDouble(1.0), kDpi, kDpi, ksdvi::gdi::RGB(0, 0, 255), String8("here"));
    }
    ~SpecialDrawer() override { Close(); }
    void Special(std::string_view text) {
        auto block = std::make_unique<unsigned char[]>(text.size());
        std::memcpy(block.get(), text.data(), text.size());
        DoSpecial(static_cast<unsigned>(text.size()), InstPtr(block.get()));
    }
};

struct EmptyPage {
    EmptyPage() : device(ksdvi::gdi::RasterDevice::Create({64, 64, kDpi, kDpi})) {
        std::vector<uint8_t> const bytes = DviBuilder().Pre().Page().Post().bytes;
        std::string const path = ScratchFile("empty.dvi");
        WriteFile(path, bytes.data(), bytes.size());
        document.UseFonts(Fonts());
        document.Open(String8(path.c_str()), {}, {});
        document.NewPageWritten(0);
        FUZZ_CHECK(document.GetMode() == KsDvi::Complete && document.GetNPage() == 1);
    }
    std::unique_ptr<ksdvi::gdi::RasterDevice> device;
    KsDvi document;
};

EmptyPage& Page() {
    static EmptyPage page;
    return page;
}

// What graphicx's rotations and scalings leave, as a page's PostScript is
// evaluated without Ghostscript.
void Transform(ksdvi::PostScriptTransforms& transforms, std::string_view text) {
    ksdvi::PostScriptSpecial ps =
        ksdvi::ParsePostScriptSpecial(reinterpret_cast<unsigned char const*>(text.data()), text.size());
    if (ps.kind == ksdvi::PostScriptSpecial::Kind::Positioned) transforms.MoveTo(kDpi, kDpi);
    if (ps.kind == ksdvi::PostScriptSpecial::Kind::Positioned || ps.kind == ksdvi::PostScriptSpecial::Kind::Raw)
        transforms.Run(ps.code);
    if (ps.kind == ksdvi::PostScriptSpecial::Kind::Pdfmark) {
        ksdvi::PdfmarkSpecial mark = ksdvi::ParsePdfmarkSpecial(ps.code);
        FUZZ_CHECK(mark.kind != ksdvi::PdfmarkSpecial::Kind::None);
        FUZZ_CHECK(IsUtf8(mark.title));
        FUZZ_CHECK(std::isfinite(mark.points));
    }
}

void CheckDocument(KsDvi const& document) {
    // Each bookmark lies at most one level below the one before it.
    int below = 0;
    for (KsDvi::OutlineEntry const& entry : document.GetOutline()) {
        FUZZ_CHECK(entry.level >= 0 && entry.level <= 32 && entry.level <= below);
        below = entry.level + 1;
        FUZZ_CHECK(IsUtf8(entry.title.view()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    MemoryPictureDrawer::LoadPictures();
    Page();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::vector<std::string_view> const specials = SplitSpecials(data, size);
    static SpecialDocument document;
    document.UseFonts(Fonts());
    document.Renew();
    ksdvi::gdi::CDC dc(*Page().device);
    SpecialDrawer drawer(dc, Page().document);
    FUZZ_CHECK(drawer.IsWorking());
    ksdvi::PostScriptTransforms transforms(kDpi, kDpi);
    ksdvi::TextTransforms textTransforms(Page().document);
    std::vector<ksdvi::PlacedPdfSpecial> drawing;
    for (std::string_view special : specials) {
        if (special.starts_with("pdf:")) drawing.push_back({special.substr(4), 10, 20});
        document.Special(special);
        drawer.Special(special);
        Transform(transforms, special);
        textTransforms.Special(special, 10, 20);
        int left = -5, top = 100, width = 1000, height = 700;
        textTransforms.Box(left, top, width, height);
        FUZZ_CHECK(width >= 0 && height >= 0);
        FUZZ_CHECK(ksdvi::IsPdfmarkSpecial(special) ==
                   (ksdvi::ParsePdfmarkSpecial(special).kind != ksdvi::PdfmarkSpecial::Kind::None));
    }
    // Any bytes as a bookmark's title: the first special's, since each
    // conversion sets up iconv anew.
    FUZZ_CHECK(IsUtf8(ksdvi::PdfTextToUtf8(specials.front())));
    CheckDocument(document);
    // pgf's pdf: drawing as a PDF: whole, bounded, or nothing.
    std::string const pdf = ksdvi::PdfDrawingOfSpecials(drawing, 100, 100);
    FUZZ_CHECK(pdf.empty() || (pdf.starts_with("%PDF-1.5\n") && pdf.ends_with("%%EOF\n")));
    FUZZ_CHECK(pdf.size() <= ksdvi::kLargestPdfDrawing + 4096);
    drawer.DrawAllPictures(nullptr);
    drawer.DrawHyperlinkMark(0);
    return 0;
}
