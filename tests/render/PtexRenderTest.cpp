// pTeX's and upTeX's documents, made by platex and uplatex at test time, look
// as dvipdfmx and pdftoppm show them and read as their sources say:
// horizontal and vertical Japanese through JFM metrics and the faces of
// dvipdfmx's maps. Each case writes its own kanjix.map (HaranoAji's faces),
// which both ksdvi and dvipdfmx find first through TEXFONTMAPS; cases are
// skipped on a machine without the engines, the peers or those faces. A
// broken JFM is refused as any metric file is (tests/font) and named as one.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/CaseNames.h"
#include "support/Cli.h"
#include "support/DviBuilder.h"
#include "support/InkOverlap.h"
#include "support/PictureFiles.h"
#include "support/PngImage.h"
#include "support/TempDir.h"
#include "support/TempFile.h"

namespace {

constexpr char kMincho[] = "HaranoAjiMincho-Regular.otf";
constexpr char kGothic[] = "HaranoAjiGothic-Medium.otf";
constexpr char kOtfGothic[] = "HaranoAjiGothic-Regular.otf";  // the otf package's, in otf-haranoaji.map
constexpr char kKorean[] = "UnBatang.ttf";                    // otf-ko-unfonts.map's

// The entries of the JFM fonts the document classes' virtual fonts and the
// otf package name: Mincho for the text, Gothic for the headings.
std::string KanjiMap(std::string const& mincho, std::string const& gothic, std::string const& otfGothic,
                     std::string const& korean) {
    std::string map;
    for (char const* name :
         {"rml H", "rmlv V", "uprml-h UniJIS-UTF16-H", "uprml-v UniJIS-UTF16-V", "uprml-hq UniJIS-UCS2-H",
          "uprml-vq UniJIS-UCS2-V", "hminr-h H", "otf-cjmr-h Identity-H", "otf-ujmr-h UniJIS-UTF16-H"})
        map += std::string(name) + " " + mincho + "\n";
    for (char const* name : {"gbm H", "gbmv V", "upgbm-h UniJIS-UTF16-H", "upgbm-v UniJIS-UTF16-V",
                             "upgbm-hq UniJIS-UCS2-H", "upgbm-vq UniJIS-UCS2-V"})
        map += std::string(name) + " " + gothic + "\n";
    // the otf package's multi option: Hangul in a Korean face
    for (char const* name : {"otf-ukmr-h UniKS-UCS2-H", "otf-ukmr-v UniKS-UCS2-V"})
        map += std::string(name) + " " + korean + "\n";
    return map + "hgothr-h H " + otfGothic + "\n";
}

struct JapaneseCase {
    char const* name;
    char const* engine;              // the source is tests/data/typeset/NAME.tex
    std::vector<char const*> words;  // the source's words, in the order of its text
    char const* searched;            // a word that search finds on page 1
    char const* needs;               // a package kpathsea must find, or null
    // ksdvi reads a map naming faces that are not installed (updmap's
    // noEmbed setting): the families TeX Live ships stand in.
    bool noEmbed;
    // Ink shared with the peer's, both ways. Glyphs stand on whole pixels
    // where pdftoppm places them to the fraction: the thin strokes of small
    // Mincho shift by a pixel.
    double least;
    // What `ksdvi text` reads whole, where PDF readers split it (a
    // full-width glyph reaching past its half-width box)
    std::vector<char const*> exactText = {};
};

class JapanesePeer : public testing::TestWithParam<JapaneseCase> {};

TEST_P(JapanesePeer, PagesLookAsDvipdfmxDrawsThemAndReadAsWritten) {
    JapaneseCase const& c = GetParam();
    for (char const* tool : {c.engine, "dvipdfmx", "pdftoppm", "pdftotext"})
        if (!HaveCommand(tool)) GTEST_SKIP() << tool << " is not installed";
    for (char const* face : {kMincho, kGothic, kOtfGothic})
        if (!TexFileInstalled(face)) GTEST_SKIP() << face << " is not installed";
    if (c.needs && !TexFileInstalled(c.needs)) GTEST_SKIP() << c.needs << " is not installed";

    TempDir dir;
    std::ofstream(dir / "kanjix.map") << KanjiMap(kMincho, kGothic, kOtfGothic, kKorean);
    std::filesystem::create_directory(dir / "noembed");
    std::ofstream(dir / "noembed/kanjix.map")
        << KanjiMap("!Ryumin-Light", "!GothicBBB-Medium", "!GothicBBB-Medium", "!HYSMyeongJo-Medium");
    std::filesystem::copy_file(DataFile(std::string("typeset/") + c.name + ".tex"), dir / "doc.tex");
    // A picture whose turn shows: dark along its left and top sides.
    ksdvi::test::Bytes const figure = ksdvi::test::MakePng(40, 30, [](int y, int width, unsigned char* rgb) {
        for (int x = 0; x < width; ++x) std::fill_n(rgb + 3 * x, 3, x < 10 || y < 5 ? 0 : 200);
    });
    std::ofstream(dir / "figure.png", std::ios::binary)
        .write(reinterpret_cast<char const*>(figure.data()), figure.size());
    std::string const env = "TEXFONTMAPS=" + dir.Path() + ": ";
    ASSERT_TRUE(Typeset(dir.Path(), c.engine));
    std::string const dvi = dir / "doc.dvi";
    RunOk("cd " + dir.Path() + " && " + env +
          "dvipdfmx -q -o doc.pdf doc.dvi >/dev/null 2>&1 && pdftoppm -r 150 -gray -png doc.pdf theirs");
    std::string const ksdvi = (c.noEmbed ? "TEXFONTMAPS=" + (dir / "noembed") + ": " : env) + KSDVI_CLI + " ";
    RunOk(ksdvi + "render -r 150 --paper a4 -o " + (dir / "ours-%d.png") + " " + dvi + " >/dev/null");

    ExpectPagesOverlap(dir.Path(), c.name, c.least);

    std::string const text = RunOk(ksdvi + "text " + dvi);
    ExpectWordsInOrder(text, c.words);
    ExpectWordsInOrder(text, c.exactText);
    // A PDF of the pages reads the same (the characters keep their text);
    // readers take a vertical line's characters for lines of their own.
    RunOk(ksdvi + "pdf -o " + (dir / "ours.pdf") + " " + dvi + " 2>/dev/null");
    std::string read = RunOk("pdftotext " + (dir / "ours.pdf") + " -");
    std::erase(read, '\n');
    ExpectWordsInOrder(read, c.words);
    std::string matches = RunOk(ksdvi + "search " + dvi + " '" + c.searched + "'");
    EXPECT_EQ(matches.rfind("page 1 ", 0), 0u) << c.searched << ": " << matches;
}

INSTANTIATE_TEST_SUITE_P(
    Documents, JapanesePeer,
    testing::Values(
        JapaneseCase{"platex_horizontal",
                     "platex",
                     {"日本語", "日本語の文書を組版します", "漢字とかなとカナ", "「括弧」", "Latin", "words"},
                     "組版",
                     nullptr,
                     false,
                     0.95},
        JapaneseCase{"platex_vertical",
                     "platex",
                     {"縦書きの文書です", "「漢字」とかな", "カタカナを組みます", "二段落目も縦に並びます"},
                     "縦書き",
                     nullptr,
                     true,
                     0.95},
        // in a column, what the vertical CMap gives no form of its own
        // (arrows, ＜ and ＞) stands upright with its horizontal glyph, as
        // dvipdfmx draws it, and does not lie on its side
        JapaneseCase{
            "platex_vertical_arrows_and_signs", "platex", {"矢印→→←←", "記号＜＜＞＞"}, "記号", nullptr, false, 0.95},
        // a picture in vertical text lies along the line, turned as dvipdfmx turns it
        JapaneseCase{"platex_vertical_picture",
                     "platex",
                     {"縦書きの本文です", "図", "の後の文章"},
                     "本文",
                     "graphicx.sty",
                     true,
                     0.95},
        // JIS's quotes and signs take the full-width glyphs of the H CMap,
        // not the proportional ones of the face's Unicode table
        JapaneseCase{"platex_quotes_and_signs",
                     "platex",
                     {"引用符", "引用符", "です", "±×÷"},
                     "引用符",
                     nullptr,
                     false,
                     0.95,
                     {"“引用符”と‘引用符’です。“あ”“い”", "±×÷°′″§¶†‡"}},
        // Hangul has no packets in upTeX's virtual fonts: it is put in their first font.
        JapaneseCase{"uplatex_horizontal",
                     "uplatex",
                     {"アップ", "アップ日本語の文書です", "髙橋さんと𠮷野家へ行きます", "Unicode", "words", "한글",
                      "text 日本語"},
                     "𠮷野家",
                     nullptr,
                     false,
                     0.95},
        // in columns, arrows turn and brackets and era names take the
        // glyphs the vertical CMap gives them
        JapaneseCase{"uplatex_vertical_cmap_glyphs",
                     "uplatex",
                     {"縦の矢印"},
                     "矢印",
                     "-format=cmap UniJIS-UTF16-V",
                     false,
                     0.95},
        // the document names the face of its text (pxchfon's pdf:mapline):
        // Gothic where the maps say Mincho
        JapaneseCase{"uplatex_face_named_by_the_document",
                     "uplatex",
                     {"明朝体のはずがゴシック体"},
                     "ゴシック",
                     nullptr,
                     false,
                     0.95},
        // pxchfon's lines for faces read through their own Unicode table
        // ("unicode", as for Noto and Source Han), across and in columns
        JapaneseCase{"uplatex_face_named_with_its_unicode_table",
                     "uplatex",
                     {"明朝体のはずがゴシック体"},
                     "ゴシック",
                     nullptr,
                     false,
                     0.95},
        JapaneseCase{"uplatex_vertical_face_named_with_its_unicode_table",
                     "uplatex",
                     {"縦書きのゴシック体"},
                     "ゴシック",
                     nullptr,
                     false,
                     0.95},
        // TikZ with the dvipdfmx option: pgf draws with pdf: specials
        JapaneseCase{"platex_tikz_dvipdfmx_driver", "platex", {"図を描きます", "箱"}, "図", "tikz.sty", false, 0.95},
        // the otf package's fonts, its \CID by Adobe-Japan1 number (7652 is
        // 葛, read through Adobe-Japan1-UCS2) and \UTF
        JapaneseCase{"platex_otf_package",
                     "platex",
                     {"日本語の文章です", "葛と髙島屋", "ゴシック体も使います"},
                     "髙島屋",
                     "otf.sty",
                     true,
                     0.93},
        // its Korean fonts, whose faces updmap's map leaves to the viewer:
        // the Korean families TeX Live ships stand in
        JapaneseCase{"platex_otf_korean",
                     "platex",
                     {"日本語と한국어の文章です", "한글은 아름답니다"},
                     "한국어",
                     "UnBatang.ttf",
                     true,
                     0.93}),
    ByName());

// The trace's lines without their offsets, which a copy's pages change.
std::vector<std::string> Placed(std::string const& trace) {
    std::vector<std::string> lines;
    std::istringstream in(trace);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind, offset, rest;
        words >> kind >> offset;
        std::getline(words, rest);
        if (kind == "char" || kind == "rule" || kind == "dir") lines.push_back(kind + rest);
    }
    return lines;
}

