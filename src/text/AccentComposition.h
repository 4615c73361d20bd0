#pragma once
// Accents that TeX built from two characters, joined with their letters:
// \accent sets the accent and then the letter over it (boxes overlapping
// horizontally), and some cedillas and ogoneks come after their letter. The
// accent's spacing form becomes the combining one, composed where Unicode has
// a composed letter (e with acute: U+00E9; a dotless i takes its dot back),
// and the stroke of OT1 fonts over L and l makes the Polish letters.

#include <string>
#include <vector>

#include "text/UnicodeText.h"

namespace ksdvi {

// Joins each accent with the letter it overlaps; the letter's box grows to
// cover the accent, whose character is removed.
void ComposeAccents(std::vector<UnicodeChar>& chars);

// Text in Unicode's composed form (NFC), with the compatibility ligatures of
// U+FB00 to U+FB06 spelled out in letters.
std::u32string Composed(std::u32string const& text);

}  // namespace ksdvi
