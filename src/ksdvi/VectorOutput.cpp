#include "ksdvi/VectorOutput.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "device/CairoDevice.h"
#include "device/PdfObjectPacker.h"
#include "device/SvgCompactor.h"
#include "ksdvi/PageDrawing.h"
#include "page/DocumentState.h"
#include "platform/gdi/Cdc.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"
#include "render/WholePage.h"
#include "stream/NumberText.h"
#include "text/UnicodeText.h"

namespace ksdvi {

namespace {

cairo_status_t WriteCompacted(void* closure, unsigned char const* data, unsigned int length) {
    return static_cast<SvgCompactor*>(closure)->Write({reinterpret_cast<char const*>(data), length})
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// Cairo's PDF, held to be packed (PdfObjectPacker.h) unless it grows past
// what is worth holding: then written as it comes.
struct PdfBuffer {
    static constexpr size_t kMaxHeld = 256u << 20;
    FILE* file = nullptr;
    std::string held;
    bool direct = false;
    std::vector<LinkFrame> frames;
    PdfPageBoxes pages;  // the pages' papers and turns

    bool Write(std::string_view data) {
        if (!direct && held.size() + data.size() > kMaxHeld) {
            direct = true;
            if (std::fwrite(held.data(), 1, held.size(), file) != held.size()) return false;
            held = std::string();
        }
        if (direct) return std::fwrite(data.data(), 1, data.size(), file) == data.size();
        held += data;
        return true;
    }
    // A failure shows in the file's error indicator.
    void Finish() {
        if (direct) return;
        std::string const packed = PackPdfObjects(held, frames, pages);
        std::string const& out = packed.empty() ? held : packed;
        std::fwrite(out.data(), 1, out.size(), file);
        held = std::string();
    }
};

cairo_status_t WriteToBuffer(void* closure, unsigned char const* data, unsigned int length) {
    return static_cast<PdfBuffer*>(closure)->Write({reinterpret_cast<char const*>(data), length})
               ? CAIRO_STATUS_SUCCESS
               : CAIRO_STATUS_WRITE_ERROR;
}

// A string value of Cairo's tag attributes.
std::string Quoted(std::string const& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "'";
}

std::string Number(double value) { return FixedNumber(value, 3); }

// The pages one output file holds, drawn through one vector device, so that
// each font program is embedded once.
class VectorPages {
public:
    VectorPages(Document& document, int dpi, bool bitmapFontsAsFonts, std::vector<int> pages)
        : document_(document),
          dpi_(dpi),
          device_(dpi, bitmapFontsAsFonts),
          text_(document.Engine()),
          pages_(std::move(pages)) {
        for (size_t i = 0; i < pages_.size(); ++i) outputPage_.emplace(pages_[i], static_cast<int>(i) + 1);
        for (KsDvi::TagInfo const& tag : document.Engine().GetTagList()) {
            std::string name(tag.name.view());
            if (outputPage_.count(tag.page)) anchors_[tag.page].push_back(name);
        }
    }

    std::vector<int> const& Pages() const { return pages_; }

    // Draws `page` on `cr`, whose user space is the paper in points; why it
    // was not drawn whole, empty when it was.
    std::string Draw(int page, cairo_t* cr, bool links, bool& broken);
    // The frames of the links drawn so far, in the order they were made.
    std::vector<LinkFrame> const& Frames() const { return frames_; }
    // The document's outline as the PDF's bookmarks.
    void AddOutline(cairo_surface_t* pdf);

private:
    void PaintRasterLayer(cairo_t* cr, int width, int height);
    void AddLinks(int page, cairo_t* cr);
    // PDF link attributes of a place in the document, empty when it is not
    // among the pages written.
    std::string Target(Destination const& destination) const;

    Document& document_;
    int dpi_;
    CairoDevice device_;
    UnicodeText text_;
    std::vector<int> pages_;
    std::map<int, int> outputPage_;  // document page -> 1-based page of the file
    std::map<int, std::vector<std::string>> anchors_;
    std::vector<LinkFrame> frames_;
    std::unique_ptr<gdi::RasterDevice> raster_, pixel_;
};

std::string VectorPages::Draw(int page, cairo_t* cr, bool links, bool& broken) {
    Point const paper = document_.PageSize(page);
    // Whole dots that cover the paper: its last fraction of a dot is painted
    // too (the page's colour up to the edge of a paper 611.99998 points wide).
    int const width = std::max(1, static_cast<int>(std::ceil(paper.x * dpi_ / 72.0 - 1e-3)));
    int const height = std::max(1, static_cast<int>(std::ceil(paper.y * dpi_ / 72.0 - 1e-3)));
    // Pages that may paint on a raster get one the page's size, the same for
    // every page, so that after the first only what a page painted is
    // cleared; the others one pixel, for their context's resolution.
    KsDvi& dvi = document_.Engine();
    bool const beneath = dvi.PageDrawsBeneathText(page) || !dvi.GetPagePictures(page).empty() ||
                         dvi.GetRecordResolution() != 0 || dvi.GetNItrnFont() == 0;
    std::unique_ptr<gdi::RasterDevice>& raster = beneath ? raster_ : pixel_;
    int const rasterWidth = beneath ? width : 1, rasterHeight = beneath ? height : 1;
    if (!raster || raster->Width() < rasterWidth || raster->Height() < rasterHeight) {
        gdi::RasterDeviceSpec spec;
        // Pages of papers of both orientations share one raster.
        spec.width = std::max(rasterWidth, raster ? raster->Width() : 0);
        spec.height = std::max(rasterHeight, raster ? raster->Height() : 0);
        spec.dpiX = spec.dpiY = dpi_;
        // Most pages paint a little of it, or nothing.
        spec.fillRowByRow = true;
        raster = gdi::RasterDevice::Create(spec);
        if (!raster) return "the page is too large to draw at " + std::to_string(dpi_) + " dpi";
    }
    std::vector<UnicodeChar> chars;
    ReadPageText(text_, page, chars);
    std::multimap<int, std::string> texts;
    for (UnicodeChar const& c : chars) texts.emplace(c.position, Utf8Of(c.text));

    cairo_save(cr);
    cairo_scale(cr, 72.0 / dpi_, 72.0 / dpi_);
    if (beneath) cairo_push_group(cr);
    device_.StartPage(cr, width, height, std::move(texts), beneath);
    gdi::CDC dc(*raster);
    KsDviDrawer drawer;
    drawer.PaintThrough(&device_);
    std::string problem;
    if (drawer.Open(dc, dvi, page, fpreal4::FromDouble(1.0), dpi_, dpi_, gdi::RGB(0, 0, 255), String8())) {
        while (!ContinuePage(drawer, page, 1 << 20, problem, &broken)) {}
    } else {
        problem = PageUnreadable(page);
        broken = true;
    }
    device_.EndPage();
    if (beneath) {
        cairo_pattern_t* drawing = cairo_pop_group(cr);
        device_.PaintBackground(cr);
        PaintRasterLayer(cr, width, height);
        // A fill of the page's dots, not a paint: Cairo cuts a paint to the
        // surface's whole points, short of a paper 611.99998 points wide.
        cairo_set_source(cr, drawing);
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_fill(cr);
        cairo_pattern_destroy(drawing);
    }
    cairo_restore(cr);
    if (links) AddLinks(page, cr);
    return problem;
}

// What the page painted on the raster, beneath the rest: white becomes
// transparent, and every other colour the least opaque one that gives it over
// white, so that anti-aliased edges stay smooth.
void VectorPages::PaintRasterLayer(cairo_t* cr, int width, int height) {
    gdi::Surface& pixels = *raster_->GetSurface();
    int left = width, right = 0, top = height, bottom = 0;
    for (int y = 0; y < height; ++y) {
        gdi::Surface::Span const span = pixels.Touched(y);
        if (span.IsEmpty()) continue;
        gdi::Pixel const* row = static_cast<gdi::Surface const&>(pixels).Row(y);
        for (int x = span.left; x < std::min(span.right, width); ++x)
            if ((row[x] & gdi::kPixelMask) != gdi::kWhitePixel) {
                left = std::min(left, x), right = std::max(right, x + 1);
                top = std::min(top, y), bottom = y + 1;
            }
    }
    if (left < right) {
        cairo_surface_t* layer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, right - left, bottom - top);
        unsigned char* data = cairo_image_surface_get_data(layer);
        int const stride = cairo_image_surface_get_stride(layer);
        for (int y = top; y < bottom; ++y) {
            gdi::Pixel const* row = static_cast<gdi::Surface const&>(pixels).Row(y) + left;
            auto* out =
                reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y - top) * static_cast<size_t>(stride));
            for (int x = 0; x < right - left; ++x) {
                std::uint32_t const p = row[x], r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
                std::uint32_t const least = std::min({r, g, b});
                out[x] = (255 - least) << 24 | (r - least) << 16 | (g - least) << 8 | (b - least);
            }
        }
        cairo_surface_mark_dirty(layer);
        cairo_set_source_surface(cr, layer, left, top);
        cairo_paint(cr);
        cairo_surface_destroy(layer);
    }
    pixels.Fill(gdi::kWhitePixel);
}

