#include "ksdvi/Document.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>

#include "dvi/DirectoryList.h"
#include "dvi/DviOpcodes.h"
#include "dvi/KsDvi.h"
#include "font/TeXFonts.h"
#include "interp/KsDviDrawerBase.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Font.h"
#include "platform/gs/GS.h"
#include "render/KsDviDrawer.h"
#include "render/OffscreenPage.h"
#include "sync/SourceSync.h"
#include "text/KsDviSelect.h"
#include "text/UnicodeSearch.h"
#include "text/UnicodeText.h"

namespace ksdvi {

namespace {

// Links and anchors are placed by drawing the page without its pixels, at a
// resolution fine enough that whole device pixels are a tenth of a point.
constexpr int kPlacingDpi = 720;
constexpr double kPointsPerPlacingPixel = 72.0 / kPlacingDpi;

Rect PlacedRect(int x, int y, int w, int h) {
    return {x * kPointsPerPlacingPixel, y * kPointsPerPlacingPixel, w * kPointsPerPlacingPixel,
            h * kPointsPerPlacingPixel};
}

}  // namespace

struct Document::Impl {
    DocumentOptions options;
    TeXFonts fonts;
    KsDvi dvi;
    std::string problem;
    std::unique_ptr<UnicodeText> text;  // made on first use: it keeps the fonts' glyph names
    // What one drawing of a page places: its links and its anchors.
    struct Placed {
        std::vector<Link> links;
        std::map<std::string, Point> anchors;
    };
    // The pages drawn to place links and anchors, by page.
    std::map<int, Placed> placed;
    std::unique_ptr<SourceSync> sync;  // made on first use

