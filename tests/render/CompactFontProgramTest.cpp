// Type 1 fonts of the TeX installation made CFF programs: FreeType reads
// back the same glyphs, in the same order, with the same names and widths,
// and draws each as the Type 1 font draws it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "device/CompactFontProgram.h"
#include "support/Cli.h"

#include FT_FONT_FORMATS_H

namespace ksdvi {
namespace {

struct Library {
    FT_Library ft = nullptr;
    Library() { FT_Init_FreeType(&ft); }
    ~Library() { FT_Done_FreeType(ft); }
};

struct Face {
    FT_Face face = nullptr;
    ~Face() { FT_Done_Face(face); }
};

// A glyph's coverage at 40 pixels an em, unhinted.
std::vector<unsigned char> Coverage(FT_Face face, FT_UInt glyph, int& left, int& top) {
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_RENDER)) return {};
    FT_Bitmap const& bitmap = face->glyph->bitmap;
    left = face->glyph->bitmap_left;
    top = face->glyph->bitmap_top;
    std::vector<unsigned char> pixels;
    for (unsigned row = 0; row < bitmap.rows; ++row)
        pixels.insert(pixels.end(), bitmap.buffer + static_cast<long>(row) * bitmap.pitch,
                      bitmap.buffer + static_cast<long>(row) * bitmap.pitch + bitmap.width);
    return pixels;
}

std::string GlyphName(FT_Face face, FT_UInt glyph) {
    char name[128] = "";
    FT_Get_Glyph_Name(face, glyph, name, sizeof name);
    return name;
}

TEST(CompactFontProgram, KeepsEveryGlyphOfTypeOneFonts) {
    Library library;
    // Text, symbols (a font of its own encoding) and a font drawn with flex.
    for (char const* file : {"cmr10.pfb", "cmsy10.pfb", "cmmi10.pfb"}) {
        std::string path = RunCommand(std::string("kpsewhich ") + file + " 2>/dev/null");
        path = path.substr(0, path.find('\n'));
        if (path.empty()) GTEST_SKIP() << file << " is not installed";
        Face type1, cff;
        ASSERT_EQ(FT_New_Face(library.ft, path.c_str(), 0, &type1.face), 0) << file;
        std::string const program = CompactFontProgram(type1.face);
        ASSERT_FALSE(program.empty()) << file;
        ASSERT_EQ(FT_New_Memory_Face(library.ft, reinterpret_cast<FT_Byte const*>(program.data()),
                                     static_cast<FT_Long>(program.size()), 0, &cff.face),
                  0)
            << file;
        EXPECT_STREQ(FT_Get_Font_Format(cff.face), "CFF");
        EXPECT_STREQ(FT_Get_Postscript_Name(cff.face), FT_Get_Postscript_Name(type1.face));
        ASSERT_EQ(cff.face->num_glyphs, type1.face->num_glyphs) << file;
        FT_Set_Pixel_Sizes(type1.face, 0, 40);
        FT_Set_Pixel_Sizes(cff.face, 0, 40);
        for (FT_UInt g = 0; g < static_cast<FT_UInt>(type1.face->num_glyphs); ++g) {
            std::string const name = GlyphName(type1.face, g);
            EXPECT_EQ(GlyphName(cff.face, g), name) << file;
            FT_Load_Glyph(type1.face, g, FT_LOAD_NO_SCALE);
            long const width = type1.face->glyph->metrics.horiAdvance;
            FT_Load_Glyph(cff.face, g, FT_LOAD_NO_SCALE);
            EXPECT_EQ(cff.face->glyph->metrics.horiAdvance, width) << file << " " << name;
            int leftA = 0, topA = 0, leftB = 0, topB = 0;
            std::vector<unsigned char> const a = Coverage(type1.face, g, leftA, topA);
            std::vector<unsigned char> const b = Coverage(cff.face, g, leftB, topB);
            EXPECT_EQ(leftA, leftB) << file << " " << name;
            EXPECT_EQ(topA, topB) << file << " " << name;
            ASSERT_EQ(a.size(), b.size()) << file << " " << name;
            long inkA = 0, differs = 0;
            for (size_t i = 0; i < a.size(); ++i) inkA += a[i], differs += std::abs(a[i] - b[i]);
            EXPECT_LE(differs, inkA / 50 + 255) << file << " " << name;
        }
        // Its program is CFF already: nothing to make.
        EXPECT_EQ(CompactFontProgram(cff.face), "");
    }
}

}  // namespace
}  // namespace ksdvi
