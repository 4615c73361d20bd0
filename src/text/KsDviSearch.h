#pragma once
// Finds a string in the text of a range of pages, matching incrementally as
// each page's characters are reported in drawing order (Knuth, Morris and
// Pratt), white space in the pattern ignored, letter case ignored unless
// asked. Each occurrence keeps its page, the instruction offset of its first
// character, and its rectangles (DVI units, y downwards) merged per line, or
// in Windows-font mode one record per character with the text state it was
// drawn with.

#include <cstdint>
#include <memory>
#include <vector>

#include "dvi/KsDvi.h"
#include "stream/DList.h"

class KsDviSearch {
public:
    // Occurrences recorded per search beyond the first: characters after the
    // 1001st occurrence are ignored.
    static constexpr int MaxResults = 1000;
    // The page range value meaning "the first page" or "the last page".
    static constexpr int AllPages = -10000;

    struct CharRect {
        int left = 0, top = 0, width = 0, height = 0;
    };
    struct WinChar {
        unsigned short code = 0;
        int x = 0;  // left edge of the character box
        int y = 0;  // bottom edge: baseline plus depth
        int32_t faceIndex = 0, width = 0, height = 0, escapement = 0, bold = 0, italic = 0;
    };
    struct Result {
        int page = 0;
        int offset = 0;
        int length = 0;
        DList<CharRect> rects;
        DList<WinChar> chars;
    };

    KsDviSearch() : KsDviSearch(0) {}
    explicit KsDviSearch(int winFontMode);
    KsDviSearch(KsDviSearch const& other);
    KsDviSearch& operator=(KsDviSearch const& other);
    virtual ~KsDviSearch();

    int FindString(unsigned short const* text, KsDvi* dvi, int matchCase, int firstPage, int lastPage);
    // `text` in the C library's current multibyte encoding.
    int FindString(char const* text, KsDvi* dvi, int matchCase, int firstPage, int lastPage);
    DList<Result>& GetResultList() { return results_; }
    void ClearResultList() { results_.RemoveAll(); }

    // Adds a character box to the rectangles of a match: it widens the last
    // rectangle when within twice the character's height of it horizontally
    // and touching it vertically, else starts a rectangle of its own.
    static void MergeCharRect(DList<CharRect>& rects, CharRect const& box);

protected:
    void PutChar(unsigned short code, int left, int top, int width, int height);

private:
    class Drawer;
    friend class Drawer;

    void CopyFrom(KsDviSearch const& other);

    std::unique_ptr<Drawer> drawer_;
    std::vector<unsigned short> pattern_;
    int patternLength_ = 0;
    int matchCase_ = 0;
    std::vector<int> shift_;
    int state_ = 0;
    int curPage_ = 0;
    int matchStart_ = 0;
    KsDvi::WinFontTextState winState_;
    DList<CharRect> curRects_;
    DList<WinChar> curChars_;
    DList<Result> results_;
    int resultCount_ = 0;
    int winFontMode_ = 0;
};
