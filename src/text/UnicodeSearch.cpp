#include "text/UnicodeSearch.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "text/AccentComposition.h"

namespace ksdvi {

UnicodeSearch::UnicodeSearch(std::string const& pattern, bool matchCase) : matchCase_(matchCase) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(pattern);
    std::u32string word;
    auto endWord = [&] {
        bool space = !pattern_.empty();
        for (char32_t c : Composed(word)) {
            pattern_.push_back(Fold(c));
            spaceBefore_.push_back(space);
            space = false;
        }
        word.clear();
    };
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        UChar32 c = text.char32At(i);
        if (c > 32 && !u_isUWhiteSpace(c))
            word.push_back(static_cast<char32_t>(c));
        else
            endWord();
    }
    endWord();
}

char32_t UnicodeSearch::Fold(char32_t c) const {
    return matchCase_ ? c : static_cast<char32_t>(u_foldCase(static_cast<UChar32>(c), U_FOLD_CASE_DEFAULT));
}

void UnicodeSearch::FindOnPage(int page, std::vector<UnicodeChar> const& chars, int winFont,
                               std::vector<TextMatch>& matches) const {
    if (pattern_.empty()) return;
    std::vector<bool> const gaps = UnicodeText::GapsBefore(chars, winFont);
    // The page's text with, for each character of it, the page character it comes from.
    std::u32string text;
    std::vector<size_t> from;
    for (size_t i = 0; i < chars.size(); ++i)
        for (char32_t c : chars[i].text) {
            text.push_back(Fold(c));
            from.push_back(i);
        }
    for (size_t at = 0; matches.size() <= size_t(KsDviSearch::MaxResults);) {
        size_t found = text.find(pattern_, at);
        if (found == std::u32string::npos) return;
        // A gap between words inside the occurrence needs white space there in the pattern.
        bool spansGap = false;
        for (size_t k = 1; k < pattern_.size() && !spansGap; ++k)
            spansGap = from[found + k] != from[found + k - 1] && gaps[from[found + k]] && !spaceBefore_[k];
        if (spansGap) {
            at = found + 1;
            continue;
        }
        size_t first = from[found], last = from[found + pattern_.size() - 1];
        TextMatch match;
        match.page = page;
        match.offset = chars[first].position;
        std::u32string whole;
        for (size_t i = first; i <= last; ++i) {
            UnicodeChar const& c = chars[i];
            whole += c.text;
            auto const [left, top, width, height] = DrawnBox(c);
            KsDviSearch::CharRect const box{left, top, width, height};
            if (i == first)
                match.rects.Append(box);
            else
                KsDviSearch::MergeCharRect(match.rects, box);
        }
        match.text = Utf8Of(whole);
        matches.push_back(std::move(match));
        // The next occurrence starts after the last character this one touched.
        at = found + pattern_.size();
        while (at < text.size() && from[at] == last) ++at;
    }
}

}  // namespace ksdvi
