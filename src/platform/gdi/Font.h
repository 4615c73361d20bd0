// CFont and the font calls of GDI: fonts are LOGFONTA descriptions, realized
// for a device context's scale as ScaledFonts; faces come from FontCatalog.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <string>

#include "platform/gdi/GdiObject.h"
#include "platform/gdi/ScaledFont.h"

namespace ksdvi::gdi {

class CDC;
using HDC = CDC*;

// What TeX's font maps do to a face beyond GDI's description: SlantFont
// (x += slant * y) and ExtendFont (x *= extend); and a transformation of the
// glyphs in device space, as a world transformation would give them
// (x' = t[0] x + t[2] y, y' = t[1] x + t[3] y, y down).
struct FontShape {
    double slant = 0;
    double extend = 1;
    std::array<double, 4> transform{1, 0, 0, 1};
    // Light hinting, as dvipng draws TeX's fonts; off: the outlines as PDF
    // readers draw them (the fonts of XeTeX and pTeX documents).
    bool hinted = true;
    // The outline widened about its middle as a stroke this part of an em
    // wide would widen it (XeTeX's FakeBold).
    double stroke = 0;
};

struct FontData {
    LOGFONTA logFont;
    FontShape shape;
    // The face drawn whatever the description's name says; none: the name
    // chooses it.
    std::shared_ptr<const FontFile> face;

    // The face file the font draws with (substituted when missing).
    std::shared_ptr<const FontFile> ResolveFile() const;

    // The font at a context's scale: logical-to-device factors and the
    // device's vertical resolution (for the default height).
    std::shared_ptr<ScaledFont> Realize(double scaleX, double scaleY, int dpiY) const;

private:
    mutable std::mutex lock_;
    mutable std::shared_ptr<ScaledFont> last_;
    mutable double lastScaleX_ = 0, lastScaleY_ = 0;
    mutable int lastDpiY_ = 0;
};

class CFont : public CGdiObject {
public:
    CFont() = default;

    GdiObjectKind Kind() const override { return GdiObjectKind::Font; }
    bool HasContents() const override { return data_ != nullptr; }
    BOOL DeleteObject() override;

    BOOL CreateFontIndirectA(const LOGFONTA* logFont);
    BOOL CreateFontIndirect(const LOGFONTA* logFont) { return CreateFontIndirectA(logFont); }
    BOOL CreateFontA(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                     BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                     BYTE pitchAndFamily, const char* faceName);
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, const char* faceName) {
        return CreateFontA(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                           outPrecision, clipPrecision, quality, pitchAndFamily, faceName);
    }
    int GetLogFont(LOGFONTA* out) const;
    // A font of a given face, sized and styled by `logFont` (its name is not
    // looked at), with a shape GDI's description cannot give.
    BOOL CreateFaceFont(std::shared_ptr<const FontFile> face, const LOGFONTA& logFont, const FontShape& shape);
    // The glyph indices of PostScript glyph names in the font's face, as
    // GetGlyphIndices gives them for characters: 0 for a name it lacks.
    // Returns the number of names found, or GDI_ERROR without a face.
    DWORD GetGlyphIndicesByName(const char* const* names, int count, WORD* indices) const;

    const std::shared_ptr<const FontData>& Data() const { return data_; }

private:
    std::shared_ptr<const FontData> data_;
};

using HFONT = CFont*;

HFONT CreateFontIndirectA(const LOGFONTA* logFont);

// The face a description draws with: the installed face of its name nearest
// its weight and slant, or fontconfig's substitute. Null when there is none.
std::shared_ptr<const FontFile> ResolveFontFace(const LOGFONTA& logFont);
// Face 0 of a font file, loaded once per process; null when it cannot be read.
std::shared_ptr<const FontFile> OpenFontProgram(const std::string& path);

// Whether an outline face of that name is installed; fills `out` with its
// description when it is. `dc` may be null.
int FindTrueTypeFace(CDC* dc, const char* face, LOGFONTA* out);
// The same question without a device context.
bool IsFaceInstalled(const char* face);

// Private fonts for this process (flags FR_PRIVATE and FR_NOT_ENUM are
// accepted and make no difference). Returns the number of faces added.
int AddFontResourceExA(const char* path, DWORD flags, void* reserved);

}  // namespace ksdvi::gdi
