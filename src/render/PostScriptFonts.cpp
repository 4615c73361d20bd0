#include "render/PostScriptFonts.h"

#include "dvi/DocumentFiles.h"
#include "font/EncodingVector.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Larger than any Type 1 font TeX's installation holds.
constexpr std::size_t kLargestFontProgram = std::size_t(8) << 20;

std::string Number(double v) { return GeneralNumber(v, 6); }

// A PFB file's segments (0x80, type, length in four bytes, little end first)
// as PFA: text as it is, binary as lines of hex digits.
std::optional<std::string> PfbAsPfa(std::string const& pfb) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string pfa;
    std::size_t at = 0;
    while (at + 2 <= pfb.size()) {
        auto byte = [&](std::size_t i) { return static_cast<unsigned char>(pfb[i]); };
        if (byte(at) != 0x80) return std::nullopt;
        int const type = byte(at + 1);
        if (type == 3) return pfa;
        if (at + 6 > pfb.size()) return std::nullopt;
        std::size_t const length =
            byte(at + 2) | byte(at + 3) << 8 | byte(at + 4) << 16 | std::size_t(byte(at + 5)) << 24;
        at += 6;
        if (length > pfb.size() - at) return std::nullopt;
        if (type == 1) {
            pfa.append(pfb, at, length);
        } else if (type == 2) {
            for (std::size_t i = 0; i < length; ++i) {
                pfa += kDigits[byte(at + i) >> 4];
                pfa += kDigits[byte(at + i) & 15];
                if (i % 32 == 31) pfa += '\n';
            }
            pfa += '\n';
        } else {
            return std::nullopt;
        }
        at += length;
    }
    return pfa.empty() ? std::nullopt : std::optional<std::string>(pfa);
}

// A character a PostScript name may hold as it is.
bool IsNameCharacter(char c) {
    return c > ' ' && c < 127 && c != '/' && c != '[' && c != ']' && c != '{' && c != '}' && c != '(' && c != ')' &&
           c != '<' && c != '>' && c != '%';
}

bool IsName(std::string const& name) {
    if (name.empty() || name.size() > 127) return false;
    for (char c : name)
        if (!IsNameCharacter(c)) return false;
    return true;
}

// The name after /FontName in the font's clear text.
std::string FontNameOf(std::string const& pfa) {
    std::size_t at = pfa.find("/FontName");
    if (at == std::string::npos) return {};
    at = pfa.find('/', at + 9);
    if (at == std::string::npos) return {};
    std::size_t end = ++at;
    while (end < pfa.size() && end - at < 127 && IsNameCharacter(pfa[end])) ++end;
    return pfa.substr(at, end - at);
}

}  // namespace

std::optional<Type1Program> ReadType1Program(std::string const& path) {
    std::optional<std::string> bytes = ReadRegularFile(path, kLargestFontProgram);
    if (!bytes || bytes->empty()) return std::nullopt;
    Type1Program program;
    if (static_cast<unsigned char>((*bytes)[0]) == 0x80) {
        std::optional<std::string> pfa = PfbAsPfa(*bytes);
        if (!pfa) return std::nullopt;
        program.text = std::move(*pfa);
    } else if (bytes->compare(0, 2, "%!") == 0) {
        program.text = std::move(*bytes);
    } else {
        return std::nullopt;
    }
    if (program.text.find("eexec") == std::string::npos) return std::nullopt;
    program.fontName = FontNameOf(program.text);
    if (program.fontName.empty()) return std::nullopt;
    return program;
}

std::string DefineShownFont(std::string const& key, std::string const& fontName, EncodingVector const* encoding,
                            double size, double slant, double extend) {
    std::string code = "/" + key + " /" + fontName +
                       " findfont dup length dict begin { 1 index /FID ne { def } { pop pop } ifelse } forall\n";
    if (encoding) {
        code += "/Encoding [";
        for (unsigned c = 0; c < EncodingVector::Size; ++c) {
            std::string const& name = encoding->GetGlyphName(c);
            code += " /" + (IsName(name) ? name : std::string(".notdef"));
            if (c % 16 == 15) code += '\n';
        }
        code += "] def\n";
    }
    // Character space to the job's dots: extended and slanted as the map
    // says, y turned down.
    code += "currentdict end /" + key + "@base exch definefont [" + Number(size * extend) + " 0 " +
            Number(size * slant) + " " + Number(-size) + " 0 0] makefont def\n";
    return code;
}

}  // namespace ksdvi