std::string VectorPages::Target(Destination const& destination) const {
    auto it = outputPage_.find(destination.page);
    if (it == outputPage_.end()) return {};
    return "page=" + std::to_string(it->second) + " pos=[" + Number(destination.at.x) + " " + Number(destination.at.y) +
           "]";
}

void VectorPages::AddLinks(int page, cairo_t* cr) {
    double const paperHeight = document_.PageSize(page).y;
    for (std::string const& name : anchors_[page]) {
        std::optional<Destination> at = document_.FindAnchor(name);
        if (!at || at->page != page) continue;
        std::string const attributes = "name=" + Quoted(name) + " x=" + Number(at->at.x) + " y=" + Number(at->at.y);
        cairo_tag_begin(cr, CAIRO_TAG_DEST, attributes.c_str());
        cairo_tag_end(cr, CAIRO_TAG_DEST);
    }
    for (Link const& link : document_.Links(page)) {
        if (link.areas.empty()) continue;  // a link around nothing drawn
        std::string attributes;
        if (!link.uri.empty()) {
            attributes = "uri=" + Quoted(link.uri);
        } else {
            std::optional<Destination> at = document_.FindAnchor(link.anchor);
            if (!at || !outputPage_.count(at->page)) continue;
            attributes = "dest=" + Quoted(link.anchor);
        }
        // One annotation a line, as xdvipdfmx makes them: a reader frames
        // each line, not the box around them all.
        for (Rect const& r : link.areas) {
            frames_.push_back({r.x, paperHeight - r.y - r.height, r.x + r.width, paperHeight - r.y, link.border});
            std::string const area = attributes + " rect=[" + Number(r.x) + " " + Number(r.y) + " " + Number(r.width) +
                                     " " + Number(r.height) + "]";
            cairo_tag_begin(cr, CAIRO_TAG_LINK, area.c_str());
            cairo_tag_end(cr, CAIRO_TAG_LINK);
        }
    }
}

