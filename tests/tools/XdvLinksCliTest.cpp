// ksdvi links and outline on a XeLaTeX document with hyperref, made at test
// time: its pdf: specials give the links, anchors and bookmarks that
// xdvipdfmx puts into the PDF it makes of the same file. The PDF is written
// uncompressed and read here with a small reader of its objects; the
// bookmarks come from pdftohtml. Skipped without XeTeX, the peers, hyperref
// or fontspec. Then a document built byte by byte for what TeX's output
// shows only by chance: lines whose boxes overlap, nolink, areas nested and
// run on over a page, pdf:ann boxes, bookmarks that skip levels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

constexpr int kDpi = 100;

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;  // pixels at kDpi from the paper's top left
};

// How much of the smaller rectangle the two share.
double Overlap(Rect const& a, Rect const& b) {
    double w = std::min(a.x + a.w, b.x + b.w) - std::max(a.x, b.x);
    double h = std::min(a.y + a.h, b.y + b.h) - std::max(a.y, b.y);
    double smaller = std::min(a.w * a.h, b.w * b.h);
    return w <= 0 || h <= 0 || smaller <= 0 ? 0 : w * h / smaller;
}

// page (1-based) and where a link leads ("#name" or a URL) -> its rectangles
using LinkAreas = std::map<std::pair<int, std::string>, std::vector<Rect>>;

// The link annotations of the uncompressed PDF xdvipdfmx writes (-z 0 -V 4),
// by page and target: its page objects come in page order, each with its
// /Annots, each of those with /Rect and /URI or /D.
LinkAreas PeerLinks(std::string const& pdf) {
    std::map<int, std::string> objects;
    for (size_t at = pdf.find(" 0 obj"); at != std::string::npos; at = pdf.find(" 0 obj", at + 1)) {
        size_t start = at, end = pdf.find("endobj", at);
        while (start > 0 && std::isdigit(static_cast<unsigned char>(pdf[start - 1]))) --start;
        if (start < at && end != std::string::npos)
            objects[std::stoi(pdf.substr(start, at - start))] = pdf.substr(at, end - at);
    }
    auto first = [](std::string const& text, char const* pattern) {
        std::smatch m;
        return std::regex_search(text, m, std::regex(pattern)) ? std::string(m[1]) : std::string();
    };
    auto each = [](std::string const& text, char const* pattern) {
        std::vector<std::string> all;
        std::regex const re(pattern);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
            all.push_back((*it)[1]);
        return all;
    };
    double const height =
                     std::stod(std::string("0").append(first(pdf, R"(/MediaBox\s*\[\s*0\s+0\s+[\d.]+\s+([\d.]+))"))),
                 scale = kDpi / 72.0;
    LinkAreas links;
    int page = 0;
    for (auto const& [number, body] : objects) {
        if (!std::regex_search(body, std::regex("/Type\\s*/Page[^s]"))) continue;
        ++page;
        std::string annots = first(body, R"(/Annots\s*(\[[^\]]*\]|\d+ 0 R))");
        if (!annots.empty() && annots[0] != '[') annots = objects[std::stoi(annots)];
        for (std::string const& ref : each(annots, R"((\d+) 0 R)")) {
            std::string const& annot = objects[std::stoi(ref)];
            std::string target = first(annot, R"(/URI\s*\(([^)]*)\))");
            // append: GCC 12 at -O3 takes "#" + ... in this loop for overlapping copies (-Wrestrict)
            if (target.empty()) target = std::string("#").append(first(annot, R"(/D\s*\(([^)]*)\))"));
            std::smatch m;
            if (!std::regex_search(annot, m,
                                   std::regex(R"(/Rect\s*\[\s*([-\d.]+)\s+([-\d.]+)\s+([-\d.]+)\s+([-\d.]+))")))
                continue;
            double x0 = std::stod(m[1]), y0 = std::stod(m[2]), x1 = std::stod(m[3]), y1 = std::stod(m[4]);
            links[{page, target}].push_back({x0 * scale, (height - y1) * scale, (x1 - x0) * scale, (y1 - y0) * scale});
        }
    }
    return links;
}

