// The rectangles `ksdvi search`, `text --json` and `links` give, against
// boxes built from dvitype's positions and widths and the heights and depths
// tftopl reads from the fonts' metric files: a pixel too wide or too high
// anywhere shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "Listing.h"
#include "support/Cli.h"

namespace {

using Json = nlohmann::json;

// Heights and depths of a font's characters, in its design size's units.
struct Dimensions {
    std::map<long, double> height, depth;
};

Dimensions ReadMetrics(std::string const& font) {
    std::string const tfm = RunCommand("kpsewhich " + font + ".tfm");
    std::istringstream pl(RunCommand("tftopl -charcode-format=octal " + tfm.substr(0, tfm.find('\n'))));
    Dimensions d;
    long code = -1;
    std::string line;
    std::smatch m;
    while (std::getline(pl, line)) {
        if (std::regex_search(line, m, std::regex(R"(^\(CHARACTER O (\d+))")))
            code = std::stol(m[1], nullptr, 8);
        else if (std::regex_search(line, m, std::regex(R"(\(CHARHT R (-?[\d.]+)\))")))
            d.height[code] = std::stod(m[1]);
        else if (std::regex_search(line, m, std::regex(R"(\(CHARDP R (-?[\d.]+)\))")))
            d.depth[code] = std::stod(m[1]);
    }
    return d;
}

// A document as dvitype reads it: pages of characters, rules and specials,
// each font's name and size, and DVI units per inch.
struct Dvitype {
    std::vector<PageListing> pages;
    std::map<long, std::pair<std::string, double>> fonts;  // number: name, size in DVI units
    double unitsPerInch = 0;

    explicit Dvitype(std::string const& file) {
        std::string const out = RunCommand("dvitype -output-level=4 " + file);
        pages = ParseDvitype(out);
        std::istringstream in(out);
        std::string line;
        std::smatch m;
        long num = 0, den = 0, mag = 0;
        while (std::getline(in, line)) {
            if (std::regex_search(line, m, std::regex(R"(^Font (\d+): ([^ -]+).*loaded at size (\d+) DVI units)")))
                fonts[std::stol(m[1])] = {m[2], std::stod(m[3])};
            else if (std::regex_search(line, m, std::regex(R"(^numerator/denominator=(\d+)/(\d+))")))
                num = std::stol(m[1]), den = std::stol(m[2]);
            else if (std::regex_search(line, m, std::regex(R"(^magnification=(\d+))")))
                mag = std::stol(m[1]);
        }
        // A DVI unit is num/den x 10^-7 m, magnified by mag/1000.
        unitsPerInch = 254000.0 * den / num / (mag / 1000.0);
    }
};

// A character's box in DVI units, from its reference point.
struct Box {
    double left, top, right, bottom;
};

class Boxes {
public:
    explicit Boxes(Dvitype const& doc) : doc_(doc) {}
    Box Of(ListingEntry const& c) {
        auto const& [name, size] = doc_.fonts.at(c.font);
        if (!metrics_.count(name)) metrics_[name] = ReadMetrics(name);
        Dimensions const& d = metrics_[name];
        double const height = d.height.count(c.a) ? d.height.at(c.a) * size : 0;
        double const depth = d.depth.count(c.a) ? d.depth.at(c.a) * size : 0;
        return {double(c.h), c.v - height, double(c.h + c.b), c.v + depth};
    }

private:
    Dvitype const& doc_;
    std::map<std::string, Dimensions> metrics_;
};

// Pixels at `dpi`, the DVI origin an inch from the corner; positions round
// half away from zero, lengths up.
struct Pixels {
    double perUnit;
    int dpi;
    int At(double units) const { return int(std::lround(units * perUnit)) + dpi; }
    int Length(double units) const { return int(std::ceil(units * perUnit)); }
};

// The characters of `page` that spell `word` one after another.
std::vector<ListingEntry> Spelling(PageListing const& page, std::string const& word) {
    std::vector<ListingEntry> chars;
    for (ListingEntry const& e : page.entries)
        if (e.kind == "char") chars.push_back(e);
    for (size_t i = 0; i + word.size() <= chars.size(); ++i) {
        bool same = true;
        for (size_t k = 0; k < word.size() && same; ++k) same = chars[i + k].a == static_cast<unsigned char>(word[k]);
        if (same) return {chars.begin() + long(i), chars.begin() + long(i + word.size())};
    }
    return {};
}

Box Union(std::vector<Box> const& boxes) {
    Box u = boxes.front();
    for (Box const& b : boxes)
        u = {std::min(u.left, b.left), std::min(u.top, b.top), std::max(u.right, b.right),
             std::max(u.bottom, b.bottom)};
    return u;
}

// Search hits and words: the union of the characters' boxes in DVI units,
// then in pixels.
std::vector<int> TextRect(Box const& u, Pixels const& px) {
    int const x = px.At(u.left), y = px.At(u.top);
    return {x, y, std::max(1, px.At(u.right) - x), std::max(1, px.At(u.bottom) - y)};
}

// A test document at a resolution: dvitype's reading, its characters'
// boxes, and what a ksdvi command says of it.
struct Measured {
    std::string file;
    int dpi;
    Dvitype doc;
    Pixels px;
    Boxes boxes;

