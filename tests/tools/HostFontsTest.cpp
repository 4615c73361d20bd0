// The host's fonts: entries generated from the installation's pdftex.map, user
// map files after them, and TeX's own outline fonts registered for drawing.

#include <gtest/gtest.h>

#include <sstream>

#include <nlohmann/json.hpp>

#include "DocumentSession.h"
#include "HostFonts.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"
#include "platform/gdi/Font.h"
#include "support/Cli.h"
#include "support/TempFile.h"

namespace {

TEST(PdftexMap, LinesBecomeMapEntries) {
    std::istringstream lines(
        "% a comment\n"
        "cmr10 CMR10 <cmr10.pfb\n"
        "ptmr8r NimbusRomNo9L-Regu \" TeXBase1Encoding ReEncodeFont \" <8r.enc <utmr8a.pfb\n"
        "pplr8y URWPalladioL-Roma \" enc \" <texnansi.enc <uplr8a.pfb\n"
        "cmr10 Other <other.pfb\n"
        "resident Helvetica\n"
        "msbm10 MSBM10 << msbm10.pfb\n"
        "odd-name Odd-Name <[odd.enc <odd.otf\n");
    TeXFontMap map;
    map.Read(lines);
    EXPECT_EQ(map.EntryText("cmr10"), "'cmr10' { fontname = 'CMR10', encoding = 'raw' }\n");  // first line wins
    EXPECT_EQ(map.EntryText("ptmr8r"), "'ptmr8r' { fontname = 'NimbusRomNo9L-Regu', encoding = '8r-unicode' }\n");
    EXPECT_EQ(map.EntryText("pplr8y"), "");
    EXPECT_EQ(map.EntryText("resident"), "");  // no font program to paint with
    ASSERT_NE(map.Find("msbm10"), nullptr);
    EXPECT_EQ(map.Find("msbm10")->fontFile, "msbm10.pfb");
    EXPECT_EQ(map.Find("odd-name")->encodingFile, "odd.enc");
    EXPECT_EQ(map.Unmapped(),
              (std::vector<std::pair<std::string, std::string>>{{"odd-name", "odd.enc"}, {"pplr8y", "texnansi.enc"}}));
}

TEST(HostFonts, EveryTeXFontOfADocumentGetsAnInstalledFace) {
    HostFonts fonts;
    DocumentSession session(DataFile("latex.dvi"), {}, fonts);
    ASSERT_TRUE(session.Load());
    int checked = 0;
    for (KsDvi::ItrnFontItr it(session.Document()); !it.IsFinished(); ++it) {
        std::string name = it()->GetName().c_str();
        if (name.rfind("tc", 0) == 0) continue;  // text companion fonts have no outlines in this installation
        auto const& info = it()->GetSBCTTFInfo();
        ASSERT_FALSE(info.faceName.IsNull()) << name;
        EXPECT_EQ(it()->GetEncoding(), KsDviTTFMap::ENC_RAW) << name;
        ksdvi::gdi::LOGFONTA lf{};
        EXPECT_EQ(ksdvi::gdi::FindTrueTypeFace(nullptr, info.faceName.c_str(), &lf), 1) << name;
        ++checked;
    }
    EXPECT_GE(checked, 15);
}

TEST(HostFonts, UserMapsComeAfterTheGeneratedEntries) {
    TempFile user(".map");
    user.WriteText("cmr10 { fontname = 'DejaVu Serif', height = '0.9' }\ncmmi10 { fontname = 'x' broken");
    int status = -1;
    std::string args = "info --json --map " + user.Path() + " " + DataFile("plain.dvi");
    std::string out = RunCommand(KSDVI_CLI " " + args + " 2>&1 >/dev/null", &status);  // stderr only
    EXPECT_EQ(status, 0);  // a broken map file is reported and the command goes on
    EXPECT_NE(out.find("ksdvi: " + user.Path() + ":2: syntax error"), std::string::npos) << out;

    auto j = nlohmann::json::parse(Ksdvi(args));
    for (auto const& f : j["fonts"]) {
        if (f["name"] == "cmr10") {
            EXPECT_EQ(f["face"], "dejavu serif");  // the user's entry won
            EXPECT_EQ(f["encoding"], "ot1");
        } else if (f["name"] == "cmmi10") {
            EXPECT_EQ(f["face"], "cmmi10");  // the broken entry was dropped
            EXPECT_EQ(f["encoding"], "raw");
        }
        EXPECT_TRUE(f["dbc_face"].is_null());
        EXPECT_EQ(f["xseries"], 1);
    }
}

TEST(HostFonts, FontmapListsTheEntriesOfADocument) {
    int status = -1;
    std::string out = Ksdvi("fontmap " + DataFile("plain.dvi"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("'cmr10' { fontname = 'CMR10', encoding = 'raw' }\n"), std::string::npos);
    KsDviTTFMap parsed;
    EXPECT_EQ(parsed.AppendTTFMapText(out), 1);  // users can copy it as a map file
    EXPECT_NE(parsed.GetEntry("cmex10"), nullptr);
}

}  // namespace
