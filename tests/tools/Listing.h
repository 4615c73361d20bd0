#pragma once
// Page listings to compare: what `ksdvi trace` prints and what dvitype prints,
// both reduced to the same records.

#include <sstream>
#include <string>
#include <vector>

#include "support/Cli.h"

struct ListingEntry {
    std::string kind;  // char, rule, special
    long offset = 0;   // within the page
    long h = 0, v = 0;
    long a = 0, b = 0;  // char: code, width; rule: height, width
    std::string text;   // special text, unescaped
    long font = -1;     // char: the font number dvitype says is current
    bool operator==(ListingEntry const&) const = default;
};

struct PageListing {
    long start = 0;  // file offset of the page
    std::vector<ListingEntry> entries;
};

inline std::string Unescape(std::string const& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') {
            out.push_back('\\');
            ++i;
        } else if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

// `ksdvi trace` output, one listing per page.
inline std::vector<PageListing> ParseTrace(std::string const& text) {
    std::vector<PageListing> pages;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream l(line);
        std::string kind;
        l >> kind;
        if (kind == "page") {
            pages.emplace_back();
            continue;
        }
        if (pages.empty()) continue;
        ListingEntry e;
        e.kind = kind;
        if (kind == "char") {
            long height, depth;
            l >> e.offset >> e.h >> e.v >> e.a >> e.b >> height >> depth;
        } else if (kind == "rule") {
            l >> e.offset >> e.h >> e.v >> e.a >> e.b;
        } else if (kind == "special") {
            long length;
            l >> e.offset >> length;
            std::string escaped;
            l >> escaped;
            e.text = Unescape(escaped);
        }
        pages.back().entries.push_back(e);
    }
    return pages;
}

// dvitype -output-level=4, tracking h and v from the values it prints.
inline std::vector<PageListing> ParseDvitype(std::string const& text) {
    std::vector<PageListing> pages;
    std::istringstream in(text);
    std::string line;
    long h = 0, v = 0, font = -1;
    auto valueAfterLastEquals = [](std::string const& s, std::string const& key) -> long {
        size_t at = s.find(key);
        size_t comma = s.find(',', at);
        size_t eq = s.rfind('=', comma);
        return std::stol(s.substr(eq + 1, comma - eq - 1));
    };
    while (std::getline(in, line)) {
        if (line.rfind("level ", 0) == 0) {
            size_t hp = line.find("(h=");
            size_t vp = line.find(",v=");
            h = std::stol(line.substr(hp + 3));
            v = std::stol(line.substr(vp + 3));
            continue;
        }
        size_t colon = line.find(": ");
        bool numbered = colon != std::string::npos && colon > 0 && line.find_first_not_of("0123456789") == colon;
        if (!numbered) {
            if (line.rfind(" h:=", 0) == 0) h = valueAfterLastEquals(line, "h:=");
            continue;
        }
        long offset = std::stol(line.substr(0, colon));
        std::string rest = line.substr(colon + 2);
        if (rest.rfind("beginning of page", 0) == 0) {
            pages.emplace_back();
            pages.back().start = offset;
            h = v = 0;
            continue;
        }
        if (pages.empty()) continue;
        long rel = offset - pages.back().start;
        if (rest.rfind("setchar", 0) == 0 || rest.rfind("set1 ", 0) == 0 || rest.rfind("put1 ", 0) == 0) {
            ListingEntry e{"char", rel, h, v, 0, 0, "", font};
            e.a = std::stol(rest.substr(rest.rfind("setchar", 0) == 0 ? 7 : 5));
            long before = h;
            if (rest.find("h:=") != std::string::npos) h = valueAfterLastEquals(rest, "h:=");
            e.b = rest.rfind("put1 ", 0) == 0 ? -1 : h - before;
            pages.back().entries.push_back(e);
            continue;
        }
        if (rest.rfind("fntnum", 0) == 0 || rest.rfind("fnt1 ", 0) == 0) {
            font = std::stol(rest.substr(rest.rfind("fntnum", 0) == 0 ? 6 : 5));
            continue;
        }
        if (rest.rfind("setrule", 0) == 0 || rest.rfind("putrule", 0) == 0) {
            ListingEntry e{"rule", rel, h, v, 0, 0, ""};
            e.a = std::stol(rest.substr(rest.find("height ") + 7));
            e.b = std::stol(rest.substr(rest.find("width ") + 6));
            if (e.a > 0 && e.b > 0) pages.back().entries.push_back(e);
            continue;
        }
        if (rest.rfind("xxx '", 0) == 0) {
            std::string body = rest.substr(5);
            body = body.substr(0, body.rfind('\''));
            pages.back().entries.push_back({"special", rel, 0, 0, 0, 0, body});
            continue;
        }
        if (rest.find("h:=") != std::string::npos) h = valueAfterLastEquals(rest, "h:=");
        if (rest.find("v:=") != std::string::npos) v = valueAfterLastEquals(rest, "v:=");
    }
    return pages;
}
