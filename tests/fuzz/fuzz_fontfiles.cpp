// Fuzz target: a font's metric file (TFM, pTeX's JFM, OFM) or its virtual font (VF),
// loaded as a document loads its fonts. The first byte of the input says
// which file the rest is (FontFileKind.h); the document defines the font and
// sets every code of it on its page, which is traced and drawn. A font either
// fails to load, leaving its name among the missing fonts, or answers for
// every code without reading outside its tables.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FontFileKind.h"
#include "FuzzEnvironment.h"
#include "font/ItrnFont.h"
#include "platform/gdi/RasterDevice.h"
#include "render/KsDviDrawer.h"
#include "render/PageRenderer.h"
#include "support/DviBuilder.h"

using namespace ksdvi::fuzz;

namespace {

constexpr char kFontName[] = "ksfuzz";
constexpr int kDpi = 20;

// One page that selects the font and sets every byte code, some of the
// codes above them that OFM fonts have (CheckFont reads every one), and the
// ends of two-byte codes.
std::vector<uint8_t> PageBytes() {
    DviBuilder d;
    d.Pre().Bop(1).FntDef(0, kFontName).Op(171);                   // fnt_num_0
    for (unsigned c = 0; c < 256; ++c) d.Op(128).U(c, 1);          // set1
    for (unsigned c = 256; c <= 0x1FF; c += 5) d.Op(129).U(c, 2);  // set2
    for (unsigned c : {0x7FFFu, 0x8000u, 0xFFFFu}) d.Op(129).U(c, 2);
    // JFM codes: JIS (punctuation, an ideograph, the last cell) and upTeX's
    // three-byte Unicode.
    for (unsigned c : {0x2121u, 0x2122u, 0x3441u, 0x7E7Eu}) d.Op(129).U(c, 2);
    d.Op(130).U(0x20BB7, 3);
    d.Op(133).U(0x41, 1);  // put1 'A'
    return d.Eop().Post().bytes;
}

// Every table entry a drawer can reach, and codes past them; AddressSanitizer
// checks the reads.
void CheckFont(ksdvi::ItrnFont const& font) {
    std::vector<unsigned> codes;
    unsigned const last = std::min(0xFFFFu, std::max(0x1FFu, font.GetLastCode() + 1));
    for (unsigned c = 0; c <= last; ++c) codes.push_back(c);
    for (unsigned c : {0x7FFFu, 0x8000u, 0xFFFFu})
        if (c > last) codes.push_back(c);
    if (font.IsJfm())
        for (unsigned c : {0x2121u, 0x2122u, 0x3441u, 0x7E7Eu, 0x20BB7u}) codes.push_back(c);
    for (unsigned c : codes) {
        if (!font.IsValidChar(c)) {
            FUZZ_CHECK(font.GetCharWidthA(c) == 0 && font.GetCharPacket(c) == nullptr);
            continue;
        }
        // A JFM's codes reach its tables through their types.
        if (font.IsJfm())
            FUZZ_CHECK(font.GetCharType(c) <= font.GetLastCode());
        else
            FUZZ_CHECK(c >= font.GetFirstCode() && c <= font.GetLastCode());
        (void)font.GetCharHeight(c), (void)font.GetCharDepth(c);
        if (!font.IsVirtual()) continue;
        // A JFM's virtual font has packets for some of its codes only.
        FUZZ_CHECK(font.IsJfm() || font.GetCharPacket(c) != nullptr);
        FUZZ_CHECK(font.GetCharPacketLength(c) >= 0 && font.GetCharPacketLength(c) <= 1000);
    }
    // Local fonts: as many as the highest number the VF defines, no more.
    FUZZ_CHECK(font.GetLocalFontIndexSize() >= 0 &&
               font.GetLocalFontIndexSize() <= ksdvi::ItrnFont::LocalFontIndexSize);
    FUZZ_CHECK((font.GetLocalFontIndex() != nullptr) == (font.GetLocalFontIndexSize() > 0));
}

void RemoveFontFiles() {
    for (char const* extension : {".tfm", ".ofm", ".vf"})
        std::filesystem::remove(ScratchFile(std::string(kFontName) + extension));
}

// One document for every input, opened anew as a viewer opens one file after
// another: a new document's table of 65,536 font numbers costs more than
// loading a font. It is closed after each input.
KsDvi& Document() {
    static KsDvi dvi;
    return dvi;
}

DList<String8> const& FontPaths() {
    static DList<String8> const paths = [] {
        DList<String8> list;
        for (std::string const& dir : {ScratchDir(), DataFile("metrics")}) list.Append(String8((dir + "/").c_str()));
        return list;
    }();
    return paths;
}

ksdvi::gdi::RasterDevice& Device() {
    static std::unique_ptr<ksdvi::gdi::RasterDevice> device =
        ksdvi::gdi::RasterDevice::Create({17 * kDpi / 2, 11 * kDpi, kDpi, kDpi});
    return *device;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    FontFileKind::LoadMetrics();
    std::vector<uint8_t> const document = PageBytes();
    WriteFile(ScratchFile("font.dvi"), document.data(), document.size());
    Device();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    if (size < 1) return 0;
    FontFileKind const kind = FontFileKind::Of(data[0]);
    RemoveFontFiles();
    WriteFile(ScratchFile(kFontName + kind.Extension()), data + 1, size - 1);
    if (std::vector<uint8_t> const* metrics = kind.Metrics())
        WriteFile(ScratchFile(std::string(kFontName) + ".tfm"), metrics->data(), metrics->size());

    // The scratch directory first, as a user's font directory; then the
    // fonts of the tests, which virtual fonts there name; then kpathsea.
    KsDvi& dvi = Document();
    struct Closer {
        ~Closer() { Document().Close(); }
    } closer;
    dvi.UseFonts(Fonts());
    dvi.Open(String8(ScratchFile("font.dvi").c_str()), FontPaths(), FontPaths());
    dvi.NewPageWritten(0);
    FUZZ_CHECK(dvi.GetMode() == KsDvi::Complete && dvi.GetNPage() == 1);

    ksdvi::ItrnFont const* font = dvi.GetExtFontIndex()[0];
    std::vector<std::string> const& missing = dvi.GetMissingFonts();
    FUZZ_CHECK((font == nullptr) == (std::find(missing.begin(), missing.end(), kFontName) != missing.end()));
    if (font) CheckFont(*font);

    ksdvi::gdi::CDC dc(Device());
    KsDviDrawer drawer;
    std::string const error = DrawWholePage(drawer, dc, dvi, 0, kDpi, 1.0, String8());
    FUZZ_CHECK(drawer.IsWorking() && error.empty());
    drawer.Close();
    return 0;
}