// The entries of `ksdvi outline --json`, depth first.
std::vector<nlohmann::json> Entries(nlohmann::json const& tree) {
    std::vector<nlohmann::json> all;
    for (auto const& node : tree) {
        all.push_back(node);
        for (nlohmann::json& child : Entries(node["children"])) all.push_back(std::move(child));
    }
    return all;
}

// The document, made by xelatex twice (for the contents and the bookmarks)
// and by xdvipdfmx.
class XeLatexLinks : public testing::Test {
protected:
    void SetUp() override {
        for (char const* tool : {"xelatex", "xdvipdfmx", "pdftohtml"})
            if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
        for (char const* package : {"hyperref.sty", "fontspec.sty"})
            if (!TexFileInstalled(package)) GTEST_SKIP() << package << " is not installed";
        std::ofstream(dir_ / "doc.tex", std::ios::binary)
            << "\\documentclass{article}\n\\usepackage{fontspec}\n\\usepackage[breaklinks]{hyperref}\n"
               "\\begin{document}\n\\tableofcontents\n\\section{First}\\label{first}\n"
               "See section~\\ref{second} and \\url{https://example.org/}.\n"
               "\\subsection{\xC3\x9C"
               "ber Gr\xC3\xB6\xC3\x9F"
               "en}\\label{sizes}\n"
               "Some words to fill the line before the link starts here and now\n"
               "\\href{https://example.org/a/very/long/path}{a link whose text is long enough to be broken "
               "over two lines by TeX} and more.\n"
               "\\newpage\n\\section{Second}\\label{second}\nBack to \\ref{first} and \\ref{sizes}.\n"
               "\\end{document}\n";
        ASSERT_TRUE(Typeset(dir_.Path(), "xelatex -no-pdf", 2));
        RunOk("cd " + dir_.Path() + " && xdvipdfmx -q -z 0 -V 4 -o doc.pdf doc.xdv >/dev/null 2>&1");
    }

    std::string Xdv() const { return dir_ / "doc.xdv"; }
    std::string Pdf() const { return dir_ / "doc.pdf"; }

    TempDir dir_;
};

// Every link xdvipdfmx makes, page by page, ksdvi finds with the same
// target and as many rectangles (two for the link TeX broke), each over one
// of xdvipdfmx's; every rectangle of ksdvi's lies over one of xdvipdfmx's.
TEST_F(XeLatexLinks, LinksAreXdvipdfmxsLinks) {
    LinkAreas const theirs = PeerLinks(ReadFileText(Pdf()));
    ASSERT_GE(theirs.size(), 6u) << "xdvipdfmx's links were not read";

    nlohmann::json const links =
        nlohmann::json::parse(KsdviOk("links --json -r " + std::to_string(kDpi) + " " + Xdv()));
    LinkAreas ours;
    for (auto const& link : links) {
        EXPECT_EQ(link["kind"], "pdfmark");
        for (auto const& r : link["rects"])
            ours[{link["page"].get<int>(), link["href"].get<std::string>()}].push_back({r[0], r[1], r[2], r[3]});
    }

    std::vector<std::pair<int, std::string>> ourKeys, theirKeys;
    for (auto const& [key, rects] : ours) ourKeys.push_back(key);
    for (auto const& [key, rects] : theirs) theirKeys.push_back(key);
    EXPECT_EQ(ourKeys, theirKeys);
    EXPECT_TRUE(theirs.count({1, "#section.2"}) && theirs.count({1, "https://example.org/"}) &&
                theirs.count({2, "#subsection.1.1"}));

    bool broken = false;
    for (auto const& [key, rects] : ours) {
        auto other = theirs.find(key);
        if (other == theirs.end()) continue;
        SCOPED_TRACE("page " + std::to_string(key.first) + " " + key.second);
        EXPECT_EQ(rects.size(), other->second.size());
        broken = broken || (key.second == "https://example.org/a/very/long/path" && rects.size() == 2);
        for (Rect const& r : rects)
            EXPECT_TRUE(std::any_of(other->second.begin(), other->second.end(),
                                    [&](Rect const& o) { return Overlap(r, o) > 0.5; }))
                << r.x << "," << r.y << "," << r.w << "," << r.h;
    }
    EXPECT_TRUE(broken) << "the long link is not on two lines";
}

