#include "DviChecks.h"

#include <climits>
#include <vector>

#include "FuzzEnvironment.h"
#include "Utf8.h"
#include "interp/KsDviDrawerBase.h"
#include "text/KsDviSearch.h"
#include "text/KsDviSelect.h"
#include "text/UnicodeSearch.h"

namespace ksdvi::fuzz {

void CheckPageTable(KsDvi& dvi, size_t fileSize) {
    int64_t after = 0;
    FUZZ_CHECK(dvi.GetNPage() >= 0 && dvi.GetNPage() <= KsDvi::MaxPages);
    for (int page = 0; page < dvi.GetNPage(); ++page) {
        int64_t start = dvi.GetPageStartOffset(page), end = dvi.GetPageEndOffset(page);
        FUZZ_CHECK(start >= after && start <= end);
        FUZZ_CHECK(end < static_cast<int64_t>(fileSize));
        FUZZ_CHECK(dvi.GetPageContents(page, nullptr) == end - start + 1);
        FUZZ_CHECK(dvi.GetPageColorStackSize(page) >= 0 && dvi.GetPageColorStackSize(page) <= KsDvi::ColorStackSize);
        FUZZ_CHECK(dvi.GetPagePictures(page).size() <= KsDvi::MostPagePictures);
        after = end + 1;
    }
    // An anchor on the page being read when the scan stopped has that page's number.
    for (KsDvi::TagInfo const& tag : dvi.GetTagList()) {
        FUZZ_CHECK(tag.page >= 0 && tag.page <= dvi.GetNPage());
        int const first = dvi.FindTagPage(tag.name);
        FUZZ_CHECK(first >= 0 && first <= tag.page);
    }
    // Each bookmark lies at most one level below the one before it.
    int below = 0;
    for (KsDvi::OutlineEntry const& entry : dvi.GetOutline()) {
        FUZZ_CHECK(entry.level >= 0 && entry.level <= 32 && entry.level <= below);
        below = entry.level + 1;
        FUZZ_CHECK(IsUtf8(entry.title.view()));
    }
}

void CheckSelection(KsDvi& dvi, int page) {
    int const length = dvi.GetPageContents(page, nullptr);
    try {
        KsDviSelect select;
        select.Open(dvi, page);
        // Windows-font pages number their characters by baseline and place.
        if (!select.IsWinFont())
            for (KsDviSelect::CharInfo const& c : select.GetCharList())
                FUZZ_CHECK(c.position >= -1 && c.position < length);
        select.BeginSelect(INT_MIN, INT_MIN);
        select.UpdateSelect(INT_MAX, INT_MAX);
        FUZZ_CHECK(select.GetSelRect()->GetCount() <= select.GetLineList().GetCount());
        select.GetSelectedString();
    } catch (KsDviDrawerBase::MalformedDviError const&) {}
}

void CheckText(KsDvi& dvi, int page, UnicodeText& text) {
    int const length = dvi.GetPageContents(page, nullptr);
    try {
        std::vector<UnicodeChar> chars;
        text.ReadPage(page, chars);
        for (UnicodeChar const& c : chars) FUZZ_CHECK(c.position >= -1 && c.position < length);
        FUZZ_CHECK(IsUtf8(UnicodeText::GetString(chars, dvi.GetWinFont())));
        for (TextLine const& line : UnicodeText::GetLines(chars, dvi.GetWinFont()))
            for (TextWord const& word : line) FUZZ_CHECK(IsUtf8(word.text));
        std::vector<TextMatch> matches;
        UnicodeSearch("e e", false).FindOnPage(page, chars, dvi.GetWinFont(), matches);
        FUZZ_CHECK(matches.size() <= KsDviSearch::MaxResults + 1);
        for (TextMatch const& m : matches) FUZZ_CHECK(m.page == page && !m.rects.IsEmpty());
    } catch (KsDviDrawerBase::MalformedDviError const&) {}
}

void CheckSearch(KsDvi& dvi, int pages) {
    KsDviSearch search;
    try {
        search.FindString("e", &dvi, 0, 0, pages - 1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {}
    FUZZ_CHECK(search.GetResultList().GetCount() <= KsDviSearch::MaxResults + 1);
    for (KsDviSearch::Result const& r : search.GetResultList()) FUZZ_CHECK(r.page >= 0 && r.page < pages);
}

}  // namespace ksdvi::fuzz
