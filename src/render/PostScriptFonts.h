#pragma once
// TeX's Type 1 fonts handed to a page's PostScript job, for PostScript that
// draws TeX's characters itself: pst-text's \pstextpath and pstricks'
// \pscharpath redefine show, and the characters set while they are in force
// are shown by Ghostscript in the job, as dvips downloads the fonts and shows
// them.

#include <optional>
#include <string>

namespace ksdvi {

class EncodingVector;

struct Type1Program {
    std::string text;      // the font program as PostScript reads it (PFA)
    std::string fontName;  // the name it defines the font under
};

// The Type 1 font program in `path` (PFA, or PFB turned into PFA); nullopt for
// another kind of file, a damaged one or one past the size a font may have.
std::optional<Type1Program> ReadType1Program(std::string const& path);

// PostScript defining `key` in the current dictionary as the font
// `fontName` (defined already) at `size` device dots, in the job's
// coordinates (y down), with `encoding` (null: the font's own), dvips'
// SlantFont and ExtendFont.
std::string DefineShownFont(std::string const& key, std::string const& fontName, EncodingVector const* encoding,
                            double size, double slant, double extend);

}  // namespace ksdvi
