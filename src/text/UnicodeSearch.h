#pragma once
// Finds a string in the Unicode text of pages (UnicodeText): white space in
// the pattern matches a gap between words or none, letter case is ignored
// unless asked, and a pattern matches across ligatures and composed accents
// ("finite" where TeX set the fi ligature); an occurrence spans a gap between
// words only where the pattern has white space ("sitamet" is not found in
// "sit amet", nor "Lorem" in "dolore magna"). Occurrences do not overlap;
// their rectangles merge per line as KsDviSearch merges them.

#include <string>
#include <vector>

#include "text/KsDviSearch.h"
#include "text/UnicodeText.h"

namespace ksdvi {

struct TextMatch {
    int page = 0;
    int offset = 0;    // position of the first character
    std::string text;  // the characters matched, whole, in UTF-8
    DList<KsDviSearch::CharRect> rects;
};

class UnicodeSearch {
public:
    // `pattern` in UTF-8.
    UnicodeSearch(std::string const& pattern, bool matchCase);

    // False when the pattern has nothing but white space.
    bool IsValid() const { return !pattern_.empty(); }
    // Appends the occurrences on a page of the given characters, up to
    // KsDviSearch's limit for all pages together.
    void FindOnPage(int page, std::vector<UnicodeChar> const& chars, int winFont,
                    std::vector<TextMatch>& matches) const;

private:
    char32_t Fold(char32_t c) const;

    std::u32string pattern_;
    std::vector<bool> spaceBefore_;  // for each character of the pattern
    bool matchCase_;
};

}  // namespace ksdvi
