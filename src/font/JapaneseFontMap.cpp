#include "font/JapaneseFontMap.h"

#include <cctype>
#include <fstream>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "font/CidCharacters.h"
#include "platform/kpathsea/KPathSea.h"

namespace ksdvi {

namespace {

// kanjix.map first (updmap's choice), then the maps of the families TeX Live
// ships, for pTeX, upTeX and the otf package's fonts (hminr-h, otf-ujmr-h ...),
// and for the Korean fonts of the otf package's multi option and of upTeX
// (otf-ukmr-h, uphysmjm-h), whose HaranoAji K1 faces Debian does not ship.
constexpr char const* kMaps[] = {"kanjix.map",           "ptex-haranoaji.map",
                                 "uptex-haranoaji.map",  "otf-haranoaji.map",
                                 "otf-up-haranoaji.map", "ptex-ipaex.map",
                                 "uptex-ipaex.map",      "otf-ipaex.map",
                                 "otf-up-ipaex.map",     "otf-ko-unfonts.map",
                                 "uptex-ko-unfonts.map", "otf-ko-baekmuk.map",
                                 "uptex-ko-baekmuk.map", nullptr};
// Map files of real installations are a few hundred lines.
constexpr std::streamoff kLargestMap = 1 << 22;

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size() && words.size() < 4) {
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        size_t start = at;
        while (at < line.size() && !std::isspace(static_cast<unsigned char>(line[at]))) ++at;
        if (at > start) words.push_back(line.substr(start, at - start));
    }
    return words;
}

struct MapFile {
    std::string path;
    std::unordered_map<std::string, JapaneseMapLine> entries;  // the first line of each name
};

MapFile ReadMap(std::string const& path) {
    MapFile map;
    map.path = path;
    std::ifstream in(path);
    if (!in) return map;
    in.seekg(0, std::ios::end);
    if (in.tellg() > kLargestMap) return map;
    in.seekg(0);
    std::string line;
    JapaneseMapLine entry;
    while (std::getline(in, line))
        if (ParseJapaneseMapLine(line, entry)) map.entries.try_emplace(entry.name, entry);
    return map;
}

// The maps by the path found, read once per process.
MapFile const& MapAt(std::string const& path) {
    static std::mutex lock;
    static std::map<std::string, MapFile> maps;
    std::lock_guard guard(lock);
    auto it = maps.find(path);
    if (it == maps.end()) it = maps.emplace(path, ReadMap(path)).first;
    return it->second;
}

// "unicode": the face's own Unicode table (pxchfon's lines for Noto and Source Han).
bool IsFacesUnicode(std::string const& cmap) { return cmap == "unicode"; }
bool IsUnicodeCMap(std::string const& cmap) { return cmap.rfind("Uni", 0) == 0 || IsFacesUnicode(cmap); }
bool IsVerticalCMap(std::string const& cmap) { return cmap == "V" || cmap.ends_with("-V"); }

}  // namespace

char const* const* JapaneseMapNames() { return kMaps; }

bool ParseJapaneseMapLine(std::string_view line, JapaneseMapLine& out) {
    if (line.empty() || line[0] == '%' || line[0] == '#') return false;
    std::vector<std::string_view> words = Words(line);
    if (words.size() < 3 || words[2][0] == '-') return false;
    out.name = std::string(words[0]);
    out.cmap = std::string(words[1]);
    std::string_view font = words[2];
    if (!font.empty() && font[0] == '!') font.remove_prefix(1);
    out.index = 0;
    if (font.size() > 2 && font[0] == ':') {
        size_t end = font.find(':', 1);
        if (end == std::string_view::npos || end > 4) return false;
        unsigned index = 0;
        for (char c : font.substr(1, end - 1)) {
            if (c < '0' || c > '9') return false;
            index = index * 10 + unsigned(c - '0');
        }
        out.index = index;
        font.remove_prefix(end + 1);
    }
    if (size_t comma = font.find(','); comma != std::string_view::npos) font = font.substr(0, comma);
    if (font.empty() || out.name.empty() || out.cmap.empty()) return false;
    out.font = std::string(font);
    return true;
}

JapaneseFont FindJapaneseFont(KPathSea* finder, std::string const& name, bool vertical,
                              std::vector<JapaneseMapLine> const* documentLines) {
    JapaneseFont out;
    bool cmapKnown = false;
    auto take = [&](std::string const& map, JapaneseMapLine const& line) {
        if (!cmapKnown) {
            out.unicode = IsUnicodeCMap(line.cmap);
            // The face's table says nothing of the direction (`-w 1` does): the JFM's.
            out.vertical = IsFacesUnicode(line.cmap) ? vertical : IsVerticalCMap(line.cmap);
            out.cids = line.cmap.rfind("Identity", 0) == 0;
            out.cmap = line.cmap;
            cmapKnown = true;
        }
        out.faces.push_back({map, line.font, line.index});
    };
    if (documentLines)
        for (auto line = documentLines->rbegin(); line != documentLines->rend(); ++line)
            if (line->name == name) {
                take("", *line);
                break;
            }
    for (char const* const* map = kMaps; finder && *map; ++map) {
        std::string path = finder->Find(*map, KPathSea::Format::FontMap);
        if (path.empty()) continue;
        MapFile const& file = MapAt(path);
        auto it = file.entries.find(name);
        if (it == file.entries.end()) continue;
        take(path, it->second);
    }
    if (!cmapKnown) {
        out.unicode = !name.empty() && name[0] == 'u';
        out.vertical = vertical;
    }
    if (out.cids) out.cidCharacters = AdobeJapan1Characters(finder);
    return out;
}

}  // namespace ksdvi