// The bookmarks are the ones pdftohtml reads from xdvipdfmx's PDF: titles
// (from UTF-16), levels and pages, in order; each is closed, as hyperref
// asks by default, and leads to its section's anchor.
TEST_F(XeLatexLinks, OutlineIsXdvipdfmxsOutline) {
    std::string const xml = RunCommand("pdftohtml -xml -stdout -i " + Pdf() + " 2>/dev/null");
    std::vector<std::tuple<int, std::string, int>> theirs;  // level, title, page
    int level = -1;
    std::regex const token(R"re(<outline>|</outline>|<item page="(\d+)">([^<]*)</item>)re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), token); it != std::sregex_iterator(); ++it) {
        std::string const all = (*it)[0];
        if (all == "<outline>")
            ++level;
        else if (all == "</outline>")
            --level;
        else
            theirs.emplace_back(level, (*it)[2], std::stoi((*it)[1]));
    }
    ASSERT_EQ(theirs.size(), 3u) << xml;

    std::vector<std::tuple<int, std::string, int>> ours;
    std::vector<std::string> targets;
    for (nlohmann::json const& entry : Entries(nlohmann::json::parse(KsdviOk("outline --json " + Xdv())))) {
        ours.emplace_back(entry["level"], entry["title"], entry["page"].is_null() ? 0 : entry["page"].get<int>());
        targets.push_back(entry["target"]);
        EXPECT_EQ(entry["open"], false) << entry;
    }
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(targets, (std::vector<std::string>{"section.1", "subsection.1.1", "section.2"}));
}

// A built document in a file of the test's own; `ksdvi COMMAND --json` of it.
nlohmann::json JsonOf(std::string const& command, DviBuilder const& document) {
    TempDir dir;
    document.WriteTo(dir / "built.dvi");
    return nlohmann::json::parse(KsdviOk(command + " --json -r 72 " + (dir / "built.dvi")));
}

constexpr int32_t kPt = 65536;  // the built documents' DVI unit is the scaled point

// A length of TeX's points in pixels at 72 dpi, and a position after the inch margin.
double Pixels(double points) { return points * 72 / 72.27; }
double At(double points) { return 72 + Pixels(points); }

// Lines are TeX's boxes: the area's second line overlaps the first in
// height yet is a rectangle of its own; what nolink and link enclose and an
// area begun inside another leave the link alone. An area left open at the
// end of a page runs on over the next one, its first line that page's
// head, as xdvipdfmx has it. A pdf:ann box is the box it names.
TEST(PdfSpecialAreas, LinesAreTeXsBoxesAndAreasRunOnOverPages) {
    DviBuilder b;
    b.Pre().Bop(1).Op(160).U(100 * kPt, 4);  // down4 100pt
    b.Op(141).Special("pdf:bann<</Subtype/Link/Dest(d)>>").Special("pdf:bann<</Subtype/Link/Dest(inner)>>");
    b.Rule(10 * kPt, 50 * kPt).Op(142);                        // push, rule, pop
    b.Op(160).U(6 * kPt, 4).Op(141).Rule(10 * kPt, 30 * kPt);  // 6pt down: a line overlapping the first
    b.Special("pdf:nolink").Op(146).U(200 * kPt, 4).Rule(10 * kPt, 10 * kPt).Special("pdf:link");  // right4 200pt
    b.Special("pdf:eann").Op(142);
    b.Op(160).U(50 * kPt, 4).Op(141).Op(146).U(100 * kPt, 4);  // 156pt down, 100pt right
    b.Special("pdf:ann width 20pt height 10pt depth 2pt <</Subtype/Link/A<</S/URI/URI(http://x.org/)>>>>").Op(142);
    b.Op(160).U(100 * kPt, 4).Op(141).Special("pdf:bann<</Subtype/Link/Dest(next)>>").Rule(10 * kPt, 40 * kPt);
    b.Op(142).Eop();
    b.Bop(2).Op(141).Op(141).Op(160).U(20 * kPt, 4).Rule(10 * kPt, 100 * kPt).Op(142).Op(142);  // a head
    b.Op(160).U(200 * kPt, 4).Op(141).Rule(10 * kPt, 60 * kPt).Special("pdf:eann").Op(142).Eop().Post();

    struct Expected {
        int page;
        std::string href;
        std::vector<Rect> rects;
    } const expected[] = {
        {1, "#d", {{At(0), At(90), Pixels(50), Pixels(10)}, {At(0), At(96), Pixels(30), Pixels(10)}}},
        {1, "http://x.org/", {{At(100), At(146), Pixels(20), Pixels(12)}}},
        {1, "#next", {{At(0), At(246), Pixels(40), Pixels(10)}}},
        {2, "#next", {{At(0), At(10), Pixels(100), Pixels(10)}, {At(0), At(190), Pixels(60), Pixels(10)}}},
    };
    nlohmann::json const links = JsonOf("links", b);
    ASSERT_EQ(links.size(), std::size(expected)) << links;
    for (size_t i = 0; i < links.size(); ++i) {
        Expected const& e = expected[i];
        SCOPED_TRACE(links[i].dump());
        EXPECT_EQ(links[i]["page"], e.page);
        EXPECT_EQ(links[i]["href"], e.href);
        ASSERT_EQ(links[i]["rects"].size(), e.rects.size());
        for (size_t j = 0; j < e.rects.size(); ++j) {
            auto const& r = links[i]["rects"][j];
            EXPECT_NEAR(r[0].get<double>(), e.rects[j].x, 1.5);
            EXPECT_NEAR(r[1].get<double>(), e.rects[j].y, 1.5);
            EXPECT_NEAR(r[2].get<double>(), e.rects[j].w, 2.5);
            EXPECT_NEAR(r[3].get<double>(), e.rects[j].h, 2.5);
        }
    }
}

