// ksdvi text, ksdvi search and render --highlight on text.tex as TeX sets it:
// the words of the source come back in order, and every occurrence of a word
// is found where its ink is.

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

std::vector<std::string> Words(std::string const& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The words of the first page of text.tex: its source between the
// preamble and \newpage, with the font commands taken off.
std::vector<std::string> SourceWords() {
    std::string source = ReadFileText(DataFile("text.tex"));
    size_t begin = source.find("\\begin{document}") + 16;
    source = source.substr(begin, source.find("\\newpage") - begin);
    source = std::regex_replace(source, std::regex(R"(\\text(it|bf|tt)\{|\})"), "");
    return Words(source);
}

TEST(TextCli, GivesTheWordsOfTheSourceInOrder) {
    std::string text = KsdviOk("text -p 1 " + DataFile("text.dvi"));
    EXPECT_EQ(Words(text), SourceWords());
    EXPECT_EQ(text.back(), '\f');

    nlohmann::json pages = nlohmann::json::parse(KsdviOk("text --json " + DataFile("text.dvi")));
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1]["page"], 2);
    std::vector<std::string> fromJson;
    for (auto const& line : pages[0]["lines"]) {
        int previousRight = -1;
        for (auto const& word : line) {
            fromJson.push_back(word["text"]);
            EXPECT_GT(word["rect"][0].get<int>(), previousRight) << word;  // words of a line run left to right
            previousRight = word["rect"][0].get<int>() + word["rect"][2].get<int>();
        }
    }
    EXPECT_EQ(fromJson, SourceWords());
}

// An equation number stands apart from its formula (after a superscript too),
// as does what \hfill pushes to the margin; what follows a subscript is spaced
// as on the formula's baseline.
TEST(TextCli, EquationNumbersAreColumnsOfTheirOwn) {
    std::string text = KsdviOk("text " + DataFile("equations.dvi"));
    EXPECT_EQ(text,
              "Einstein wrote\nE = mc2\t(1)\nand the two lines\na = b2 + c\t(2)\nd = e1 + f\t(3)\n"
              "are numbered too.\nName\tDate\n\f");

    nlohmann::json pages = nlohmann::json::parse(KsdviOk("text --json " + DataFile("equations.dvi")));
    ASSERT_EQ(pages.size(), 1u);
    auto const& equation = pages[0]["lines"][1];
    ASSERT_EQ(equation.size(), 4u) << equation;
    EXPECT_EQ(equation[2]["text"], "mc2");
    EXPECT_EQ(equation[3]["text"], "(1)");
}

// Spaces TeX shrank below a third of the wide letter before them (m, w, an
// em dash), a \quad, and the spaces between Korean words in Hanja read as
// spaces.
TEST(TextCli, ShrunkSpacesQuadsAndHanjaWordsAreSpaces) {
    EXPECT_EQ(KsdviOk("text " + DataFile("spacing.dvi")), "im Wald, Strom mit—allem, wow wow.\n1 Introduction\n\f");
    std::string const korean = KsdviOk("text " + DataFile("kotex.dvi"));
    for (char const* words : {"漢字 混用: 大韓民國 憲法.", "가나다라 ㄱㄴㄷ", "ㅏㅑㅓㅕ 「인용」 끝."})
        EXPECT_NE(korean.find(words), std::string::npos) << words << "\n" << korean;
}

