#include "dvi/DocumentSpecials.h"

#include "dvi/DvipsColour.h"
#include "dvi/HyperlinkSpecials.h"
#include "dvi/KsDvi.h"
#include "dvi/PdfmarkSpecials.h"
#include "dvi/PictureSpecials.h"
#include "dvi/PostScriptSpecials.h"
#include "dvi/SpecialParsing.h"

namespace ksdvi {

namespace {

// Documents with more prologue pieces or bookmarks than this are damage, not documents.
constexpr size_t kMostPostScriptHeaders = 10000;
constexpr size_t kMostOutlineEntries = 100000;
// Deeper bookmarks join the deepest level.
constexpr size_t kDeepestOutline = 32;

// Binary records: '#', a 16-bit code, then the code's fields.
constexpr unsigned kRecordResolutionCode = 0;
constexpr unsigned kFaceNameCode = 2;
constexpr int kFaceNameOffset = 6;  // from the first byte after '#'
constexpr int kLongestFaceName = 259;

String8 Bytes(unsigned char const* from, unsigned char const* to) {
    return String8(reinterpret_cast<char const*>(from), static_cast<int>(to - from));
}

}  // namespace

DocumentSpecials::Handler DocumentSpecials::HandlerOf(SpecialFamily family) {
    using F = SpecialFamily;
    switch (family) {
    case F::Record: return &DocumentSpecials::BinaryRecord;
    case F::ColorPush: return &DocumentSpecials::ColorPush;
    case F::ColorPop: return &DocumentSpecials::ColorPop;
    case F::BackgroundColor: return &DocumentSpecials::BackgroundColor;
    case F::DvipsColor: return &DocumentSpecials::DvipsColor;
    case F::DvipsBackground: return &DocumentSpecials::DvipsBackground;
    case F::Html: return &DocumentSpecials::HtmlAnchor;
    case F::Hypertext: return &DocumentSpecials::HypertextAnchor;
    case F::Graphics: return &DocumentSpecials::GraphicsPicture;
    case F::PaperSize: return &DocumentSpecials::PaperSize;
    default: return nullptr;
    }
}

void DocumentSpecials::Handle(unsigned char* text, int length) {
    if (length < 0) return;
    NotePostScript(text, length);
    SpecialKeyword const* keyword = FindSpecialKeyword(text, static_cast<size_t>(length));
    if (keyword && keyword->family == SpecialFamily::Source) return;  // no psfile keys to look for
    Handler handle = keyword ? HandlerOf(keyword->family) : nullptr;
    if (handle && (this->*handle)(text + keyword->word.size(), text + length)) return;
    PsfilePicture(text);
}

// '#' code[2] ...: code 0 resolution[2]; code 2 unused[4] face name (NUL-terminated).
bool DocumentSpecials::BinaryRecord(unsigned char* args, unsigned char* end) {
    if (end - args < 2) return true;
    unsigned code = static_cast<unsigned>(args[0]) << 8 | args[1];
    if (code == kRecordResolutionCode && end - args >= 4) {
        dvi_.SetRecordResolution(static_cast<unsigned short>(args[2] << 8 | args[3]));
    } else if (code == kFaceNameCode && end - args >= kFaceNameOffset) {
        unsigned char* name = args + kFaceNameOffset;
        unsigned char* stop = name;
        while (stop < end && *stop != 0 && stop - name < kLongestFaceName) ++stop;
        RegisterFace(Bytes(name, stop));
    }
    return true;
}

bool DocumentSpecials::ColorPush(unsigned char* args, unsigned char*) {
    unsigned int color = 0;
    if (ReadRgbColor(args, &color) && dvi_.colorStackDepth_ < KsDvi::ColorStackSize)
        dvi_.colorStack_[static_cast<size_t>(dvi_.colorStackDepth_++)] = color;
    return true;
}

bool DocumentSpecials::ColorPop(unsigned char*, unsigned char*) {
    // The bottom entry, black, stays.
    if (dvi_.colorStackDepth_ > 1) --dvi_.colorStackDepth_;
    return true;
}

bool DocumentSpecials::BackgroundColor(unsigned char* args, unsigned char*) {
    unsigned int color = 0;
    if (ReadRgbColor(args, &color)) dvi_.backgroundColor_ = color;
    return true;
}

bool DocumentSpecials::DvipsColor(unsigned char* args, unsigned char*) {
    if (auto change = ParseDvipsColorWords(args))
        ApplyDvipsColorChange(*change, dvi_.colorStack_.data(), dvi_.colorStackDepth_, KsDvi::ColorStackSize);
    return true;
}

bool DocumentSpecials::DvipsBackground(unsigned char* args, unsigned char*) {
    if (auto color = ParseDvipsBackground(args)) dvi_.backgroundColor_ = *color;
    return true;
}

// html:<a name="...">; other elements and attributes are the renderer's, but
// a '<' not followed by an a element leaves the special to the later tests.
bool DocumentSpecials::HtmlAnchor(unsigned char* p, unsigned char*) {
    ksdvi::HtmlSpecial html = ksdvi::ParseHtmlSpecial(p);
    if (html.kind == ksdvi::HtmlSpecial::Kind::NotAnchor || html.kind == ksdvi::HtmlSpecial::Kind::End) return false;
    if (html.kind == ksdvi::HtmlSpecial::Kind::Name) AppendTag(html.name);
    return true;
}

bool DocumentSpecials::HypertextAnchor(unsigned char* p, unsigned char*) {
    if (std::optional<String8> name = ksdvi::ParseHypertextAnchor(p)) AppendTag(*name);
    return true;
}

bool DocumentSpecials::GraphicsPicture(unsigned char* p, unsigned char*) {
    if (auto graphics = ksdvi::ParseGraphicsSpecial(p); graphics && graphics->type >= 0)
        NotePicture(graphics->file.view(), graphics->type);
    if (auto file = ksdvi::ParseGraphicsSpecialFile(p)) dvi_.AppendPictFile(*file);
    return true;
}

bool DocumentSpecials::PaperSize(unsigned char* args, unsigned char* end) {
    if (!dvi_.paper_)
        dvi_.paper_ = ParsePaperSpecial(std::string(reinterpret_cast<char const*>(args), static_cast<size_t>(end - args)));
    return true;
}

void DocumentSpecials::PsfilePicture(unsigned char* p) {
    if (auto file = ksdvi::ParsePsfileSpecial(p).file) {
        NotePicture(file->view(), kPictureEps);
        dvi_.AppendPictFile(*file);
    }
}

void DocumentSpecials::NotePicture(std::string_view file, int type) {
    if (dvi_.pagePictures_.size() < KsDvi::MostPagePictures) dvi_.pagePictures_.push_back({std::string(file), type});
}

// dvips collects the prologue of the whole document before its pages, and the
// pages with PostScript of their own are the ones to run it for.
void DocumentSpecials::NotePostScript(unsigned char* text, int length) {
    PostScriptSpecial ps = ParsePostScriptSpecial(text, static_cast<size_t>(length));
    if (ps.kind == PostScriptSpecial::Kind::Literal || ps.kind == PostScriptSpecial::Kind::Header) {
        NoteHeader({ps.kind == PostScriptSpecial::Kind::Literal, std::string(ps.code)});
    } else if (IsPagePostScript(ps)) {
        dvi_.pagePostScript_ = true;
        if (DefinesInGlobalVm(ps.code)) NoteHeader({true, std::string(ps.code), dvi_.pageCount_});
    } else if (std::optional<std::string_view> file = ParsePlotfile(text, static_cast<size_t>(length))) {
        NotePicture(*file, kPictureEps);
    } else if (ps.kind == PostScriptSpecial::Kind::Pdfmark) {
        NotePdfmark(ParsePdfmarkSpecial(ps.code));
    }
}

void DocumentSpecials::NoteHeader(KsDvi::PostScriptHeader header) {
    if (dvi_.postScriptHeadersCut_) return;
    size_t const room = KsDvi::MostPostScriptHeaderBytes - dvi_.postScriptHeaderBytes_;
    if (dvi_.postScriptHeaders_.size() >= kMostPostScriptHeaders || header.text.size() > room) {
        dvi_.postScriptHeadersCut_ = true;
        return;
    }
    dvi_.postScriptHeaderBytes_ += header.text.size();
    dvi_.postScriptHeaders_.push_back(std::move(header));
}

// hyperref's anchors join the others; its bookmarks make the outline, each
// entry one level below the last that still expects entries under it.
void DocumentSpecials::NotePdfmark(PdfmarkSpecial const& mark) {
    if (mark.kind == PdfmarkSpecial::Kind::Anchor) {
        AppendTag(String8(mark.target));
        return;
    }
    if (mark.kind != PdfmarkSpecial::Kind::Outline || dvi_.outline_.size() >= kMostOutlineEntries) return;
    std::vector<int>& due = dvi_.outlineChildrenDue_;
    while (!due.empty() && due.back() <= 0) due.pop_back();
    KsDvi::OutlineEntry entry{String8(mark.title), String8(mark.target), static_cast<int>(due.size()), mark.count};
    if (!due.empty()) --due.back();
    if (mark.count != 0 && due.size() < kDeepestOutline) due.push_back(mark.count < 0 ? -mark.count : mark.count);
    dvi_.outline_.push_back(std::move(entry));
}

void DocumentSpecials::RegisterFace(String8 const& face) {
    KsDvi::CDC* reference = dvi_.GetDevice(0);
    bool installed = reference && dvi_.faceQuery_ && dvi_.faceQuery_(reference, face.c_str());
    dvi_.AppendFaceName(installed ? face : String8(dvi_.faceSubstitutions_.Substitute(face.view())));
}

void DocumentSpecials::AppendTag(String8 const& name) { dvi_.tags_.Append(KsDvi::TagInfo{name, dvi_.pageCount_}); }

}  // namespace ksdvi
