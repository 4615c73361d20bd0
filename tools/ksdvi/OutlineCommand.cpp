// ksdvi outline: the document's bookmarks as a reader sees them, and where
// each leads.
//   text: one line per entry, two spaces of indent a level:
//         TITLE -> TARGET, page PAGE x X y Y
//         ("not in the document" for a target no page holds)
//   json: [{"title", "level", "target", "open", "page", "x", "y", "children": [...]}]
//         (page, x and y null for a target no page holds)
// X and Y are device pixels at the resolution given, as ksdvi locate has them.

#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "render/OffscreenPage.h"
#include "render/KsDviDrawer.h"

namespace {

using Json = nlohmann::ordered_json;
using Entry = KsDvi::OutlineEntry;

struct Place {
    int page = 0;  // 0-based
    int x = 0, y = 0;
};

// Where the entries' targets lie: each page that holds one is drawn once.
std::map<std::string, Place> PlaceTargets(KsDvi& dvi, std::vector<Entry> const& outline, int dpi, bool& failed,
                                          std::string const& file) {
    std::set<int> pages;
    for (Entry const& entry : outline)
        if (int page = dvi.FindTagPage(entry.target); page >= 0) pages.insert(page);
    std::map<std::string, Place> places;
    OffscreenPage offscreen(dpi);
    for (int page : pages) {
        bool drawn = offscreen.Run(dvi, page, String8(), [&](KsDviDrawer const& drawer) {
            for (KsDviDrawer::AnchorPoint const& anchor : drawer.GetAnchorPoints())
                places.emplace(std::string(anchor.name.view()), Place{page, anchor.x, anchor.y});
        });
        if (!drawn) {
            ReportError(file, offscreen.Error());
            failed = true;
        }
    }
    return places;
}

// Titles are UTF-8; line breaks and other controls in them print as spaces.
std::string Printable(String8 const& title) {
    std::string text(title.view());
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

std::optional<Place> Find(std::map<std::string, Place> const& places, String8 const& target) {
    auto it = places.find(std::string(target.view()));
    if (it == places.end()) return std::nullopt;
    return it->second;
}

void PrintText(std::vector<Entry> const& outline, std::map<std::string, Place> const& places) {
    for (Entry const& entry : outline) {
        std::string line(static_cast<size_t>(entry.level) * 2, ' ');
        line += Printable(entry.title) + " -> " + std::string(entry.target.view());
        if (auto place = Find(places, entry.target)) {
            char at[64];
            std::snprintf(at, sizeof at, ", page %d x %d y %d", place->page + 1, place->x, place->y);
            line += at;
        } else {
            line += ", not in the document";
        }
        std::printf("%s\n", line.c_str());
    }
}

// The entries from `i` on at `level` and below, as a tree; `i` ends past them.
Json Tree(std::vector<Entry> const& outline, std::map<std::string, Place> const& places, size_t& i, int level) {
    Json nodes = Json::array();
    while (i < outline.size() && outline[i].level >= level) {
        Entry const& entry = outline[i++];
        Json node = {{"title", Printable(entry.title)},
                     {"level", entry.level},
                     {"target", std::string(entry.target.view())},
                     {"open", entry.count > 0}};
        auto place = Find(places, entry.target);
        node["page"] = place ? Json(place->page + 1) : Json();
        node["x"] = place ? Json(place->x) : Json();
        node["y"] = place ? Json(place->y) : Json();
        node["children"] = Tree(outline, places, i, entry.level + 1);
        nodes.push_back(std::move(node));
    }
    return nodes;
}

}  // namespace

int RunOutline(OutlineOptions const& options) {
    auto fonts = LoadFonts(options.session.mapFiles);
    DocumentSession session(options.file, options.session, *fonts);
    if (!session.LoadOrReport()) return 1;
    KsDvi& dvi = session.Document();
    std::vector<Entry> const& outline = dvi.GetOutline();
    bool failed = false;
    std::map<std::string, Place> places = PlaceTargets(dvi, outline, options.dpi, failed, options.file);
    if (options.json) {
        size_t i = 0;
        std::cout << Tree(outline, places, i, 0).dump(2, ' ', false, Json::error_handler_t::replace) << std::endl;
    } else {
        PrintText(outline, places);
    }
    if (session.GetState() == DocumentSession::State::Malformed) {
        ReportError(options.file, session.Message());
        return 1;
    }
    return failed ? 1 : 0;
}