// Entries whose place is not among the pages written are left out; their
// children hang on the nearest entry above that is in.
void VectorPages::AddOutline(cairo_surface_t* pdf) {
    std::vector<std::pair<int, int>> parents;  // level, outline id
    for (OutlineEntry const& entry : document_.Outline()) {
        while (!parents.empty() && parents.back().first >= entry.level) parents.pop_back();
        std::string const target = entry.destination ? Target(*entry.destination) : std::string();
        if (target.empty()) continue;
        int const parent = parents.empty() ? CAIRO_PDF_OUTLINE_ROOT : parents.back().second;
        int const id =
            cairo_pdf_surface_add_outline(pdf, parent, entry.title.c_str(), target.c_str(),
                                          entry.open ? CAIRO_PDF_OUTLINE_FLAG_OPEN : cairo_pdf_outline_flags_t(0));
        parents.emplace_back(entry.level, id);
    }
}

std::vector<int> PagesOf(Document& document, VectorOptions const& options, std::string& error) {
    std::vector<int> pages = options.pages;
    if (pages.empty())
        for (int page = 0; page < document.PageCount(); ++page) pages.push_back(page);
    for (int page : pages)
        if (page < 0 || page >= document.PageCount()) error = "no page " + std::to_string(page + 1);
    if (pages.empty() && error.empty()) error = "no pages";
    return pages;
}

