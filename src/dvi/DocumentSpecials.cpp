#include "dvi/DocumentSpecials.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "dvi/KsDvi.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"
#include "specials/DocumentInfo.h"
#include "specials/DvipsColour.h"
#include "specials/PdfDrawingSpecials.h"
#include "specials/PdfmarkSpecials.h"
#include "specials/PictureSpecials.h"
#include "specials/PostScriptSpecials.h"
#include "specials/PreviewSpecials.h"
#include "specials/SpecialRegistry.h"
#include "specials/SpotColours.h"

namespace ksdvi {

namespace {

// Documents with more prologue pieces or bookmarks than this are damage, not documents.
constexpr size_t kMostPostScriptHeaders = 10000;
constexpr size_t kMostOutlineEntries = 100000;
// Deeper bookmarks join the deepest level.
constexpr size_t kDeepestOutline = 32;
constexpr size_t kLongestCMapName = 64;

// preview's box at the top of a page is numbers for its bop-hook, not
// PostScript that draws: such a page needs no interpreter.
bool IsPreviewBox(KsDvi const& dvi, PostScriptSpecial const& ps) {
    if (ps.kind != PostScriptSpecial::Kind::Raw || !ParsePreviewBox(ps.code)) return false;
    auto const& headers = dvi.GetPostScriptHeaders();
    return std::any_of(headers.begin(), headers.end(),
                       [](KsDvi::PostScriptHeader const& h) { return h.literal && IsPreviewBopHook(h.text); });
}

}  // namespace

void DocumentSpecials::Handle(unsigned char* text, int length) {
    if (length < 0) return;
    NotePostScript(text, length);
    dvi_.SpecialHandlers().Scan(*this, text, static_cast<size_t>(length));
}

void DocumentSpecials::ChangeColour(DvipsColorChange const& change) {
    ApplyDvipsColorChange(change, dvi_.colorStack_.data(), dvi_.colorStackDepth_, KsDvi::ColorStackSize);
}

void DocumentSpecials::SetBackground(std::uint32_t colour) { dvi_.backgroundColor_ = colour; }

SpotColours const* DocumentSpecials::Spots() const { return dvi_.spotColours_.get(); }

void DocumentSpecials::SetLandscape() { dvi_.landscape_ = true; }

void DocumentSpecials::SetPaper(std::string_view words) {
    std::optional<Paper> paper = ParsePaperSpecial(std::string(words));
    if (!paper) return;
    if (!dvi_.paper_) dvi_.paper_ = paper;
    if (!dvi_.pagePaper_) dvi_.pagePaper_ = paper;
}

void DocumentSpecials::SetPageRotation(int degrees) { dvi_.pageRotation_ = degrees; }

void DocumentSpecials::AddPictureFile(String8 const& file) { dvi_.AppendPictFile(file); }

void DocumentSpecials::SetRecordResolution(unsigned short resolution) { dvi_.SetRecordResolution(resolution); }

// A document made for dvipdfmx shows its colours as a PDF viewer does.
void DocumentSpecials::NotePdfSpecial() {
    dvi_.pdfSpecials_ = true;
    dvi_.spotColours_->ShowCmykAsPoppler(true);
}

void DocumentSpecials::NoteEngineSpecial(std::string kind) {
    std::vector<std::string>& kinds = dvi_.engineSpecials_;
    if (kinds.size() < KsDvi::MostEngineSpecials && std::find(kinds.begin(), kinds.end(), kind) == kinds.end())
        kinds.push_back(std::move(kind));
}

// Objects and forms made on a page serve the pages after it: they are kept
// with their page (what a form holds with it), bounded.
void DocumentSpecials::NotePdfDrawing(std::string_view keyword, std::string_view special) {
    PdfDrawing const kind = PdfDrawingOf(keyword);
    if (kind == PdfDrawing::Content) dvi_.pagePdfDrawing_ = true;
    if (kind == PdfDrawing::Definition) dvi_.spotColours_->Define(special);
    if (kind == PdfDrawing::Definition || dvi_.pdfFormDepth_ > 0) {
        if (dvi_.pdfDefinitionBytes_ + special.size() <= KsDvi::MostPdfDefinitionBytes) {
            dvi_.pdfDefinitionBytes_ += special.size();
            dvi_.pdfDefinitions_.push_back({dvi_.pageCount_, std::string(special)});
        }
    }
    if (BeginsPdfXObject(keyword)) ++dvi_.pdfFormDepth_;
    if (EndsPdfXObject(keyword) && dvi_.pdfFormDepth_ > 0) --dvi_.pdfFormDepth_;
}

void DocumentSpecials::NotePathDrawing() { dvi_.pagePdfDrawing_ = true; }

void DocumentSpecials::AddDocumentInfo(DocumentInfo const& info) { dvi_.documentInfo_.Merge(info); }

void DocumentSpecials::NotePicture(std::string_view file, int type) {
    if (type == kPictureEps) MeetPostScript();
    if (dvi_.pagePictures_.size() < KsDvi::MostPagePictures) dvi_.pagePictures_.push_back({std::string(file), type});
}

// dvips collects the prologue of the whole document before its pages, and the
// pages with PostScript of their own are the ones to run it for.
void DocumentSpecials::NotePostScript(unsigned char* text, int length) {
    PostScriptSpecial ps = ParsePostScriptSpecial(text, static_cast<size_t>(length));
    if (ps.kind == PostScriptSpecial::Kind::Literal || ps.kind == PostScriptSpecial::Kind::Header) {
        // tex.pro's bop and eop run these hooks on every page; preview's
        // only moves the page to its box, which ksdvi reads itself.
        if (ps.kind == PostScriptSpecial::Kind::Literal && !IsPreviewBopHook(ps.code) && !IsPreviewTightPage(ps.code) &&
            (ps.code.find("bop-hook") != std::string_view::npos || ps.code.find("eop-hook") != std::string_view::npos))
            dvi_.pageDefinesHooks_ = true;
        NoteHeader({ps.kind == PostScriptSpecial::Kind::Literal, std::string(ps.code)});
        if (ps.kind == PostScriptSpecial::Kind::Literal) dvi_.spotColours_->DefinePostScript(ps.code);
    } else if (IsPagePostScript(ps) && !IsPreviewBox(dvi_, ps)) {
        dvi_.pagePostScript_ = true;
        MeetPostScript();
        if (auto size = PageSizeRequest(ps.code))
            dvi_.postScriptPaper_ = Paper{static_cast<int32_t>(std::lround(size->first * kSpPerBigPoint)),
                                          static_cast<int32_t>(std::lround(size->second * kSpPerBigPoint))};
        if (DefinesInGlobalVm(ps.code)) NoteHeader({true, std::string(ps.code), dvi_.pageCount_});
        auto const& headers = dvi_.postScriptHeaders_;
        if (MakesPdfForm(ps.code) &&
            (headers.empty() || !headers.back().pdfForms || headers.back().page != dvi_.pageCount_))
            NoteHeader({true, {}, dvi_.pageCount_, true});
    } else if (std::optional<std::string_view> file = ParsePlotfile(text, static_cast<size_t>(length))) {
        NotePicture(*file, kPictureEps);
    } else if (ps.kind == PostScriptSpecial::Kind::Pdfmark) {
        NotePdfmark(ParsePdfmarkSpecial(ps.code));
    }
}

void DocumentSpecials::MeetPostScript() {
    if (auto met = std::exchange(dvi_.postScriptMet_, nullptr)) met();
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

// A bookmark lies at most one level below the one before it, also where a
// document mixes hyperref's pdfmarks and xdvipdfmx's bookmarks.
int DocumentSpecials::DeepestNextLevel() const { return dvi_.outline_.empty() ? 0 : dvi_.outline_.back().level + 1; }

// hyperref's anchors join the others; its bookmarks make the outline, each
// entry one level below the last that still expects entries under it.
void DocumentSpecials::NotePdfmark(PdfmarkSpecial const& mark) {
    if (mark.kind == PdfmarkSpecial::Kind::Anchor) {
        AddAnchor(String8(mark.target));
        return;
    }
    if (mark.kind == PdfmarkSpecial::Kind::Information) {
        AddDocumentInfo(mark.info);
        return;
    }
    if (mark.kind != PdfmarkSpecial::Kind::Outline || dvi_.outline_.size() >= kMostOutlineEntries) return;
    std::vector<int>& due = dvi_.outlineChildrenDue_;
    while (!due.empty() && due.back() <= 0) due.pop_back();
    KsDvi::OutlineEntry entry{String8(mark.title), String8(mark.target),
                              std::min(static_cast<int>(due.size()), DeepestNextLevel()), mark.count};
    if (!due.empty()) --due.back();
    if (mark.count != 0 && due.size() < kDeepestOutline) due.push_back(mark.count < 0 ? -mark.count : mark.count);
    dvi_.outline_.push_back(std::move(entry));
}

// xdvipdfmx's bookmarks: levels count from the lowest met so far, and an
// entry goes at most one level below the one before it. Each entry counts
// the entries right under it, negative when shown closed, as pdfmarks do.
void DocumentSpecials::SetBookmarkCMap(std::string_view cmap) {
    if (cmap.size() <= kLongestCMapName) dvi_.bookmarkCMap_ = cmap;
}

void DocumentSpecials::AddBookmark(String8 const& title, String8 const& target, int level, bool open) {
    if (dvi_.outline_.size() >= kMostOutlineEntries) return;
    std::optional<int>& lowest = dvi_.bookmarkLowestLevel_;
    if (!lowest || level < *lowest) lowest = level;
    std::vector<KsDvi::BookmarkParent>& path = dvi_.bookmarkPath_;
    size_t depth = std::min(
        {static_cast<size_t>(level - *lowest), path.size(), kDeepestOutline, static_cast<size_t>(DeepestNextLevel())});
    path.resize(depth);
    if (!path.empty()) dvi_.outline_[path.back().entry].count += path.back().open ? 1 : -1;
    path.push_back({dvi_.outline_.size(), open});
    dvi_.outline_.push_back(KsDvi::OutlineEntry{title, target, static_cast<int>(depth), 0});
}

// As xdvipdfmx, an area begun inside another is ignored.
void DocumentSpecials::BeginLinkArea(std::string const& target, LinkBorder const& border) {
    if (!dvi_.openLinkArea_) dvi_.openLinkArea_ = std::make_shared<KsDvi::OpenLinkArea const>(KsDvi::OpenLinkArea{target, border});
}

void DocumentSpecials::EndLinkArea() { dvi_.openLinkArea_.reset(); }

void DocumentSpecials::AddFontMapLine(std::string_view text) {
    if (text.starts_with('+') || text.starts_with('=')) text.remove_prefix(1);  // appended, replacing
    ksdvi::JapaneseMapLine line;
    if (dvi_.fontMapLines_.size() < KsDvi::MostFontMapLines && ksdvi::ParseJapaneseMapLine(text, line))
        dvi_.fontMapLines_.push_back(std::move(line));
}

void DocumentSpecials::RegisterFace(String8 const& face) {
    KsDvi::CDC* reference = dvi_.GetDevice(0);
    bool installed = reference && dvi_.faceQuery_ && dvi_.faceQuery_(reference, face.c_str());
    dvi_.AppendFaceName(installed ? face : String8(dvi_.faceSubstitutions_.Substitute(face.view())));
}

void DocumentSpecials::AddAnchor(String8 const& name) { dvi_.tags_.Append(KsDvi::TagInfo{name, dvi_.pageCount_}); }

}  // namespace ksdvi
