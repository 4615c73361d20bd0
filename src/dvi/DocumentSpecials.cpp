#include "dvi/DocumentSpecials.h"

#include <cstdlib>

#include "dvi/DvipsColour.h"
#include "dvi/KsDvi.h"
#include "dvi/SpecialParsing.h"

namespace {

using Case = DocumentSpecials::Case;

// Binary records: '#', a 16-bit code, then the code's fields.
constexpr unsigned kRecordResolutionCode = 0;
constexpr unsigned kFaceNameCode = 2;
constexpr int kFaceNameOffset = 6;  // from the first byte after '#'
constexpr int kLongestFaceName = 259;

// hypertext: separates with every byte below 33 taken as signed, which makes
// the bytes 0x80 to 0xFF separators too.
bool IsSeparator(unsigned char c) { return static_cast<signed char>(c) < 33; }

unsigned char* SkipSeparators(unsigned char* p) {
    while (*p != 0 && IsSeparator(*p)) ++p;
    return p;
}

String8 Bytes(unsigned char const* from, unsigned char const* to) {
    return String8(reinterpret_cast<char const*>(from), static_cast<int>(to - from));
}

String8 UnquotedBytes(unsigned char const* from, unsigned char const* to) {
    return String8(WithoutEnclosingQuotes({reinterpret_cast<char const*>(from), static_cast<size_t>(to - from)}));
}

}  // namespace

DocumentSpecials::Keyword const DocumentSpecials::kKeywords[] = {
    {"#", Case::Matters, &DocumentSpecials::BinaryRecord},
    {"colorpush:", Case::Ignored, &DocumentSpecials::ColorPush},
    {"colorpop:", Case::Ignored, &DocumentSpecials::ColorPop},
    {"backgroundcolor:", Case::Ignored, &DocumentSpecials::BackgroundColor},
    {kDvipsColorKeyword, Case::Matters, &DocumentSpecials::DvipsColor},
    {kDvipsBackgroundKeyword, Case::Matters, &DocumentSpecials::DvipsBackground},
    {"html:", Case::Ignored, &DocumentSpecials::HtmlAnchor},
    {"hypertext:", Case::Ignored, &DocumentSpecials::HypertextAnchor},
    {"graphics:", Case::Matters, &DocumentSpecials::GraphicsPicture},
};

void DocumentSpecials::Handle(unsigned char* text, int length) {
    if (length < 0) return;
    unsigned char* end = text + length;
    for (Keyword const& keyword : kKeywords) {
        if (!StartsWith(text, keyword.word, keyword.letterCase)) continue;
        if ((this->*keyword.handle)(text + keyword.word.size(), end)) return;
    }
    PsfilePicture(text);
}

// '#' code[2] ...: code 0 resolution[2]; code 2 unused[4] face name (NUL-terminated).
bool DocumentSpecials::BinaryRecord(unsigned char* args, unsigned char* end) {
    if (end - args < 2) return true;
    unsigned code = static_cast<unsigned>(args[0]) << 8 | args[1];
    if (code == kRecordResolutionCode && end - args >= 4) {
        dvi_.SetRecordResolution(static_cast<unsigned short>(args[2] << 8 | args[3]));
    } else if (code == kFaceNameCode && end - args >= kFaceNameOffset) {
        unsigned char* name = args + kFaceNameOffset;
        unsigned char* stop = name;
        while (stop < end && *stop != 0 && stop - name < kLongestFaceName) ++stop;
        RegisterFace(Bytes(name, stop));
    }
    return true;
}

bool DocumentSpecials::ColorPush(unsigned char* args, unsigned char*) {
    unsigned int color = 0;
    if (ReadRgbColor(args, &color) && dvi_.colorStackDepth_ < KsDvi::ColorStackSize)
        dvi_.colorStack_[static_cast<size_t>(dvi_.colorStackDepth_++)] = color;
    return true;
}

bool DocumentSpecials::ColorPop(unsigned char*, unsigned char*) {
    // The bottom entry, black, stays.
    if (dvi_.colorStackDepth_ > 1) --dvi_.colorStackDepth_;
    return true;
}

