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
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/TempDir.h"

namespace {

constexpr int kDpi = 100;

bool Found(std::string const& command) {
    int status = -1;
    RunCommand(command + " >/dev/null 2>&1", &status);
    return status == 0;
}

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

// The link annotations of an uncompressed PDF (xdvipdfmx -z 0 -V 4): the
// pages in the order of the page tree, each page's /Annots, their /Rect
// and their /URI or /D.
class PeerPdf {
public:
    explicit PeerPdf(std::string const& bytes) {
        for (size_t at = bytes.find(" 0 obj"); at != std::string::npos; at = bytes.find(" 0 obj", at + 1)) {
            size_t start = at;
            while (start > 0 && std::isdigit(static_cast<unsigned char>(bytes[start - 1]))) --start;
            size_t end = bytes.find("endobj", at);
            if (start == at || end == std::string::npos) continue;
            objects_[std::stoi(bytes.substr(start, at - start))] = bytes.substr(at + 6, end - at - 6);
        }
    }

    LinkAreas Links() const {
        LinkAreas links;
        std::vector<int> pages;
        for (auto const& [number, body] : objects_)
            if (body.find("/Type/Catalog") != std::string::npos) PagesUnder(Reference(body, "Pages"), pages, 0);
        for (size_t i = 0; i < pages.size(); ++i) {
            double height = MediaHeight(pages[i]);
            std::string annots = Value(Body(pages[i]), "Annots");
            std::smatch ref;
            for (auto it = annots.cbegin(); std::regex_search(it, annots.cend(), ref, std::regex(R"((\d+)\s+0\s+R)"));
                 it = ref.suffix().first) {
                std::string const& annot = Body(std::stoi(ref[1]));
                std::string target = String(annot, "URI");
                if (target.empty()) target = "#" + String(annot, "D");
                std::vector<double> r = Numbers(Value(annot, "Rect"));
                if (annot.find("/Subtype/Link") == std::string::npos || r.size() != 4) continue;
                double const scale = kDpi / 72.0;
                links[{static_cast<int>(i) + 1, target}].push_back(
                    {r[0] * scale, (height - r[3]) * scale, (r[2] - r[0]) * scale, (r[3] - r[1]) * scale});
            }
        }
        return links;
    }

private:
    std::string const& Body(int number) const {
        static std::string const none;
        auto it = objects_.find(number);
        return it == objects_.end() ? none : it->second;
    }
    // The text of a key's value, an indirect one's object: "[...]", "(...)", "N 0 R" followed.
    std::string Value(std::string const& body, std::string const& key) const {
        std::smatch m;
        if (!std::regex_search(body, m, std::regex("/" + key + R"(\s*(\d+)\s+0\s+R)")))
            return std::regex_search(body, m, std::regex("/" + key + R"(\s*(\[[^\]]*\]))")) ? std::string(m[1]) : "";
        return Body(std::stoi(m[1]));
    }
    int Reference(std::string const& body, std::string const& key) const {
        std::smatch m;
        return std::regex_search(body, m, std::regex("/" + key + R"(\s*(\d+)\s+0\s+R)")) ? std::stoi(m[1]) : -1;
    }
    // A literal string's bytes, escapes read.
    static std::string String(std::string const& body, std::string const& key) {
        size_t at = body.find("/" + key + "(");
        if (at == std::string::npos) return {};
        std::string out;
        int depth = 0;
        for (size_t i = at + key.size() + 2; i < body.size(); ++i) {
            if (body[i] == '\\' && i + 1 < body.size()) {
                out += body[++i];
            } else if (body[i] == ')' && depth-- == 0) {
                break;
            } else {
                if (body[i] == '(') ++depth;
                out += body[i];
            }
        }
        return out;
    }
    static std::vector<double> Numbers(std::string text) {
        std::replace(text.begin(), text.end(), '[', ' ');
        std::replace(text.begin(), text.end(), ']', ' ');
        std::istringstream in(text);
        std::vector<double> numbers;
        for (double n; in >> n;) numbers.push_back(n);
        return numbers;
    }
    void PagesUnder(int node, std::vector<int>& pages, int depth) const {
        std::string const& body = Body(node);
        if (depth > 20 || body.empty()) return;
        if (body.find("/Type/Pages") == std::string::npos) {
            pages.push_back(node);
            return;
        }
        std::string kids = Value(body, "Kids");
        std::smatch ref;
        for (auto it = kids.cbegin(); std::regex_search(it, kids.cend(), ref, std::regex(R"((\d+)\s+0\s+R)"));
             it = ref.suffix().first)
            PagesUnder(std::stoi(ref[1]), pages, depth + 1);
    }
    // The page's paper height in bp, from it or the nodes above it.
    double MediaHeight(int page) const {
        for (int node = page, steps = 0; node >= 0 && steps < 20; node = Reference(Body(node), "Parent"), ++steps) {
            std::vector<double> box = Numbers(Value(Body(node), "MediaBox"));
            if (box.size() == 4) return box[3];
        }
        return 792;
    }