// XeLaTeX's mathematical letters (unicode-math's 𝑥) are parted from the
// words around them as letters are: the words read as in xdvipdfmx's PDF.
TEST(TextCli, MathLettersArePartedAsLetters) {
    for (char const* tool : {"xelatex", "xdvipdfmx", "pdftotext"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    if (!TexFileInstalled("unicode-math.sty")) GTEST_SKIP() << "unicode-math is not installed";
    TempDir dir;
    WriteFileText(dir / "doc.tex",
                  "\\documentclass{article}\n\\usepackage{unicode-math}\n\\begin{document}\n"
                  "Text $f(x) = x^2 + \\sin x$ inline and $a = b$ here.\nWord $x$ word. The value $y$ is large.\n"
                  "\\end{document}\n");
    ASSERT_TRUE(Typeset(dir.Path(), "xelatex -no-pdf"));
    RunOk("xdvipdfmx -q -o " + (dir / "doc.pdf") + " " + (dir / "doc.xdv"));
    std::vector<std::string> theirs = Words(RunCommand("pdftotext " + (dir / "doc.pdf") + " -"));
    ASSERT_GT(theirs.size(), 20u);
    EXPECT_EQ(Words(KsdviOk("text " + (dir / "doc.xdv"))), theirs);
}

struct Hit {
    int page, x, y, w, h;
};

std::vector<Hit> Search(std::string const& args, int* status) {
    std::vector<Hit> hits;
    std::istringstream out(Ksdvi("search " + args, status));
    for (std::string line; std::getline(out, line);) {
        Hit hit{};
        EXPECT_EQ(std::sscanf(line.c_str(), "page %d %d,%d,%d,%d", &hit.page, &hit.x, &hit.y, &hit.w, &hit.h), 5)
            << line;
        hits.push_back(hit);
    }
    return hits;
}

// Each occurrence of "finite" (six in the source, most of them set with the
// fi ligature) is a rectangle over ink, with paper above, below and to its
// left. The JSON form says the same; no occurrence is exit status 1.
TEST(SearchCli, FindsEveryOccurrenceOverItsInk) {
    TempDir dir;
    int status = -1;
    std::vector<Hit> hits = Search("-r 150 " + DataFile("text.dvi") + " finite", &status);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(hits.size(), 6u);
    KsdviOk("render -r 150 -o " + (dir / "p-%d.png") + " " + DataFile("text.dvi"));
    GreyImage pages[2];
    ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", pages[0]) && ReadGreyPng(dir / "p-2.png", pages[1]));
    for (Hit const& hit : hits) {
        GreyImage const& image = pages[hit.page - 1];
        long inside = 0, around = 0;
        for (int y = hit.y; y < hit.y + hit.h; ++y)
            for (int x = hit.x; x < hit.x + hit.w; ++x) inside += image.Dark(x, y);
        for (int x = hit.x; x < hit.x + hit.w; ++x)
            around += image.Dark(x, hit.y - 2) + image.Dark(x, hit.y + hit.h + 1);
        for (int y = hit.y; y < hit.y + hit.h; ++y) around += image.Dark(hit.x - 2, y);
        EXPECT_GT(inside, hit.w * hit.h / 8) << hit.page << " " << hit.x << "," << hit.y;
        EXPECT_EQ(around, 0) << hit.page << " " << hit.x << "," << hit.y;
    }

    nlohmann::json json = nlohmann::json::parse(Ksdvi("search --json -r 150 " + DataFile("text.dvi") + " finite"));
    ASSERT_EQ(json.size(), hits.size());
    EXPECT_EQ(json[0]["text"], "Finite");
    EXPECT_EQ(json[5]["rects"][0], (std::vector<int>{hits[5].x, hits[5].y, hits[5].w, hits[5].h}));
    EXPECT_EQ(Search("--match-case " + DataFile("text.dvi") + " Finite", &status).size(), 2u);
    EXPECT_EQ(Search("-p 2 " + DataFile("text.dvi") + " \"ŁÓDŹ\"", &status).size(), 0u);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Search(DataFile("text.dvi") + " \"ŁÓDŹ\"", &status).size(), 1u);
}

// Words that graphicx turns and scales are found where they are drawn, with
// dvips' PostScript and with XeTeX's pdf:btrans: each box holds ink, and its
// shape is the drawn word's.
TEST(SearchCli, TransformedWordsAreFoundWhereTheyAreDrawn) {
    struct Case {
        char const* word;
        double tallerThanBefore;  // the box's height over that of "Before"
        double wideOverTall;      // its width over its height, at most
    };
    Case const cases[] = {
        {"Before", 1, 5}, {"Rotated", 3, 0.4}, {"Big", 1.8, 2.5}, {"Resized", 2.5, 4}, {"tilted", 1.5, 1.6}};
    for (char const* file : {"postscript.dvi", "rotations.xdv"}) {
        TempDir dir;
        KsdviOk("render -r 150 -p 1 -o " + (dir / "p-%d.png") + " " + DataFile(file));
        GreyImage page;
        ASSERT_TRUE(ReadGreyPng(dir / "p-1.png", page));
        int status = -1;
        std::vector<Hit> const before = Search("-r 150 " + DataFile(file) + " Before", &status);
        ASSERT_EQ(before.size(), 1u) << file;
        for (Case const& c : cases) {
            std::vector<Hit> const hits = Search("-r 150 " + DataFile(file) + " " + c.word, &status);
            ASSERT_EQ(hits.size(), 1u) << file << " " << c.word;
            Hit const& hit = hits[0];
            long inside = 0;
            for (int y = hit.y; y < hit.y + hit.h; ++y)
                for (int x = hit.x; x < hit.x + hit.w; ++x) inside += page.Dark(x, y);
            EXPECT_GT(inside, hit.w * hit.h / 20) << file << " " << c.word;
            EXPECT_GE(hit.h, c.tallerThanBefore * before[0].h * 0.9) << file << " " << c.word;
            EXPECT_LE(hit.w, c.wideOverTall * hit.h) << file << " " << c.word;
        }
    }
}

TEST(SearchCli, ProblemsAreReportedWithTheFile) {
    int status = -1;
    std::string out = Ksdvi("search " + DataFile("text.tex") + " finite", &status, true);
    EXPECT_EQ(status, 2);
    EXPECT_NE(out.find("text.tex"), std::string::npos) << out;
    out = Ksdvi("search " + DataFile("text.dvi") + " \"  \"", &status, true);
    EXPECT_EQ(status, 2);
    out = Ksdvi("text -p 9 " + DataFile("text.dvi"), &status, true);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("text.dvi"), std::string::npos) << out;
}

// --highlight changes the pixels of the occurrences' rectangles and no
// others, and leaves their ink dark.
TEST(SearchCli, HighlightPaintsTheOccurrences) {
    TempDir dir;
    int status = -1;
    std::vector<Hit> hits = Search("-p 1 -r 100 " + DataFile("text.dvi") + " affluent", &status);
    ASSERT_EQ(hits.size(), 1u);
    KsdviOk("render -p 1 -r 100 -o " + (dir / "plain.png") + " " + DataFile("text.dvi"));
    KsdviOk("render -p 1 -r 100 --highlight affluent -o " + (dir / "marked.png") + " " + DataFile("text.dvi"));
    GreyImage plain, marked;
    ASSERT_TRUE(ReadGreyPng(dir / "plain.png", plain) && ReadGreyPng(dir / "marked.png", marked));
    Hit const& hit = hits[0];
    long changed = 0;
    for (int y = 0; y < plain.height; ++y)
        for (int x = 0; x < plain.width; ++x) {
            bool in = x >= hit.x && x < hit.x + hit.w && y >= hit.y && y < hit.y + hit.h;
            if (plain.At(x, y) == marked.At(x, y)) continue;
            ++changed;
            EXPECT_TRUE(in) << x << "," << y;
            EXPECT_TRUE(!plain.Dark(x, y) || marked.Dark(x, y)) << x << "," << y;
        }
    EXPECT_GT(changed, hit.w * hit.h / 2);
}

}  // namespace
