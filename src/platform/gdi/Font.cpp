#include "platform/gdi/Font.h"

#include <strings.h>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gdi/FontCatalog.h"

namespace ksdvi::gdi {

namespace {

// The face name up to its terminator, blanks kept: "Kestrel SS " and
// "Kestrel SS" are different faces.
std::string_view FaceName(const LOGFONTA& lf) { return {lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)}; }

void CopyFaceName(LOGFONTA& lf, std::string_view name) {
    const std::size_t n = std::min<std::size_t>(name.size(), LF_FACESIZE - 1);
    std::memcpy(lf.lfFaceName, name.data(), n);
    lf.lfFaceName[n] = '\0';
}

int RequestedWeight(const LOGFONTA& lf) { return lf.lfWeight <= 0 ? FW_NORMAL : std::min<int>(lf.lfWeight, 1000); }

// What the enumeration reports of a face.
void Describe(const FaceDescriptor& face, std::string_view name, LOGFONTA& lf) {
    lf = LOGFONTA{};
    lf.lfWeight = face.weight;
    lf.lfItalic = face.italic;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = 7;  // OUT_TT_ONLY_PRECIS: the face is an outline face
    lf.lfPitchAndFamily = VARIABLE_PITCH;
    CopyFaceName(lf, name);
}

}  // namespace

std::shared_ptr<const FontFile> ResolveFontFace(const LOGFONTA& logFont) {
    FontCatalog& catalog = FontCatalog::Instance();
    auto face = catalog.ResolveFace(FaceName(logFont), RequestedWeight(logFont), logFont.lfItalic != 0);
    return face ? catalog.Open(*face) : nullptr;
}

std::shared_ptr<const FontFile> OpenFontProgram(const std::string& path) {
    FaceDescriptor face;
    face.file = path;
    return FontCatalog::Instance().Open(face);
}

std::shared_ptr<const FontFile> FontData::ResolveFile() const { return face ? face : ResolveFontFace(logFont); }

std::shared_ptr<ScaledFont> FontData::Realize(double scaleX, double scaleY, int dpiY) const {
    std::lock_guard guard(lock_);
    if (last_ && lastScaleX_ == scaleX && lastScaleY_ == scaleY && lastDpiY_ == dpiY) return last_;
    const LOGFONTA& lf = logFont;
    const int weight = RequestedWeight(lf);
    auto file = ResolveFile();
    if (!file) return nullptr;
    ScaledFontKey key;
    key.file = file;
    const double sy = std::abs(scaleY), sx = std::abs(scaleX);
    const double cell = double(file->Ascent() + file->Descent()) / file->UnitsPerEm();
    if (lf.lfHeight < 0)
        key.em = -double(lf.lfHeight) * sy;  // character height: the em itself
    else if (lf.lfHeight > 0)
        key.em = double(lf.lfHeight) * sy / cell;  // cell height
    else
        key.em = 12.0 * std::max(dpiY, 1) / 72.0;
    // Glyphs larger than ScaledFont keeps whole are drawn magnified, only
    // where they show (ScaledFont::Part).
    key.em = std::clamp(key.em, 0.25, kLargestMagnifiedEm);
    if (key.em > kLargestKeptEm) {
        key.magnify = key.em / kLargestKeptEm;
        key.em = kLargestKeptEm;
    }
    if (lf.lfWidth != 0) {
        const double natural = double(file->AverageWidth()) / file->UnitsPerEm() * key.em;
        key.xScale = std::clamp(std::abs(double(lf.lfWidth)) * sx / natural, 0.01, 100.0);
    }
    key.xScale = std::clamp(key.xScale * shape.extend, 0.01, 100.0);
    key.escapement = int(lf.lfEscapement % 3600);
    key.hinted = shape.hinted;
    key.stroke = std::isfinite(shape.stroke) ? std::clamp(shape.stroke, 0.0, 1.0) : 0.0;
    key.emboldened = weight >= FW_SEMIBOLD && file->Weight() < FW_SEMIBOLD;
    // Synthetic italics lean about 11 degrees.
    key.slant = std::clamp(shape.slant + (lf.lfItalic && !file->IsItalic() ? 0.2 : 0.0), -2.0, 2.0);
    for (size_t i = 0; i < 4; ++i)
        key.transform[i] = std::isfinite(shape.transform[i]) ? std::clamp(shape.transform[i], -100.0, 100.0) : 0.0;
    // So are those a transformation blows up past the largest em kept whole.
    const auto& t = key.transform;
    const double stretch = std::max(std::abs(t[0]) + std::abs(t[2]), std::abs(t[1]) + std::abs(t[3]));
    if (stretch * key.em > kLargestKeptEm) {
        const double over = stretch * key.em / kLargestKeptEm;
        for (double& v : key.transform) v /= over;
        key.magnify = std::min(key.magnify * over, kLargestMagnifiedEm / kLargestKeptEm);
    }
    last_ = ScaledFont::Get(key);
    lastScaleX_ = scaleX;
    lastScaleY_ = scaleY;
    lastDpiY_ = dpiY;
    return last_;
}