// select copies vertical pages as they are: the dir commands, and post_post's 3.
TEST(PtexSelect, VerticalPagesCopyWithTheirDirections) {
    if (!HaveCommand("platex")) GTEST_SKIP() << "platex is not installed";
    TempDir dir;
    std::ofstream(dir / "doc.tex") << "\\documentclass{tarticle}\n\\begin{document}\n縦書きの一頁目。\\newpage\n"
                                      "二頁目も縦書き。\n\\end{document}\n";
    ASSERT_TRUE(Typeset(dir.Path(), "platex"));
    KsdviOk("select " + (dir / "doc.dvi") + " -p 2 -o " + (dir / "copy.dvi"));
    std::vector<uint8_t> copy = ReadFileBytes(dir / "copy.dvi");
    size_t end = copy.size();
    while (end > 0 && copy[end - 1] == 223) --end;
    ASSERT_GT(end, 0u);
    EXPECT_EQ(copy[end - 1], 3);
    std::vector<std::string> original = Placed(KsdviOk("trace " + (dir / "doc.dvi") + " -p 2"));
    std::vector<std::string> copied = Placed(KsdviOk("trace " + (dir / "copy.dvi")));
    EXPECT_GT(std::count(original.begin(), original.end(), "dir 1"), 0);
    EXPECT_EQ(copied, original);
}

}  // namespace