    // Points from the paper's corner per DVI unit, magnification included.
    PixelMapping Points() const { return PixelMapping::OneInchIn(dvi, 72.0); }
    Rect PointsOf(int32_t left, int32_t top, int64_t width, int64_t height) const {
        PixelMapping const points = Points();
        return {72.0 + left * points.PerDviX(), 72.0 + top * points.PerDviY(), double(width) * points.PerDviX(),
                double(height) * points.PerDviY()};
    }
    // The document reads to the end of what is written: without a
    // postamble, that is the problem to name.
    void TakeStatus() {
        DocumentStatus const status = StatusOf(dvi);
        problem = status.problem.empty() && status.state == DocumentState::Growing ? EndsBeforePostamble(dvi)
                                                                                   : status.problem;
    }
    // The page's characters, false with `problem` set when it could not be read whole.
    bool ReadText(int page, std::vector<UnicodeChar>& chars);
    Placed const& PlacedOn(int page);
};

bool Document::Impl::ReadText(int page, std::vector<UnicodeChar>& chars) {
    if (!text) text = std::make_unique<UnicodeText>(dvi);
    problem = ReadPageText(*text, page, chars);
    return problem.empty();
}

Document::Impl::Placed const& Document::Impl::PlacedOn(int page) {
    // Not a structured binding: clang before 16 lets no lambda capture one.
    auto const inserted = placed.try_emplace(page);
    Placed& on = inserted.first->second;
    if (!inserted.second) return on;
    OffscreenPage offscreen(kPlacingDpi);
    bool const drawn = offscreen.Run(dvi, page, String8(), [&](KsDviDrawer const& drawer) {
        for (KsDviDrawer::HyLinkInfo const* info : drawer.GetHyLinkList()) {
            Link& link = on.links.emplace_back();
            std::string href(info->href.view());
            if (href.starts_with('#'))
                link.anchor = href.substr(1);
            else
                link.uri = std::move(href);
            for (KsDviDrawer::LinkRect const& r : info->rects) link.areas.push_back(PlacedRect(r.x, r.y, r.w, r.h));
            link.border = info->border;
        }
        for (KsDviDrawer::AnchorPoint const& anchor : drawer.GetAnchorPoints())
            on.anchors.try_emplace(std::string(anchor.name.view()),
                                   Point{anchor.x * kPointsPerPlacingPixel, anchor.y * kPointsPerPlacingPixel});
    });
    if (drawn) return on;
    // Not kept: the page may be read once the file is complete again.
    problem = offscreen.Error();
    placed.erase(inserted.first);
    static Placed const nothing;
    return nothing;
}

Document::Document(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Document::~Document() = default;

std::unique_ptr<Document> Document::Open(std::string const& path, DocumentOptions const& options, std::string* error) {
    auto fail = [&](std::string why) {
        if (error) *error = path + ": " + why;
        return nullptr;
    };
    if (!std::ifstream(path, std::ios::binary)) return fail(std::strerror(errno));
    auto impl = std::make_unique<Impl>();
    impl->options = options;
    KsDviTTFMap& map = impl->fonts.GetMap();
    map.SetFaceQuery([](char const* face) { return gdi::IsFaceInstalled(face); });
    for (std::string const& file : options.mapFiles)
        if (!impl->fonts.AppendMapFile(file.c_str())) return fail("cannot read the map file " + file + " to its end");
    KsDvi& dvi = impl->dvi;
    dvi.UseFonts(impl->fonts);
    dvi.SetFaceQuery([](KsDvi::CDC* dc, char const* face) { return gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
    dvi.SetAllowedPaths(options.allowedDirectories);
    if (options.ghostscript != DocumentOptions::Ghostscript::WhenNeeded) {
        // Vector outputs keep PostScript as vectors, through pdfwrite.
        GS* gs = options.ghostscript == DocumentOptions::Ghostscript::EarlyForVectors ? GetPdfGS() : GetGS();
        dvi.SetPostScriptMet([gs] { gs->StartEarly(); });
    }
    dvi.Open(String8(path.c_str()), DirectoryList(options.metricDirectories),
             DirectoryList(options.virtualFontDirectories));
    dvi.ScanWritten();
    impl->TakeStatus();
    if (dvi.GetMode() == KsDvi::Malformed && !ksdvi::dvi::IsKnownId(dvi.GetDviVersion())) return fail(impl->problem);
    return std::unique_ptr<Document>(new Document(std::move(impl)));
}

Document::Change Document::Update() {
    KsDvi::ScanChange change = impl_->dvi.ScanWritten();
    impl_->TakeStatus();
    if (change == KsDvi::Unchanged) return Change::None;
    // Fonts may have been read anew: glyph names, links and anchors go with them.
    impl_->text.reset();
    impl_->placed.clear();
    if (impl_->sync) impl_->sync->Reset();
    return change == KsDvi::Renewed ? Change::Renewed : Change::Extended;
}

DocumentState Document::State() const { return StatusOf(impl_->dvi).state; }

std::string const& Document::Problem() const { return impl_->problem; }

int Document::PageCount() const { return impl_->dvi.GetNPage(); }

int32_t Document::TeXPageNumber(int page) const { return impl_->dvi.GetTeXPageNo(page); }

Point Document::PageSize(int page) const {
    Paper const fallback{static_cast<int32_t>(impl_->options.paperWidth * kSpPerBigPoint),
                         static_cast<int32_t>(impl_->options.paperHeight * kSpPerBigPoint)};
    Paper const paper = PaperOf(impl_->dvi, page, fallback);
    return {paper.width / kSpPerBigPoint, paper.height / kSpPerBigPoint};
}

int Document::PageRotation(int page) const { return impl_->dvi.GetPageRotation(page); }

PageTurn Document::Turn(int page) const { return {PageSize(page), PageRotation(page)}; }

std::vector<Link> Document::Links(int page) { return impl_->PlacedOn(page).links; }

std::optional<Destination> Document::FindAnchor(std::string const& name) {
    int const page = impl_->dvi.FindTagPage(String8(name));
    if (page < 0) return std::nullopt;
    auto const& anchors = impl_->PlacedOn(page).anchors;
    auto it = anchors.find(name);
    if (it == anchors.end()) return std::nullopt;
    return Destination{page, it->second};
}

std::vector<OutlineEntry> Document::Outline() {
    std::vector<OutlineEntry> entries;
    for (KsDvi::OutlineEntry const& entry : impl_->dvi.GetOutline())
        entries.push_back({std::string(entry.title.view()), entry.level, entry.count >= 0,
                           FindAnchor(std::string(entry.target.view()))});
    return entries;
}

std::optional<std::vector<std::vector<PageWord>>> Document::Text(int page) {
    std::vector<UnicodeChar> chars;
    if (!impl_->ReadText(page, chars) && chars.empty()) return std::nullopt;
    std::vector<std::vector<PageWord>> lines;
    for (TextLine const& line : UnicodeText::GetLines(chars, impl_->dvi.GetWinFont())) {
        std::vector<PageWord>& words = lines.emplace_back();
        for (TextWord const& w : line)
            words.push_back({w.text, impl_->PointsOf(w.left, w.top, int64_t(w.right) - w.left,
                                                     int64_t(w.bottom) - w.top)});
    }
    return lines;
}

std::vector<SearchHit> Document::Search(std::string const& pattern, bool matchCase, std::vector<int> pages) {
    UnicodeSearch search(pattern, matchCase);
    if (!search.IsValid()) return {};
    if (pages.empty())
        for (int page = 0; page < PageCount(); ++page) pages.push_back(page);
    std::vector<TextMatch> matches;
    std::vector<UnicodeChar> chars;
    for (int page : pages) {
        if (page < 0 || page >= PageCount()) continue;
        impl_->ReadText(page, chars);
        search.FindOnPage(page, chars, impl_->dvi.GetWinFont(), matches);
    }
    std::vector<SearchHit> hits;
    for (TextMatch const& match : matches) {
        SearchHit& hit = hits.emplace_back();
        hit.page = match.page;
        hit.text = match.text;
        for (KsDviSearch::CharRect const& r : match.rects)
            hit.areas.push_back(impl_->PointsOf(r.left, r.top, r.width, r.height));
    }
    return hits;
}

std::uint64_t Document::PageFingerprint(int page) const {
    KsDvi const& dvi = impl_->dvi;
    if (page < 0 || page >= dvi.GetNPage()) return 0;
    int64_t const start = dvi.GetPageStartOffset(page), end = dvi.GetPageEndOffset(page);
    std::ifstream in(dvi.GetFileName().c_str(), std::ios::binary);
    if (end < start || !in.seekg(start)) return 0;
    // FNV-1a: a change detector, not a defence against forgery.
    std::uint64_t hash = 14695981039346656037ull;
    char chunk[1 << 16];
    for (int64_t left = end - start + 1; left > 0;) {
        auto const n = static_cast<std::streamsize>(std::min<int64_t>(left, sizeof chunk));
        if (!in.read(chunk, n)) return 0;
        for (std::streamsize i = 0; i < n; ++i) hash = (hash ^ static_cast<unsigned char>(chunk[i])) * 1099511628211ull;
        left -= n;
    }
    return hash == 0 ? 1 : hash;
}

Selection Document::Select(int page, Point from, Point to) {
    Selection selection;
    KsDviSelect select;
    if (page < 0 || page >= PageCount() || !select.Open(impl_->dvi, page)) return selection;
    PixelMapping const points = impl_->Points();
    auto dviX = [&](double x) { return static_cast<int>(std::lround((x - 72.0) / points.PerDviX())); };
    auto dviY = [&](double y) { return static_cast<int>(std::lround((y - 72.0) / points.PerDviY())); };
    select.BeginSelect(dviX(from.x), dviY(from.y));
    select.UpdateSelect(dviX(to.x), dviY(to.y));
    if (select.IsEmpty()) return selection;
    int first = std::min(select.GetStartPos(), select.GetEndPos());
    int last = std::max(select.GetStartPos(), select.GetEndPos());
    if (DList<KsDviSelect::Rectangle>* rects = select.GetSelRect())
        for (auto it = rects->begin(); it != rects->end(); ++it)
            selection.areas.push_back(
                impl_->PointsOf(it->left, it->top, int64_t(it->right) - it->left, int64_t(it->bottom) - it->top));

    // The words of the Unicode layer drawn by the selected instructions.
    std::vector<UnicodeChar> chars;
    impl_->ReadText(page, chars);
    std::erase_if(chars, [&](UnicodeChar const& c) { return c.position < first || c.position > last; });
    for (TextLine const& line : UnicodeText::GetLines(chars, impl_->dvi.GetWinFont())) {
        for (size_t i = 0; i < line.size(); ++i) selection.text += (i ? " " : "") + line[i].text;
        selection.text += '\n';
    }
    return selection;
}

std::vector<SourceArea> Document::SourceAreas(std::string const& file, int line, int column) {
    if (!impl_->sync) impl_->sync = std::make_unique<SourceSync>(impl_->dvi, impl_->dvi.GetFileName().c_str());
    std::vector<SourceArea> areas;
    for (SourceBox const& box : impl_->sync->Forward(file, line, column))
        areas.push_back({box.page, impl_->PointsOf(box.left, box.top, box.width, box.height)});
    return areas;
}

std::optional<SourcePosition> Document::SourceAt(int page, Point at) {
    if (!impl_->sync) impl_->sync = std::make_unique<SourceSync>(impl_->dvi, impl_->dvi.GetFileName().c_str());
    PixelMapping const points = impl_->Points();
    auto dvi = [](double at, int origin, double perDvi) {
        return static_cast<int32_t>(std::lround(std::clamp((at - origin) / perDvi, -1e9, 1e9)));
    };
    int32_t const h = dvi(at.x, points.OriginX(), points.PerDviX()), v = dvi(at.y, points.OriginY(), points.PerDviY());
    std::optional<SourceLocation> found = impl_->sync->Inverse(page, h, v);
    if (!found) return std::nullopt;
    return SourcePosition{found->file, found->line, found->column};
}

KsDvi& Document::Engine() { return impl_->dvi; }

}  // namespace ksdvi