    std::map<int, std::string> objects_;
};

// The document, made by xelatex twice (for the contents and the bookmarks)
// and by xdvipdfmx; empty with the reason in `skip` where the tools are missing.
class XeLatexLinks : public testing::Test {
protected:
    void SetUp() override {
        for (char const* tool : {"xelatex", "xdvipdfmx", "pdftohtml"})
            if (!Found(std::string("command -v ") + tool)) GTEST_SKIP() << tool << " is not installed";
        if (!Found("kpsewhich -must-exist hyperref.sty fontspec.sty | grep -c . | grep -qx 2"))
            GTEST_SKIP() << "hyperref or fontspec is not installed";
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
        std::string const run =
            "cd " + dir_.Path() + " && xelatex -no-pdf -interaction=batchmode -halt-on-error doc.tex";
        int status = -1;
        RunCommand(run + " >/dev/null 2>&1 && " + run + " >/dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << "xelatex failed:\n" << RunCommand("cat " + (dir_ / "doc.log"));
        RunCommand("cd " + dir_.Path() + " && xdvipdfmx -q -z 0 -V 4 -o doc.pdf doc.xdv >/dev/null 2>&1", &status);
        ASSERT_EQ(status, 0) << "xdvipdfmx failed";
    }

    std::string Xdv() const { return dir_ / "doc.xdv"; }
    std::string Pdf() const { return dir_ / "doc.pdf"; }

    TempDir dir_;
};

// Every link xdvipdfmx makes, page by page, ksdvi finds with the same
// target and as many rectangles (two for the link TeX broke), each over one
// of xdvipdfmx's; every rectangle of ksdvi's lies over one of xdvipdfmx's.
TEST_F(XeLatexLinks, LinksAreXdvipdfmxsLinks) {
    std::ifstream in(Pdf(), std::ios::binary);
    std::string const bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LinkAreas const theirs = PeerPdf(bytes).Links();
    ASSERT_GE(theirs.size(), 6u) << "xdvipdfmx's links were not read";

    int status = -1;
    nlohmann::json const links =
        nlohmann::json::parse(Ksdvi("links --json -r " + std::to_string(kDpi) + " " + Xdv(), &status));
    ASSERT_EQ(status, 0);
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

    int status = -1;
    nlohmann::json const tree = nlohmann::json::parse(Ksdvi("outline --json " + Xdv(), &status));
    ASSERT_EQ(status, 0);
    std::vector<std::tuple<int, std::string, int>> ours;
    std::vector<std::string> targets;
    std::function<void(nlohmann::json const&)> walk = [&](nlohmann::json const& nodes) {
        for (auto const& node : nodes) {
            ours.emplace_back(node["level"], node["title"], node["page"].is_null() ? 0 : node["page"].get<int>());
            targets.push_back(node["target"]);
            EXPECT_EQ(node["open"], false) << node["title"];
            walk(node["children"]);
        }
    };
    walk(tree);
    EXPECT_EQ(ours, theirs);
    EXPECT_EQ(targets, (std::vector<std::string>{"section.1", "subsection.1.1", "section.2"}));
}

// A built document in a file of the test's own; `ksdvi COMMAND --json` of it.
nlohmann::json JsonOf(std::string const& command, DviBuilder const& document) {
    TempDir dir;
    document.WriteTo(dir / "built.dvi");
    int status = -1;
    std::string out = Ksdvi(command + " --json -r 72 " + (dir / "built.dvi"), &status);
    EXPECT_EQ(status, 0) << command;
    return nlohmann::json::parse(out);
}

constexpr int32_t kPt = 65536;  // the built documents' DVI unit is the scaled point

// A length of TeX's points in pixels at 72 dpi, and a position after the inch margin.
double Pixels(double points) { return points * 72 / 72.27; }
double At(double points) { return 72 + Pixels(points); }

// Lines are TeX's boxes: the area's second line overlaps the first in
// height yet is a rectangle of its own; what nolink and link enclose and an
// area begun inside another leave the link alone. An area left open at the
// end of a page runs on over the next one, its first line that page's
// head, as xdvipdfmx has it. A pdf:ann box is the box it names, a pdf:dest
// anchor the current point.
TEST(PdfSpecialAreas, LinesAreTeXsBoxesAndAreasRunOnOverPages) {
    DviBuilder b;
    b.Pre().Bop(1).Op(160).U(100 * kPt, 4);  // down4 100pt
    b.Op(141).Special("pdf:bann<</Subtype/Link/Dest(d)>>").Special("pdf:bann<</Subtype/Link/Dest(inner)>>");
    b.Rule(10 * kPt, 50 * kPt).Op(142);                        // push, rule, pop
    b.Op(160).U(6 * kPt, 4).Op(141).Rule(10 * kPt, 30 * kPt);  // 6pt down: a line overlapping the first
    b.Special("pdf:nolink").Op(146).U(200 * kPt, 4).Rule(10 * kPt, 10 * kPt).Special("pdf:link");  // right4 200pt
    b.Special("pdf:eann").Op(142);
    b.Op(160).U(50 * kPt, 4).Op(141).Op(146).U(100 * kPt, 4);  // 156pt down, 100pt right
    b.Special("pdf:ann width 20pt height 10pt depth 2pt <</Subtype/Link/A<</S/URI/URI(http://x.org/)>>>>");
    b.Special("pdf:dest (here) [@thispage /XYZ @xpos @ypos null]").Op(142);
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

    TempDir dir;
    b.WriteTo(dir / "built.dvi");
    int status = -1;
    std::string place = Ksdvi("locate -r 72 " + (dir / "built.dvi") + " here", &status);
    EXPECT_EQ(status, 0);
    int x = 0, y = 0;
    ASSERT_EQ(std::sscanf(place.c_str(), "page 1 x %d y %d", &x, &y), 2) << place;
    EXPECT_NEAR(x, At(100), 1);
    EXPECT_NEAR(y, At(156), 1);
}

// Levels count from the lowest met so far, an entry goes at most one level
// below the one before it, and [] shows an entry open, [-] or nothing closed.
TEST(PdfSpecialBookmarks, LevelsAndOpenStateAsXdvipdfmxReadsThem) {
    DviBuilder b;
    b.Pre().Bop(1).Special("pdf:dest (d) [@thispage /Fit]");
    for (char const* bookmark :
         {"pdf:outline [] 2 <</Title(B)/A<</S/GoTo/D(d)>>>>", "pdf:out 4 <</Title(C)/Dest(nowhere)>>",
          "pdf:out [-] 1 <</Title(A)/Dest(d)>>", "pdf:out 2 <</Title<FEFF00C4>/Dest[@page1/Fit]>>",
          "pdf:outline [] 3 <</Title(E)/Dest(d)>>"})
        b.Special(bookmark);
    b.Eop().Post();
    nlohmann::json const tree = JsonOf("outline", b);
    std::vector<std::string> seen;
    std::function<void(nlohmann::json const&)> walk = [&](nlohmann::json const& nodes) {
        for (auto const& node : nodes) {
            seen.push_back(std::to_string(node["level"].get<int>()) + " " + node["title"].get<std::string>() + " " +
                           node["target"].get<std::string>() + (node["open"] ? " open" : "") +
                           (node["page"].is_null() ? "" : " page " + std::to_string(node["page"].get<int>())));
            walk(node["children"]);
        }
    };
    walk(tree);
    EXPECT_EQ(seen, (std::vector<std::string>{"0 B d open page 1", "1 C nowhere", "0 A d page 1", "1 \xC3\x84 ",
                                              "2 E d page 1"}));
}

}  // namespace
