// The tool's fonts: the installation's map with the user's map files after
// it, how each font of a document is painted, and the warnings about what
// cannot be painted.

#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/ScratchDocument.h"
#include "support/TempDir.h"

namespace {

nlohmann::json FontNamed(nlohmann::json const& info, std::string const& name) {
    for (auto const& f : info["fonts"])
        if (f["name"] == name) return f;
    ADD_FAILURE() << "no font " << name;
    return {};
}

TEST(CliFonts, UserMapsComeAfterTheInstallation) {
    TempFile user(".map");
    user.WriteText("cmr10 { fontname = 'DejaVu Serif', height = '0.9' }\ncmmi10 { fontname = 'x' broken");
    std::string args = "info --json --map " + user.Path() + " " + DataFile("plain.dvi");
    // A broken map file is reported and the command goes on.
    std::string out = RunOk(KSDVI_CLI " " + args + " 2>&1 >/dev/null");
    EXPECT_NE(out.find("ksdvi: " + user.Path() + ":2: syntax error"), std::string::npos) << out;

    auto j = nlohmann::json::parse(Ksdvi(args));
    EXPECT_EQ(FontNamed(j, "cmr10")["face"], "dejavu serif");  // the user's entry won
    EXPECT_EQ(FontNamed(j, "cmr10")["encoding"], "ot1");
    EXPECT_EQ(FontNamed(j, "cmmi10")["face"], "cmmi10");  // the broken entry was dropped
    EXPECT_EQ(FontNamed(j, "cmmi10")["encoding"], "raw");
}

TEST(CliFonts, InfoSaysHowEachFontIsPainted) {
    auto t1 = nlohmann::json::parse(KsdviOk("info --json -r 150 " + DataFile("t1fonts.dvi")));
    // cm-super, whole or minimal, has the 10pt EC fonts' outlines.
    auto outline = FontNamed(t1, "ecrm1000")["painted"];
    EXPECT_EQ(outline["kind"], "outline");
    EXPECT_EQ(outline["encoding"], "cm-super-t1.enc");
    EXPECT_NE(outline["file"].get<std::string>().find("sfrm1000.pfb"), std::string::npos);

    auto times = nlohmann::json::parse(Ksdvi("info --json " + DataFile("times.dvi")));
    EXPECT_EQ(FontNamed(times, "ptmr8t")["painted"]["kind"], "virtual");
    EXPECT_EQ(FontNamed(times, "ptmr8r")["painted"]["encoding"], "8r.enc");
}

// Fonts with metrics and no outline, under names no installation has: one
// with a bitmap font where kpathsea looks (METAFONT's cmr10 at 300 dpi),
// one with none, which METAFONT is not asked to make.
TEST(CliFonts, FontsWithoutOutlinesArePaintedFromBitmapsOrNotAtAll) {
    TempDir fonts;
    std::filesystem::copy_file(Kpathsea()->Find("cmr10.tfm", KPathSea::Format::Tfm), fonts / "ksbitmap.tfm");
    std::filesystem::copy_file(MetricsDir() + "/cmr10.300pk", fonts / "ksbitmap.300pk");
    std::filesystem::copy_file(MetricsDir() + "/kstest.tfm", fonts / "ksnothing.tfm");
    TempFile dvi(OnePage(DviBuilder{}.FntDef(0, "ksbitmap").Op(171).Op('A').FntDef(1, "ksnothing").Op(172).Op('A')));
    // 75 dpi: bitmaps made at four times the resolution.
    auto info = nlohmann::json::parse(RunOk("PKFONTS=" + fonts.Path() +
                                            " MKTEXPK=0 " KSDVI_CLI " info --json -r 75 --tfm-path " + fonts.Path() +
                                            " " + dvi.Path()));
    auto bitmap = FontNamed(info, "ksbitmap")["painted"];
    EXPECT_EQ(bitmap["kind"], "bitmap");
    EXPECT_EQ(bitmap["dpi"], 300);
    EXPECT_EQ(bitmap["file"], fonts / "ksbitmap.300pk");
    // An SVG page reads its text at another resolution first, for which there
    // is no bitmap font: the one at 300 dpi still draws the page.
    std::string const svg = RunOk("PKFONTS=" + fonts.Path() + " MKTEXPK=0 " KSDVI_CLI " svg -r 75 -o - --tfm-path " +
                                  fonts.Path() + " " + dvi.Path() + " 2>/dev/null");
    EXPECT_NE(svg.find("<image"), std::string::npos) << svg;
    auto missing = FontNamed(info, "ksnothing")["painted"];
    EXPECT_EQ(missing["kind"], "missing");
    EXPECT_EQ(missing["problem"], "no outline font, and no bitmap font can be made");
}

TEST(CliFonts, FontmapEntriesCanBeCopiedAsAMapFile) {
    std::string out = KsdviOk("fontmap " + DataFile("psnfss.dvi"));
    EXPECT_NE(out.find("'ptmro8r' { fontname = 'nimbusromno9l-regu', encfile = '8r.enc', fontfile = 'utmr8a.pfb', "
                       "slantfont = '0.167' }\n"),
              std::string::npos)
        << out;
    TempFile copy(".map");
    copy.WriteText(out);
    // Read back as the user's map, the copied entries paint as before.
    auto theirs = nlohmann::json::parse(Ksdvi("info --json --map " + copy.Path() + " " + DataFile("psnfss.dvi")));
    auto ours = nlohmann::json::parse(Ksdvi("info --json " + DataFile("psnfss.dvi")));
    EXPECT_EQ(theirs["fonts"], ours["fonts"]);
}

TEST(CliFonts, RenderWarnsOnceAboutWhatItCannotPaint) {
    // cmr10 painted by a Unicode face: TeX's codes below 32 name no glyph of it.
    TempFile map(".map");
    map.WriteText("cmr10 { fontname = 'DejaVu Serif', encoding = 'raw' }");
    TempFile dvi(
        OnePage(DviBuilder{}.FntDef(0, "cmr10").Op(171).Op(12).Op('a').Op(12).FntDef(1, "kstest").Op(172).Op('A')));
    // METAFONT is not asked for kstest: it would find no source either.
    std::string out = RunOk("MKTEXPK=0 " KSDVI_CLI " render -o /dev/null --tfm-path " + DataFile("metrics") +
                            " --map " + map.Path() + " " + dvi.Path() + " 2>&1");
    EXPECT_NE(out.find("warning: font cmr10 has no glyph for codes 12; they are left out"), std::string::npos) << out;
    // kstest has metrics only: no outline, no METAFONT source.
    EXPECT_NE(out.find("warning: font kstest cannot be painted"), std::string::npos) << out;
}

}  // namespace
