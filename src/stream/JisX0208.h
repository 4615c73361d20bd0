#pragma once
// pTeX's character codes: JIS X 0208 row and cell as two bytes 0x21-0x7E,
// converted to Unicode through iconv's EUC-JP, whatever the process locale.

namespace ksdvi {

// The Unicode character of a JIS code; 0 when it stands for none.
char32_t JisToUnicode(unsigned code);

}  // namespace ksdvi
