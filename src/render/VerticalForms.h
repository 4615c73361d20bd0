#pragma once
// Japanese punctuation in vertical text. A face without OpenType layout
// (ksdvi has no shaping engine) still has Unicode's vertical presentation
// forms for the commas, stops and brackets; the long vowel mark, dashes and
// tildes have none and are turned a quarter, as the `vert` feature turns them.

namespace ksdvi {

// The vertical presentation form of `c`, 0 when it has none.
char32_t VerticalForm(char32_t c);
// Whether `c` lies on its side in vertical text.
bool TurnsInVerticalText(char32_t c);

}  // namespace ksdvi
