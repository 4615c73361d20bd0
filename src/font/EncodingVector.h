#pragma once
// A PostScript encoding vector as dvips and pdfTeX read it from an .enc file:
//   % comment
//   /T1Encoding [ /grave /acute ... /germandbls ] def
// Up to 256 glyph names, one per character code; codes the file leaves out
// (or fills with /.notdef) have no glyph.

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace ksdvi {

class EncodingVector {
public:
    static constexpr int Size = 256;

    // Null when the text holds no vector ("/Name [ ... ]").
    static std::shared_ptr<EncodingVector const> Parse(std::string_view text);
    // The same for a file; null when it cannot be read or holds no vector.
    static std::shared_ptr<EncodingVector const> Read(std::string const& path);

    std::string const& GetName() const { return name_; }
    // The glyph name of a code, "" for codes without a glyph.
    std::string const& GetGlyphName(unsigned code) const {
        static std::string const none;
        return code < Size ? names_[code] : none;
    }

private:
    std::string name_;
    std::array<std::string, Size> names_;
};

}  // namespace ksdvi
