// ksdvi sync: forward and inverse search between a DVI file and its sources.
//   --forward LINE[:COLUMN]:SOURCE  page PAGE X,Y,W,H...  (one line per page,
//                                   rectangles in the pixels of `ksdvi render`)
//   --inverse PAGE:X,Y              SOURCE:LINE[:COLUMN]
//   json: [{"page", "rects": [[x, y, w, h], ...]}] or {"file", "line", "column"}
// Exit status 1 when the line has no place or the point no source, or on errors.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "JsonLines.h"
#include "page/PixelMapping.h"
#include "sync/SourceSync.h"

namespace {

using Json = nlohmann::ordered_json;

template <class Number>
std::optional<Number> TakeNumber(std::string_view& text) {
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    return value;
}

bool Take(std::string_view& text, char c) {
    if (text.empty() || text.front() != c) return false;
    text.remove_prefix(1);
    return true;
}

struct ForwardQuery {
    int line = 0, column = 0;
    std::string source;
};

// LINE[:COLUMN]:SOURCE; a source name may hold colons itself.
std::optional<ForwardQuery> ParseForward(std::string_view text) {
    ForwardQuery query;
    std::optional<int> line = TakeNumber<int>(text);
    if (!line || *line <= 0 || !Take(text, ':')) return std::nullopt;
    query.line = *line;
    std::string_view rest = text;
    if (std::optional<int> column = TakeNumber<int>(rest); column && *column > 0 && Take(rest, ':') && !rest.empty()) {
        query.column = *column;
        text = rest;
    }
    if (text.empty()) return std::nullopt;
    query.source = std::string(text);
    return query;
}

struct InverseQuery {
    int page = 0;
    double x = 0, y = 0;
};

// PAGE:X,Y, the page 1-based, the point in pixels.
std::optional<InverseQuery> ParseInverse(std::string_view text) {
    InverseQuery query;
    std::optional<int> page = TakeNumber<int>(text);
    if (!page || *page <= 0 || !Take(text, ':')) return std::nullopt;
    query.page = *page;
    std::optional<double> x = TakeNumber<double>(text);
    if (!x || !Take(text, ',')) return std::nullopt;
    std::optional<double> y = TakeNumber<double>(text);
    if (!y || !text.empty() || !std::isfinite(*x) || !std::isfinite(*y)) return std::nullopt;
    query.x = *x;
    query.y = *y;
    return query;
}

int Forward(ksdvi::SourceSync& sync, ksdvi::PixelMapping const& pixels, SyncOptions const& options) {
    std::optional<ForwardQuery> query = ParseForward(options.forward);
    if (!query) {
        ReportError(options.file, "--forward takes LINE[:COLUMN]:SOURCE, not '" + options.forward + "'");
        return 1;
    }
    std::map<int, Json> byPage;
    for (ksdvi::SourceBox const& box : sync.Forward(query->source, query->line, query->column))
        byPage[box.page].push_back(pixels.Box(box.left, box.top, box.width, box.height));
    if (byPage.empty()) {
        ReportError(options.file, "no place for line " + std::to_string(query->line) + " of " + query->source);
        return 1;
    }
    Json all = Json::array();
    for (auto const& [page, rects] : byPage) {
        if (options.json) {
            all.push_back({{"page", page + 1}, {"rects", rects}});
            continue;
        }
        std::printf("page %d", page + 1);
        for (Json const& r : rects) std::printf(" %d,%d,%d,%d", int(r[0]), int(r[1]), int(r[2]), int(r[3]));
        std::printf("\n");
    }
    if (options.json) PrintJsonLines(all);
    return 0;
}

int Inverse(ksdvi::SourceSync& sync, ksdvi::PixelMapping const& pixels, int pages, SyncOptions const& options) {
    std::optional<InverseQuery> query = ParseInverse(options.inverse);
    if (!query) {
        ReportError(options.file, "--inverse takes PAGE:X,Y (pixels), not '" + options.inverse + "'");
        return 1;
    }
    if (query->page > pages) {
        ReportError(options.file, "there is no page " + std::to_string(query->page));
        return 1;
    }
    auto dvi = [](double at, int origin, double perDvi) {
        return static_cast<int32_t>(std::lround(std::clamp((at - origin) / perDvi, -1e9, 1e9)));
    };
    int32_t const h = dvi(query->x, pixels.OriginX(), pixels.PerDviX());
    int32_t const v = dvi(query->y, pixels.OriginY(), pixels.PerDviY());
    std::optional<ksdvi::SourceLocation> found = sync.Inverse(query->page - 1, h, v);
    if (!found) {
        ReportError(options.file, "no source for that point of page " + std::to_string(query->page));
        return 1;
    }
    if (options.json) {
        Json const place = {{"file", found->file},
                            {"line", found->line},
                            {"column", found->column > 0 ? Json(found->column) : Json(nullptr)}};
        std::cout << place.dump(-1, ' ', false, Json::error_handler_t::replace) << std::endl;
    } else {
        if (found->column > 0)
            std::printf("%s:%d:%d\n", found->file.c_str(), found->line, found->column);
        else
            std::printf("%s:%d\n", found->file.c_str(), found->line);
    }
    return 0;
}

}  // namespace

int RunSync(SyncOptions const& options) {
    if (options.forward.empty() == options.inverse.empty()) {
        ReportError(options.file, "give one of --forward and --inverse");
        return 1;
    }
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    KsDvi& dvi = session.Document();
    // The SyncTeX file lies beside the document under the name it was given.
    ksdvi::SourceSync sync(dvi, session.Path());
    ksdvi::SourceSync::Origin const origin = sync.From();
    if (!sync.Problem().empty()) ReportWarning(options.file, sync.Problem() + "; using the src: specials");
    if (origin == ksdvi::SourceSync::Origin::None) {
        ReportError(options.file,
                    "neither a SyncTeX file nor src: specials (run TeX with -synctex=1 or -src-specials)");
        return 1;
    }
    auto pixels = ksdvi::PixelMapping::OneInchIn(dvi, options.dpi);
    if (!options.forward.empty()) return Forward(sync, pixels, options);
    return Inverse(sync, pixels, dvi.GetNPage(), options);
}