    Measured(std::string const& name, int dpi)
        : file(DataFile(name)), dpi(dpi), doc(file), px{dpi / doc.unitsPerInch, dpi}, boxes(doc) {}

    // The union of the characters' boxes.
    Box Around(std::vector<ListingEntry> const& chars) {
        std::vector<Box> each;
        for (ListingEntry const& c : chars) each.push_back(boxes.Of(c));
        return Union(each);
    }
    // `ksdvi COMMAND --json -r DPI FILE ARGS`, which must succeed.
    Json Run(std::string const& command, std::string const& args = "") {
        return Json::parse(KsdviOk(command + " --json -r " + std::to_string(dpi) + " " + file + " " + args));
    }
};

class Geometry : public testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Resolutions, Geometry, testing::Values(72, 150, 600),
                         [](auto const& info) { return std::to_string(info.param) + "dpi"; });

TEST_P(Geometry, SearchRectanglesAreTheCharactersBoxes) {
    Measured m("latex.dvi", GetParam());
    ASSERT_EQ(m.doc.pages.size(), 2u);
    std::vector<ListingEntry> chars = Spelling(m.doc.pages[1], "Secondpage");
    ASSERT_EQ(chars.size(), 10u);
    Json hits = m.Run("search", "'Second page'");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0]["page"], 2);
    ASSERT_EQ(hits[0]["rects"].size(), 1u);
    EXPECT_EQ(hits[0]["rects"][0].get<std::vector<int>>(), TextRect(m.Around(chars), m.px));
}

TEST_P(Geometry, WordBoxesAreTheCharactersBoxes) {
    Measured m("latex.dvi", GetParam());
    Json pages = m.Run("text -p 1");
    int checked = 0;
    for (char const* word : {"Introduction", "exercises", "Document"}) {
        std::vector<ListingEntry> chars = Spelling(m.doc.pages[0], word);
        ASSERT_FALSE(chars.empty()) << word;
        for (Json const& line : pages[0]["lines"])
            for (Json const& w : line)
                if (w["text"] == word) {
                    EXPECT_EQ(w["rect"].get<std::vector<int>>(), TextRect(m.Around(chars), m.px)) << word;
                    ++checked;
                }
    }
    EXPECT_EQ(checked, 3);
}

// A link's area grows from each character drawn inside it: the character's
// box in whole pixels and one pixel more on every side.
TEST_P(Geometry, LinkAreasAreTheLinkTextsBoxes) {
    Measured m("links.dvi", GetParam());
    Pixels const& px = m.px;
    std::vector<Box> each;
    bool inside = false;
    for (ListingEntry const& e : m.doc.pages[0].entries) {
        if (e.kind == "special") {
            if (e.text.find("html:<a href=\"http://example.org/\"") == 0) inside = true;
            if (e.text == "html:</a>") inside = false;
        } else if (e.kind == "char" && inside) {
            Box const b = m.boxes.Of(e);
            double const height = e.v - b.top, depth = b.bottom - e.v;
            int const x = px.At(b.left) - 1, y = px.At(e.v) - px.Length(height) - 1;
            each.push_back(
                {double(x), double(y), double(x + px.Length(e.b) + 2), double(y + px.Length(height + depth) + 2)});
        }
    }
    ASSERT_EQ(each.size(), 9u) << "to the site";
    Box const u = Union(each);
    Json links = m.Run("links");
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links[0]["href"], "http://example.org/");
    ASSERT_EQ(links[0]["rects"].size(), 1u);
    EXPECT_EQ(links[0]["rects"][0].get<std::vector<int>>(),
              (std::vector<int>{int(u.left), int(u.top), int(u.right - u.left), int(u.bottom - u.top)}));
}

}  // namespace