// An area TeX broke into more lines than a page holds keeps 10,000
// rectangles, the last taking in the rest.
TEST(PdfSpecialAreas, LinesAreBounded) {
    DviBuilder b;
    b.Pre().Bop(1).Special("pdf:bann<</Subtype/Link/Dest(d)>>");
    for (int line = 0; line < 10100; ++line) b.Op(141).Rule(kPt, kPt).Op(142).Op(160).U(2 * kPt, 4);
    nlohmann::json const links = JsonOf("links", b.Special("pdf:eann").Eop().Post());
    ASSERT_EQ(links.size(), 1u);
    ASSERT_EQ(links[0]["rects"].size(), 10000u);
    EXPECT_GT(links[0]["rects"][9999][3].get<int>(), 150);  // the last 101 lines, 2 pt apart
}

// Levels count from the lowest met so far, an entry goes at most one level
// below the one before it, and [] shows an entry open, [-] or nothing
// closed. A pdf:dest anchor is the current point.
TEST(PdfSpecialBookmarks, LevelsAndOpenStateAsXdvipdfmxReadsThem) {
    DviBuilder b;
    b.Pre().Bop(1).Op(146).U(100 * kPt, 4).Op(160).U(50 * kPt, 4).Special("pdf:dest (d) [@thispage /Fit]");
    for (char const* bookmark :
         {"pdf:outline [] 2 <</Title(B)/A<</S/GoTo/D(d)>>>>", "pdf:out 4 <</Title(C)/Dest(nowhere)>>",
          "pdf:out [-] 1 <</Title(A)/Dest(d)>>", "pdf:out 2 <</Title<FEFF00C4>/Dest[@page1/Fit]>>",
          "pdf:outline [] 3 <</Title(E)/Dest(d)>>"})
        b.Special(bookmark);
    std::vector<std::string> seen;
    for (nlohmann::json const& entry : Entries(JsonOf("outline", b.Eop().Post())))
        seen.push_back(std::to_string(entry["level"].get<int>()) + " " + entry["title"].get<std::string>() + " " +
                       entry["target"].get<std::string>() + (entry["open"] ? " open" : "") +
                       (entry["page"].is_null() ? "" : " at " + entry["x"].dump() + "," + entry["y"].dump()));
    std::string const at = " at " + std::to_string(static_cast<int>(std::lround(At(100)))) + "," +
                           std::to_string(static_cast<int>(std::lround(At(50))));
    EXPECT_EQ(seen,
              (std::vector<std::string>{"0 B d open" + at, "1 C nowhere", "0 A d" + at, "1 \xC3\x84 ", "2 E d" + at}));
}

}  // namespace