bool DocumentSpecials::BackgroundColor(unsigned char* args, unsigned char*) {
    unsigned int color = 0;
    if (ReadRgbColor(args, &color)) dvi_.backgroundColor_ = color;
    return true;
}

bool DocumentSpecials::DvipsColor(unsigned char* args, unsigned char*) {
    if (auto change = ParseDvipsColorWords(args))
        ApplyDvipsColorChange(*change, dvi_.colorStack_.data(), dvi_.colorStackDepth_, KsDvi::ColorStackSize);
    return true;
}

bool DocumentSpecials::DvipsBackground(unsigned char* args, unsigned char*) {
    if (auto color = ParseDvipsColor(args)) dvi_.backgroundColor_ = *color;
    return true;
}

// html:<a name="...">; other elements and attributes are the renderer's.
bool DocumentSpecials::HtmlAnchor(unsigned char* p, unsigned char*) {
    p = SkipBlanks(p);
    if (*p != '<') return true;
    if (p[1] != 'a' && p[1] != 'A') return false;
    p = SkipBlanks(p + 2);
    if (!StartsWith(p, "name")) return true;
    p = SkipBlanks(p + 4);
    if (*p != '=') return true;
    p = SkipBlanks(p + 1);
    if (*p != '"') return true;
    unsigned char* name = ++p;
    while (*p != 0 && *p != '"') ++p;
    if (*p != '"') return true;
    AppendTag(Bytes(name, p));
    return true;
}

// hypertext: [up to four integers] name=value, the value possibly quoted.
bool DocumentSpecials::HypertextAnchor(unsigned char* p, unsigned char*) {
    for (int i = 0; i < 4; ++i) {
        char* after = nullptr;
        std::strtol(reinterpret_cast<char*>(p), &after, 10);
        p = reinterpret_cast<unsigned char*>(after);
    }
    p = SkipSeparators(p);
    if (!StartsWith(p, "name")) return true;
    p = SkipSeparators(p + 4);
    if (*p != '=') return true;
    p = SkipSeparators(p + 1);
    unsigned char* value = p;
    while (!IsSeparator(*p)) ++p;
    AppendTag(UnquotedBytes(value, p));
    return true;
}

// graphics: dx dy nw nh tw th TYPE file; the offsets and sizes are the
// drawer's, the document only wants the file of metafile and EPS pictures.
bool DocumentSpecials::GraphicsPicture(unsigned char* p, unsigned char*) {
    int dimensions[6];
    if (!(p = ReadDimensions(p, dimensions, 6))) return true;
    p = SkipBlanks(p);
    if (!StartsWith(p, "WMF") && !StartsWith(p, "EPS")) return true;
    p = SkipBlanks(p + 3);
    if (*p == 0) return true;
    dvi_.AppendPictFile(String8(reinterpret_cast<char const*>(p)));
    return true;
}

void DocumentSpecials::PsfilePicture(unsigned char* p) {
    unsigned char const* value = nullptr;
    unsigned char const* valueEnd = nullptr;
    for (;;) {
        p = SkipBlanks(p);
        if (*p == 0) break;
        unsigned char* key = p;
        while (*p > 0x20 && *p != '=') ++p;
        bool isPsfile = p - key == 6 && StartsWith(key, "psfile");
        p = SkipBlanks(p);
        if (*p != '=') break;
        p = SkipBlanks(p + 1);
        if (*p == 0) break;
        unsigned char* start = p;
        while (*p > 0x20) ++p;
        if (isPsfile) {
            value = start;
            valueEnd = p;
        }
    }
    if (value) dvi_.AppendPictFile(UnquotedBytes(value, valueEnd));
}

void DocumentSpecials::RegisterFace(String8 const& face) {
    KsDvi::CDC* reference = dvi_.GetDevice(0);
    bool installed = reference && dvi_.faceQuery_ && dvi_.faceQuery_(reference, face.c_str());
    dvi_.AppendFaceName(installed ? face : String8(dvi_.faceSubstitutions_.Substitute(face.view())));
}

void DocumentSpecials::AppendTag(String8 const& name) { dvi_.tags_.Append(KsDvi::TagInfo{name, dvi_.pageCount_}); }