// Runs `write` on the surface `create` makes on the file, and finishes it.
template <class Create, class Write>
VectorResult WriteFile(std::string const& path, Create create, Write write) {
    VectorResult result;
    bool const toOutput = path == "-";
    FILE* file = toOutput ? stdout : std::fopen(path.c_str(), "wb");
    if (!file) {
        result.error = std::strerror(errno);
        return result;
    }
    cairo_surface_t* surface = create(file);
    write(surface, result);
    cairo_surface_finish(surface);
    cairo_status_t const status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    bool const failedBefore = std::ferror(file) != 0;
    bool const flushed = (toOutput ? std::fflush(file) == 0 : std::fclose(file) == 0) && !failedBefore;
    result.written = status == CAIRO_STATUS_SUCCESS && flushed;
    if (status != CAIRO_STATUS_SUCCESS)
        result.error = cairo_status_to_string(status);
    else if (!flushed)
        result.error = std::strerror(errno);
    return result;
}

void DrawPage(VectorPages& output, int page, cairo_t* cr, bool links, VectorResult& result) {
    bool broken = false;
    std::string const problem = output.Draw(page, cr, links, broken);
    if (!problem.empty()) result.problems.push_back("page " + std::to_string(page + 1) + ": " + problem);
    result.pagesBroken = result.pagesBroken || broken;
}

// What the document says of itself (hyperref's pdftitle ...) in the PDF's
// information dictionary; the creator is ksdvi unless the document names one.
void SetInformation(cairo_surface_t* pdf, DocumentInfo const& info) {
    std::pair<cairo_pdf_metadata_t, std::string const*> const entries[] = {
        {CAIRO_PDF_METADATA_TITLE, &info.title},
        {CAIRO_PDF_METADATA_AUTHOR, &info.author},
        {CAIRO_PDF_METADATA_SUBJECT, &info.subject},
        {CAIRO_PDF_METADATA_KEYWORDS, &info.keywords}};
    for (auto const& [key, value] : entries)
        if (!value->empty()) cairo_pdf_surface_set_metadata(pdf, key, value->c_str());
    cairo_pdf_surface_set_metadata(pdf, CAIRO_PDF_METADATA_CREATOR,
                                   info.creator.empty() ? "ksdvi" : info.creator.c_str());
}

}  // namespace

VectorResult WritePdf(Document& document, std::string const& path, VectorOptions const& options) {
    VectorResult failed;
    std::vector<int> pages = PagesOf(document, options, failed.error);
    if (!failed.error.empty()) return failed;
    VectorPages output(document, options.rasterDpi, true, std::move(pages));
    PdfBuffer buffer;
    // Cairo cuts what a page draws at its size in whole points, short of a
    // paper 611.99998 points wide (a white edge where the page is coloured):
    // its pages are whole points larger, the paper at their top, and the
    // files' page boxes are made the paper's again (PackPdfObjects).
    auto sheetOf = [](Point paper) { return Point{std::ceil(paper.x - 1e-3), std::ceil(paper.y - 1e-3)}; };
    std::vector<std::array<double, 2>>& papers = buffer.pages.papers;
    for (int page : output.Pages()) {
        Point const paper = document.PageSize(page);
        if (std::find(papers.begin(), papers.end(), std::array{paper.x, paper.y}) == papers.end())
            papers.push_back({paper.x, paper.y});
        buffer.pages.turns.push_back(document.PageRotation(page));
    }
    return WriteFile(
        path,
        [&](FILE* file) {
            buffer.file = file;
            Point const sheet = sheetOf(document.PageSize(output.Pages().front()));
            cairo_surface_t* pdf = cairo_pdf_surface_create_for_stream(WriteToBuffer, &buffer, sheet.x, sheet.y);
            SetInformation(pdf, document.Engine().GetDocumentInfo());
            return pdf;
        },
        [&](cairo_surface_t* pdf, VectorResult& result) {
            cairo_t* cr = cairo_create(pdf);
            for (int page : output.Pages()) {
                Point const paper = document.PageSize(page), sheet = sheetOf(paper);
                cairo_pdf_surface_set_size(pdf, sheet.x, sheet.y);
                cairo_save(cr);
                cairo_translate(cr, 0, sheet.y - paper.y);
                DrawPage(output, page, cr, true, result);
                cairo_restore(cr);
                cairo_show_page(cr);
            }
            output.AddOutline(pdf);
            cairo_destroy(cr);
            buffer.frames = output.Frames();
            cairo_surface_finish(pdf);
            buffer.Finish();
        });
}

