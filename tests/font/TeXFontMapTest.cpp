// TeX's own font maps: pdfTeX map lines, the entries made from the
// installation's pdftex.map, the keys that carry them in our map files, and
// the encoding vectors that re-encoded fonts name.

#include <gtest/gtest.h>

#include "MetricFiles.h"
#include "dvi/ItrnFontItr.h"
#include "font/EncodingVector.h"
#include "font/PdftexMap.h"
#include "font/TeXFonts.h"
#include "support/ScratchDocument.h"

namespace {

using ksdvi::EncodingVector;
using ksdvi::PdftexMapLine;

PdftexMapLine Line(std::string tfm, std::string ps, std::string enc = "", std::string file = "", double slant = 0,
                   double extend = 1) {
    return {std::move(tfm), std::move(ps), std::move(enc), std::move(file), slant, extend};
}

// Each line and what it gives; tfm "" when the line names no font.
TEST(PdftexMapLines, Parse) {
    std::pair<char const*, PdftexMapLine> const cases[] = {
        {"cmr10 CMR10 <cmr10.pfb", Line("cmr10", "CMR10", "", "cmr10.pfb")},
        {"ec-lmr10 LMRoman10-Regular \" enclmec ReEncodeFont \" <lm-ec.enc <lmr10.pfb",
         Line("ec-lmr10", "LMRoman10-Regular", "lm-ec.enc", "lmr10.pfb")},
        {"ptmro8r NimbusRomNo9L-Regu \" .167 SlantFont TeXBase1Encoding ReEncodeFont \" <8r.enc <utmr8a.pfb",
         Line("ptmro8r", "NimbusRomNo9L-Regu", "8r.enc", "utmr8a.pfb", 0.167)},
        {"pcrr8rn NimbusMonL-Regu \"TeXBase1Encoding ReEncodeFont .85 ExtendFont\" <8r.enc <ucrr8a.pfb",
         Line("pcrr8rn", "NimbusMonL-Regu", "8r.enc", "ucrr8a.pfb", 0, 0.85)},
        {"msbm10 MSBM10 << msbm10.pfb", Line("msbm10", "MSBM10", "", "msbm10.pfb")},
        {"odd Odd 4 <[odd.enc <Odd-Regular.otf", Line("odd", "Odd", "odd.enc", "Odd-Regular.otf")},
        {"resident Helvetica", Line("resident", "Helvetica")},
        {"bad \" 1e999 ExtendFont -9 SlantFont \" <x.pfb", Line("bad", "bad", "", "x.pfb")},
        {"% cmr10 CMR10 <cmr10.pfb", Line("", "")},
        {"   ", Line("", "")},
        {"<x.pfb", Line("", "")},
    };
    for (auto const& [text, expected] : cases) {
        SCOPED_TRACE(text);
        auto line = ksdvi::ParsePdftexMapLine(text);
        ASSERT_EQ(line.has_value(), !expected.tfm.empty());
        if (!line) continue;
        EXPECT_EQ(line->tfm, expected.tfm);
        EXPECT_EQ(line->psName, expected.psName);
        EXPECT_EQ(line->encodingFile, expected.encodingFile);
        EXPECT_EQ(line->fontFile, expected.fontFile);
        EXPECT_DOUBLE_EQ(line->slant, expected.slant);
        EXPECT_DOUBLE_EQ(line->extend, expected.extend);
    }
}

TEST(PdftexMap, EntriesFirstLineWinsUserMapsWinOverIt) {
    TempFile pdftex(".map");
    pdftex.WriteText(
        "ec-lmr10 LMRoman10-Regular \" enclmec ReEncodeFont \" <lm-ec.enc <lmr10.pfb\n"
        "ec-lmr10 Other <other.pfb\n"
        "ptmro8r NimbusRomNo9L-Regu \" .167 SlantFont TeXBase1Encoding ReEncodeFont \" <8r.enc <utmr8a.pfb\n"
        "cmr10 CMR10 <cmr10.pfb\n");
    KsDviTTFMap map;
    ASSERT_EQ(map.AppendPdftexMapFile(pdftex.Path().c_str()), 1);
    EXPECT_EQ(map.AppendPdftexMapFile("/nonexistent/pdftex.map"), 0);
    auto const* lm = map.GetEntry("ec-lmr10");
    ASSERT_NE(lm, nullptr);
    EXPECT_EQ(KsDviTTFMap::EntryText(*lm),
              "'ec-lmr10' { fontname = 'lmroman10-regular', encfile = 'lm-ec.enc', fontfile = 'lmr10.pfb' }");
    EXPECT_EQ(KsDviTTFMap::EntryText(*map.GetEntry("ptmro8r")),
              "'ptmro8r' { fontname = 'nimbusromno9l-regu', encfile = '8r.enc', fontfile = 'utmr8a.pfb', "
              "slantfont = '0.167' }");
    EXPECT_EQ(map.GetEntry("cmr10")->encoding, KsDviTTFMap::ENC_RAW);

    // Entries in our own syntax read back the same; file names keep their case.
    KsDviTTFMap copy;
    std::string text;
    for (auto const* e : map.GetEntries()) text += KsDviTTFMap::EntryText(*e) + "\n";
    text += "cmr10 { fontname = 'CMUSerif', encfile = 'My.enc', fontfile = 'CMU.otf', extendfont = '1.2' }\n";
    ASSERT_EQ(copy.AppendTTFMapText(text), 1);
    EXPECT_EQ(KsDviTTFMap::EntryText(*copy.GetEntry("ptmro8r")), KsDviTTFMap::EntryText(*map.GetEntry("ptmro8r")));
    auto const* user = copy.GetEntry("cmr10");
    EXPECT_EQ(user->encoding, KsDviTTFMap::ENC_GLYPH_NAMES);
    EXPECT_STREQ(user->encfile.c_str(), "My.enc");
    EXPECT_STREQ(user->fontfile.c_str(), "CMU.otf");
    EXPECT_DOUBLE_EQ(user->extendfont, 1.2);
}

TEST(EncodingVectors, ReadAsDvipsReadsThem) {
    auto t1 = EncodingVector::Read(KPathSea().Find("cm-super-t1.enc", KPathSea::Format::Enc));
    ASSERT_NE(t1, nullptr);
    EXPECT_EQ(t1->GetName(), "T1Encoding");
    EXPECT_EQ(t1->GetGlyphName(0), "grave");
    EXPECT_EQ(t1->GetGlyphName(0x1C), "fi");
    EXPECT_EQ(t1->GetGlyphName('A'), "A");
    EXPECT_EQ(t1->GetGlyphName(0xFF), "germandbls");
    EXPECT_EQ(t1->GetGlyphName(256), "");

    auto shortOne = EncodingVector::Parse("% [ /not /this ]\n/Mine [/a/b % comment /c\n /.notdef /d] def");
    ASSERT_NE(shortOne, nullptr);
    EXPECT_EQ(shortOne->GetName(), "Mine");
    EXPECT_EQ(shortOne->GetGlyphName(1), "b");
    EXPECT_EQ(shortOne->GetGlyphName(2), "");  // .notdef: no glyph
    EXPECT_EQ(shortOne->GetGlyphName(3), "d");
    EXPECT_EQ(shortOne->GetGlyphName(4), "");
    EXPECT_EQ(EncodingVector::Parse("no vector here"), nullptr);
    EXPECT_EQ(EncodingVector::Parse("[ /a /b ]"), nullptr);  // a vector has a name
    EXPECT_EQ(EncodingVector::Parse("/a b ["), nullptr);     // nor does a bracket after a word start one
    EXPECT_EQ(EncodingVector::Read("/nonexistent.enc"), nullptr);
}

// A document that gives no map of its own gets the installation's fonts: the
// re-encoded fonts with their glyph names, the slanted ones with their slant.
TEST(TeXFonts, DocumentsUseTheInstallationByDefault) {
    TempFile file(".dvi");
    file.Write(OnePage(DviBuilder{}.FntDef(0, "ec-lmr10").FntDef(1, "ptmro8r").FntDef(2, "cmr10")));
    KsDvi dvi;
    dvi.Open(String8(file.Path().c_str()), {}, {});
    dvi.NewPageWritten(0);
    EXPECT_EQ(dvi.GetDviTTFMap(), &ksdvi::TeXFonts::Default().GetMap());
    KsDvi::ItrnFont const* const* fonts = dvi.GetExtFontIndex();
    ASSERT_TRUE(fonts[0] && fonts[1] && fonts[2]);
    EXPECT_EQ(fonts[0]->GetEncoding(), KsDviTTFMap::ENC_GLYPH_NAMES);
    ASSERT_NE(fonts[0]->GetGlyphNames(), nullptr);
    EXPECT_EQ(fonts[0]->GetGlyphNames()->GetGlyphName(0x1B), "ff");
    EXPECT_STREQ(fonts[0]->GetSBCTTFInfo().fontFile.c_str(), "lmr10.pfb");
    EXPECT_DOUBLE_EQ(fonts[1]->GetSBCTTFInfo().slantFont, 0.167);
    EXPECT_EQ(fonts[2]->GetEncoding(), KsDviTTFMap::ENC_RAW);

    // An application that sets its own map, even none, gets what it set.
    KsDvi bare;
    bare.SetDviTTFMap(nullptr);
    bare.Open(String8(file.Path().c_str()), {}, {});
    bare.NewPageWritten(0);
    EXPECT_EQ(bare.GetExtFontIndex()[0]->GetEncoding(), KsDviTTFMap::ENC_OT1);
}

}  // namespace
