#include "device/PdfPagePainter.h"

#include <dlfcn.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "specials/PdfObjects.h"

#if defined(KSDVI_POPPLER_GLIB_LIBRARY)
#include <poppler.h>
#endif

namespace ksdvi {

namespace {

// The words after name `key` in `tokens`: an array's inside, or one word.
std::vector<std::string_view> ValueOf(std::vector<PdfToken> const& tokens, std::string_view key) {
    std::vector<std::string_view> words;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens[i].type != PdfToken::Type::Name || tokens[i].text != key) continue;
        bool const array = tokens[i + 1].type == PdfToken::Type::Open && tokens[i + 1].text == "[";
        for (size_t j = i + (array ? 2 : 1); j < tokens.size() && tokens[j].type == PdfToken::Type::Word; ++j) {
            words.push_back(tokens[j].text);
            if (!array) break;
        }
        break;
    }
    return words;
}

// Whether a pattern dictionary's cell is [0 0 XStep YStep] as written: poppler
// then hands the pattern to Cairo whole.
bool CellIsStep(std::string_view dict) {
    std::vector<PdfToken> const tokens = PdfTokens(dict);
    std::vector<std::string_view> const xStep = ValueOf(tokens, "XStep"), yStep = ValueOf(tokens, "YStep");
    return xStep.size() == 1 && yStep.size() == 1 &&
           ValueOf(tokens, "BBox") == std::vector<std::string_view>{"0", "0", xStep[0], yStep[0]};
}

}  // namespace

// pdfwrite writes a soft mask as "/SMask N 0 R" in a graphics state; "/SMask
// /None" ends one.
bool UsesSoftMasks(std::string const& pdf) {
    std::string_view const text = pdf;
    for (std::size_t at = text.find("/SMask"); at != std::string_view::npos; at = text.find("/SMask", at + 1)) {
        std::size_t const value = std::min(text.find_first_not_of(" \n\r\t", at + 6), text.size());
        if (!text.substr(value).starts_with("/None")) return true;
    }
    return false;
}

// pdfwrite writes pattern dictionaries as plain objects, each before its
// stream's data.
bool DrawsPatternsTileByTile(std::string const& pdf) {
    std::string_view const text = pdf;
    for (std::size_t at = text.find("/PatternType 1"); at != std::string_view::npos;
         at = text.find("/PatternType 1", at + 1)) {
        std::size_t const begin = text.rfind("obj", at), end = text.find("stream", at);
        if (begin == std::string_view::npos || end == std::string_view::npos) return true;
        if (!CellIsStep(text.substr(begin, end - begin))) return true;
    }
    return false;
}

#if defined(KSDVI_POPPLER_GLIB_LIBRARY)

namespace {

// poppler-glib is loaded when a vector output first meets PostScript, not
// linked: it brings some forty libraries that would cost every run of the
// program about 30 ms to load.
struct Poppler {
    decltype(&poppler_document_new_from_bytes) openDocument = nullptr;
    decltype(&poppler_document_get_page) getPage = nullptr;
    decltype(&poppler_document_get_n_pages) pageCount = nullptr;
    decltype(&poppler_page_render_for_printing) render = nullptr;
    decltype(&poppler_page_render) renderOnScreen = nullptr;
    decltype(&poppler_page_get_size) pageSize = nullptr;
    decltype(&g_object_unref) unref = nullptr;
    decltype(&g_bytes_new_static) newBytes = nullptr;
    decltype(&g_bytes_unref) unrefBytes = nullptr;
};

template <class F>
bool Resolve(void* library, F& function, char const* name) {
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

Poppler const* LoadPoppler() {
    static Poppler const* const loaded = []() -> Poppler const* {
        void* library = dlopen(KSDVI_POPPLER_GLIB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        static Poppler poppler;
        if (Resolve(library, poppler.openDocument, "poppler_document_new_from_bytes") &&
            Resolve(library, poppler.getPage, "poppler_document_get_page") &&
            Resolve(library, poppler.pageCount, "poppler_document_get_n_pages") &&
            Resolve(library, poppler.render, "poppler_page_render_for_printing") &&
            Resolve(library, poppler.renderOnScreen, "poppler_page_render") &&
            Resolve(library, poppler.pageSize, "poppler_page_get_size") &&
            Resolve(library, poppler.unref, "g_object_unref") &&
            Resolve(library, poppler.newBytes, "g_bytes_new_static") &&
            Resolve(library, poppler.unrefBytes, "g_bytes_unref"))
            return &poppler;
        return nullptr;
    }();
    return loaded;
}

}  // namespace

bool CanPaintPdfPages() { return LoadPoppler() != nullptr; }

// Does `use` with page `index` (from 0) of `pdf`; false when there is none.
template <class Use>
bool WithPage(std::string const& pdf, int index, Use use) {
    Poppler const* poppler = LoadPoppler();
    if (!poppler || pdf.empty() || index < 0) return false;
    // poppler reads the bytes in place, while the document lives.
    GBytes* bytes = poppler->newBytes(pdf.data(), pdf.size());
    PopplerDocument* document = poppler->openDocument(bytes, nullptr, nullptr);
    poppler->unrefBytes(bytes);
    if (!document) return false;
    PopplerPage* page = index < poppler->pageCount(document) ? poppler->getPage(document, index) : nullptr;
    if (page) {
        use(*poppler, page);
        poppler->unref(page);
    }
    poppler->unref(document);
    return page != nullptr;
}

std::optional<std::pair<double, double>> PdfPageSize(std::string const& pdf, int page) {
    double width = 0, height = 0;
    if (!WithPage(pdf, page - 1, [&](Poppler const& poppler, PopplerPage* p) { poppler.pageSize(p, &width, &height); }))
        return std::nullopt;
    if (!(width > 0 && height > 0 && width < 1e6 && height < 1e6)) return std::nullopt;
    return std::pair{width, height};
}

bool PaintPdfPage(std::string const& pdf, cairo_t* cr, bool onScreen) {
    return WithPage(pdf, 0, [cr, onScreen](Poppler const& poppler, PopplerPage* page) {
        cairo_save(cr);
        (onScreen ? poppler.renderOnScreen : poppler.render)(page, cr);
        cairo_restore(cr);
    });
}

#else

bool CanPaintPdfPages() { return false; }

std::optional<std::pair<double, double>> PdfPageSize(std::string const&, int) { return std::nullopt; }

bool PaintPdfPage(std::string const&, cairo_t*) { return false; }

#endif

}  // namespace ksdvi
