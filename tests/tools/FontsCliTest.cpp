// The tool's fonts: the installation's map with the user's map files after
// it, how each font of a document is painted, and the warnings about what
// cannot be painted.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/Cli.h"
#include "support/ScratchDocument.h"

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
    int status = -1;
    std::string args = "info --json --map " + user.Path() + " " + DataFile("plain.dvi");
    std::string out = RunCommand(KSDVI_CLI " " + args + " 2>&1 >/dev/null", &status);  // stderr only
    EXPECT_EQ(status, 0);  // a broken map file is reported and the command goes on
    EXPECT_NE(out.find("ksdvi: " + user.Path() + ":2: syntax error"), std::string::npos) << out;

    auto j = nlohmann::json::parse(Ksdvi(args));
    EXPECT_EQ(FontNamed(j, "cmr10")["face"], "dejavu serif");  // the user's entry won
    EXPECT_EQ(FontNamed(j, "cmr10")["encoding"], "ot1");
    EXPECT_EQ(FontNamed(j, "cmmi10")["face"], "cmmi10");  // the broken entry was dropped
    EXPECT_EQ(FontNamed(j, "cmmi10")["encoding"], "raw");
}

TEST(CliFonts, InfoSaysHowEachFontIsPainted) {
    int status = -1;
    auto t1 = nlohmann::json::parse(Ksdvi("info --json -r 150 " + DataFile("t1fonts.dvi"), &status));
    EXPECT_EQ(status, 0);
    auto outline = FontNamed(t1, "ecrm1000")["painted"];
    EXPECT_EQ(outline["kind"], "outline");
    EXPECT_EQ(outline["encoding"], "cm-super-t1.enc");
    EXPECT_NE(outline["file"].get<std::string>().find("sfrm1000.pfb"), std::string::npos);
    // cm-super-minimal has outlines for 10pt only: footnotes are METAFONT's.
    auto bitmap = FontNamed(t1, "ecrm0700")["painted"];
    EXPECT_EQ(bitmap["kind"], "bitmap");
    EXPECT_EQ(bitmap["dpi"], 600);
    EXPECT_NE(bitmap["file"].get<std::string>().find("ecrm0700.600pk"), std::string::npos);

    auto times = nlohmann::json::parse(Ksdvi("info --json " + DataFile("times.dvi")));
    EXPECT_EQ(FontNamed(times, "ptmr8t")["painted"]["kind"], "virtual");
    EXPECT_EQ(FontNamed(times, "ptmr8r")["painted"]["encoding"], "8r.enc");
}

TEST(CliFonts, FontmapEntriesCanBeCopiedAsAMapFile) {
    int status = -1;
    std::string out = Ksdvi("fontmap " + DataFile("psnfss.dvi"), &status);
    EXPECT_EQ(status, 0);
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
    int status = -1;
    std::string out =
        Ksdvi("render -o /dev/null --tfm-path " + DataFile("metrics") + " --map " + map.Path() + " " + dvi.Path(),
              &status, true);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("warning: font cmr10 has no glyph for codes 12; they are left out"), std::string::npos) << out;
    // kstest has metrics only: no outline, no METAFONT source.
    EXPECT_NE(out.find("warning: font kstest cannot be painted"), std::string::npos) << out;
}

}  // namespace