namespace {

// A document's URI as an SVG attribute's value, none for a script's or
// data's: only the schemes of the web and mail, and relative references,
// are links a page may carry.
std::optional<std::string> SvgLinkTarget(std::string const& uri) {
    size_t const colon = uri.find(':');
    if (colon != std::string::npos && colon < uri.find_first_of("/?#")) {
        std::string scheme = uri.substr(0, colon);
        std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
        if (scheme != "http" && scheme != "https" && scheme != "ftp" && scheme != "mailto" && scheme != "file")
            return std::nullopt;
    }
    std::string out;
    for (unsigned char c : uri) {
        if (c < 0x20 || c == 0x7F) return std::nullopt;
        out += c == '&'   ? "&amp;"
               : c == '<' ? "&lt;"
               : c == '>' ? "&gt;"
               : c == '"' ? "&quot;"
                          : std::string(1, char(c));
    }
    return out;
}

// The page's links to URIs as SVG anchors over their areas (in points of
// the turned page).
std::string SvgLinks(Document& document, int page) {
    std::string links;
    PageTurn const turn = document.Turn(page);
    for (Link const& link : document.Links(page)) {
        std::optional<std::string> const target = link.uri.empty() ? std::nullopt : SvgLinkTarget(link.uri);
        if (!target) continue;
        for (Rect const& area : link.areas) {
            Rect const r = turn.Show(area);
            links += "<a xlink:href=\"" + *target + "\"><rect x=\"" + Number(r.x) + "\" y=\"" + Number(r.y) +
                     "\" width=\"" + Number(r.width) + "\" height=\"" + Number(r.height) +
                     "\" fill=\"none\" pointer-events=\"all\"/></a>\n";
        }
    }
    return links;
}

}  // namespace

VectorResult WriteSvg(Document& document, int page, std::string const& path, VectorOptions const& options) {
    VectorResult failed;
    VectorOptions one = options;
    one.pages = {page};
    std::vector<int> pages = PagesOf(document, one, failed.error);
    if (!failed.error.empty()) return failed;
    PageTurn const turn = document.Turn(page);
    Point const paper = turn.Shown();
    // Cairo's SVG surface draws fonts of images at their size on the page.
    VectorPages output(document, options.rasterDpi, false, std::move(pages));
    std::optional<SvgCompactor> paths;
    return WriteFile(
        path,
        [&](FILE* file) {
            paths.emplace(file);
            paths->SetEnding(SvgLinks(document, page));
            cairo_surface_t* svg = cairo_svg_surface_create_for_stream(WriteCompacted, &*paths, paper.x, paper.y);
            cairo_svg_surface_set_document_unit(svg, CAIRO_SVG_UNIT_PT);
            return svg;
        },
        [&](cairo_surface_t* svg, VectorResult& result) {
            cairo_t* cr = cairo_create(svg);
            TurnPage(cr, turn);
            DrawPage(output, page, cr, false, result);
            cairo_destroy(cr);
            cairo_surface_finish(svg);
            paths->Finish();
        });
}

}  // namespace ksdvi