BOOL CFont::DeleteObject() {
    if (!data_ || IsStock()) return FALSE;
    data_.reset();
    return TRUE;
}

BOOL CFont::CreateFontIndirectA(const LOGFONTA* logFont) {
    if (data_ || !logFont) return FALSE;
    auto d = std::make_shared<FontData>();
    d->logFont = *logFont;
    d->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    data_ = std::move(d);
    return TRUE;
}

BOOL CFont::CreateFontA(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                        BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                        BYTE pitchAndFamily, const char* faceName) {
    LOGFONTA lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = italic;
    lf.lfUnderline = underline;
    lf.lfStrikeOut = strikeOut;
    lf.lfCharSet = charSet;
    lf.lfOutPrecision = outPrecision;
    lf.lfClipPrecision = clipPrecision;
    lf.lfQuality = quality;
    lf.lfPitchAndFamily = pitchAndFamily;
    if (faceName) CopyFaceName(lf, faceName);
    return CreateFontIndirectA(&lf);
}

BOOL CFont::CreateFaceFont(std::shared_ptr<const FontFile> face, const LOGFONTA& logFont, const FontShape& shape) {
    if (data_ || !face) return FALSE;
    auto d = std::make_shared<FontData>();
    d->logFont = logFont;
    d->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    d->shape = shape;
    d->face = std::move(face);
    data_ = std::move(d);
    return TRUE;
}

DWORD CFont::GetGlyphIndicesByName(const char* const* names, int count, WORD* indices) const {
    if (!data_ || !names || !indices || count < 0) return GDI_ERROR;
    auto file = data_->ResolveFile();
    if (!file) return GDI_ERROR;
    DWORD found = 0;
    for (int i = 0; i < count; ++i) {
        unsigned g = names[i] && *names[i] ? file->GlyphIndexByName(names[i]) : 0;
        indices[i] = g <= 0xFFFF ? WORD(g) : 0;
        found += indices[i] != 0;
    }
    return found;
}

int CFont::GetLogFont(LOGFONTA* out) const {
    if (!data_ || !out) return 0;
    *out = data_->logFont;
    return int(sizeof(LOGFONTA));
}

HFONT CreateFontIndirectA(const LOGFONTA* logFont) {
    auto font = std::make_unique<CFont>();
    if (!font->CreateFontIndirectA(logFont)) return nullptr;
    font->MarkOwnedByHandle();
    return font.release();
}

int FindTrueTypeFace(CDC*, const char* face, LOGFONTA* out) {
    if (!face || !*face) return 0;
    auto found = FontCatalog::Instance().FindFace(face);
    if (!found) return 0;
    if (out) {
        // A family keeps its family name; a full or PostScript name stays as asked,
        // which names that very face when the font is created.
        const bool byFamily = std::any_of(found->families.begin(), found->families.end(),
                                          [&](const std::string& f) { return strcasecmp(f.c_str(), face) == 0; });
        Describe(*found, byFamily ? std::string_view(found->Family()) : std::string_view(face), *out);
    }
    return 1;
}

bool IsFaceInstalled(const char* face) { return FindTrueTypeFace(nullptr, face, nullptr) != 0; }

int AddFontResourceExA(const char* path, DWORD, void*) {
    return path ? FontCatalog::Instance().AddPrivateFontFile(path) : 0;
}

}  // namespace ksdvi::gdi
