// ksdvi text: the text of each page as a reader would copy it, in UTF-8;
// pages end with a form feed, as pdftotext ends them.
//   json: [{"page", "lines": [[{"text", "rect": [x, y, w, h]}, ...], ...]}]
//   (each line's words with their boxes in the pixels of `ksdvi render`)

#include <cstdio>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "JsonLines.h"
#include "PageTexts.h"
#include "page/PixelMapping.h"

int RunText(TextOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    auto pages = LoadPages(session, options.pages);
    if (!pages) return 1;
    KsDvi& dvi = session.Document();
    auto pixels = ksdvi::PixelMapping::OneInchIn(dvi, options.dpi);
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    bool whole = ForEachPageText(session, *pages, [&](int page, std::vector<ksdvi::UnicodeChar> const& chars) {
        if (!options.json) {
            std::string text = ksdvi::UnicodeText::GetString(chars, dvi.GetWinFont());
            std::printf("%s%s\f", text.c_str(), text.empty() ? "" : "\n");
            return;
        }
        nlohmann::ordered_json lines = nlohmann::ordered_json::array();
        for (ksdvi::TextLine const& line : ksdvi::UnicodeText::GetLines(chars, dvi.GetWinFont())) {
            nlohmann::ordered_json words = nlohmann::ordered_json::array();
            for (ksdvi::TextWord const& w : line)
                words.push_back({{"text", w.text},
                                 {"rect", pixels.Box(w.left, w.top, static_cast<int>(int64_t(w.right) - w.left),
                                                     static_cast<int>(int64_t(w.bottom) - w.top))}});
            lines.push_back(words);
        }
        all.push_back({{"page", page + 1}, {"lines", lines}});
    });
    if (options.json) PrintJsonLines(all);
    return whole ? 0 : 1;
}
