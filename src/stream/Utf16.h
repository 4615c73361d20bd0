#pragma once
// UTF-16 text (ToUnicode CMaps, XeTeX's glyph texts) as code points.

#include <string>

namespace ksdvi {

// A lone surrogate becomes U+FFFD.
std::u32string FromUtf16(std::u16string const& text);

}  // namespace ksdvi
