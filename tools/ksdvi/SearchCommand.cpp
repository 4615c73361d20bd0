// ksdvi search: where a string occurs, in the Unicode text of the pages.
//   text: page PAGE X,Y,W,H...  (one line per occurrence, rectangles in the
//         pixels of `ksdvi render` at the same resolution)
//   json: [{"page", "text", "rects": [[x, y, w, h], ...]}]
// Exit status: 0 when found, 1 when not, 2 on errors.

#include <cstdio>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "JsonLines.h"
#include "PageTexts.h"
#include "page/PixelMapping.h"
#include "text/UnicodeSearch.h"

namespace {

using Json = nlohmann::ordered_json;

constexpr int kFound = 0, kNotFound = 1, kFailed = 2;

}  // namespace

int RunSearch(SearchOptions const& options) {
    ksdvi::UnicodeSearch search(options.pattern, options.matchCase);
    if (!search.IsValid()) {
        ReportError(options.file, "the pattern has nothing to search for but white space");
        return kFailed;
    }
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    auto pages = LoadPages(session, options.pages);
    if (!pages) return kFailed;

    std::vector<ksdvi::TextMatch> matches;
    bool whole = ForEachPageText(session, *pages, [&](int page, std::vector<ksdvi::UnicodeChar> const& chars) {
        search.FindOnPage(page, chars, session.Document().GetWinFont(), matches);
    });
    auto pixels = ksdvi::PixelMapping::OneInchIn(session.Document(), options.dpi);
    Json all = Json::array();
    for (ksdvi::TextMatch const& match : matches) {
        Json rects = Json::array();
        std::string line = "page " + std::to_string(match.page + 1);
        for (auto const& r : match.rects) {
            auto box = pixels.Box(r.left, r.top, r.width, r.height);
            rects.push_back(box);
            char piece[64];
            std::snprintf(piece, sizeof piece, " %d,%d,%d,%d", int(box[0]), int(box[1]), int(box[2]), int(box[3]));
            line += piece;
        }
        if (options.json)
            all.push_back({{"page", match.page + 1}, {"text", match.text}, {"rects", rects}});
        else
            std::printf("%s\n", line.c_str());
    }
    if (options.json) PrintJsonLines(all);
    if (!whole) return kFailed;
    return matches.empty() ? kNotFound : kFound;
}
