#include "text/KsDviSearch.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "interp/KsDviDrawerBase.h"
#include "text/NativeGlyphText.h"

// Reports each character's box, top edge and full height, to the search.
class KsDviSearch::Drawer : public KsDviDrawerBase {
public:
    explicit Drawer(KsDviSearch* owner) : owner_(owner) {}
    void SetOwner(KsDviSearch* owner) { owner_ = owner; }
    using KsDviDrawerBase::GetInstOffset;

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override {
        owner_->winState_ = GetDvi()->GetWinFontTextState();
        // A hostile file's positions and sizes reach the int range's ends.
        auto held = [](int64_t value) {
            return static_cast<int>(std::clamp<int64_t>(value, INT_MIN / 2, INT_MAX / 2));
        };
        owner_->PutChar(code, h, held(int64_t(v) - height), width, held(int64_t(height) + depth));
    }
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override {
        ksdvi::PutGlyphCharacters(*GetDvi(), font, glyphs, text,
                                  [this](int, int h, int v, unsigned short code, int width, int height, int depth) {
                                      PutChar(h, v, code, width, height, depth);
                                  });
    }

private:
    KsDviSearch* owner_;
};

namespace {

unsigned short Folded(unsigned short code, int matchCase) {
    return matchCase ? code : static_cast<unsigned short>(std::towlower(code));
}

}  // namespace

KsDviSearch::KsDviSearch(int winFontMode) : drawer_(std::make_unique<Drawer>(this)), winFontMode_(winFontMode) {}

KsDviSearch::KsDviSearch(KsDviSearch const& other) : drawer_(std::make_unique<Drawer>(this)) { CopyFrom(other); }

KsDviSearch& KsDviSearch::operator=(KsDviSearch const& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

KsDviSearch::~KsDviSearch() = default;

// The drawer holds no state between searches: each page opens it anew.
void KsDviSearch::CopyFrom(KsDviSearch const& other) {
    pattern_ = other.pattern_;
    patternLength_ = other.patternLength_;
    matchCase_ = other.matchCase_;
    shift_ = other.shift_;
    state_ = other.state_;
    curPage_ = other.curPage_;
    matchStart_ = other.matchStart_;
    winState_ = other.winState_;
    curRects_ = other.curRects_;
    curChars_ = other.curChars_;
    results_ = other.results_;
    resultCount_ = other.resultCount_;
    winFontMode_ = other.winFontMode_;
}

int KsDviSearch::FindString(char const* text, KsDvi* dvi, int matchCase, int firstPage, int lastPage) {
    if (!text) return FindString(static_cast<unsigned short const*>(nullptr), dvi, matchCase, firstPage, lastPage);
    size_t n = std::strlen(text);
    std::vector<wchar_t> wide(n + 1, 0);
    size_t converted = std::mbstowcs(wide.data(), text, n + 1);
    // A string the current encoding rejects is searched as an empty one.
    if (converted == static_cast<size_t>(-1)) converted = 0;
    std::vector<unsigned short> units(converted + 1, 0);
    for (size_t i = 0; i < converted; ++i) units[i] = static_cast<unsigned short>(wide[i]);
    return FindString(units.data(), dvi, matchCase, firstPage, lastPage);
}

int KsDviSearch::FindString(unsigned short const* text, KsDvi* dvi, int matchCase, int firstPage, int lastPage) {
    if (!dvi) return 0;
    if (firstPage == AllPages) firstPage = 0;
    if (lastPage == AllPages) lastPage = dvi->GetNPage() - 1;
    if (!text || firstPage < 0 || lastPage >= dvi->GetNPage() || firstPage > lastPage) return 0;
    ClearResultList();

    pattern_.clear();
    for (unsigned short const* p = text; *p; ++p)
        if (*p > 32) pattern_.push_back(Folded(*p, matchCase));
    patternLength_ = static_cast<int>(pattern_.size());
    if (patternLength_ == 0) return 0;
    // shift[i]: how far the pattern moves when the unit after i matched ones
    // differs; i - shift[i] is the longest proper border of those i units.
    shift_.assign(pattern_.size(), 1);
    for (int i = 1; i < patternLength_; ++i) {
        int s = 1;
        while (s < i && std::memcmp(pattern_.data(), pattern_.data() + s, (i - s) * sizeof(unsigned short)) != 0) ++s;
        shift_[i] = s;
    }
    matchCase_ = matchCase;
    resultCount_ = 0;

    struct Release {
        KsDviSearch* self;
        ~Release() {
            self->drawer_->Close();
            self->pattern_.clear();
            self->shift_.clear();
            self->patternLength_ = 0;
        }
    } release{this};
    for (int p = firstPage; p <= lastPage; ++p) {
        curPage_ = p;
        state_ = 0;
        curRects_.RemoveAll();
        curChars_.RemoveAll();
        if (drawer_->Open(*dvi, p)) drawer_->Draw(-1);
        drawer_->Close();
    }
    return results_.IsEmpty() ? 0 : 1;
}

void KsDviSearch::MergeCharRect(DList<CharRect>& rects, CharRect const& box) {
    using Wide = int64_t;  // sums of page coordinates, which may reach the ends of int
    if (!rects.IsEmpty()) {
        CharRect& r = rects.GetTail()->value;
        Wide reach = Wide(2) * box.height;
        Wide boxRight = Wide(box.left) + box.width, boxBottom = Wide(box.top) + box.height;
        Wide right = Wide(r.left) + r.width, bottom = Wide(r.top) + r.height;
        if (r.left <= boxRight + reach && right + reach >= box.left && r.top <= boxBottom && bottom >= box.top) {
            Wide left = std::min(r.left, box.left), top = std::min(r.top, box.top);
            right = std::max(right, boxRight);
            bottom = std::max(bottom, boxBottom);
            r = {int(left), int(top), int(right - left), int(bottom - top)};
            return;
        }
    }
    rects.Append(box);
}

void KsDviSearch::PutChar(unsigned short code, int left, int top, int width, int height) {
    if (resultCount_ > MaxResults || patternLength_ == 0) return;
    unsigned short reported = code;
    if (code >= 0xF000 && code <= 0xF0FF) code = static_cast<unsigned short>(code - 0xF000);
    code = Folded(code, matchCase_);
    while (pattern_[state_] != code) {
        state_ -= shift_[state_];
        if (state_ < 0) {
            state_ = 0;
            return;
        }
    }
    WinChar record{reported,
                   left,
                   top + height,
                   winState_.faceIndex,
                   winState_.charWidth,
                   winState_.charHeight,
                   winState_.escapement,
                   winState_.bold,
                   winState_.italic};
    if (state_ == 0) {
        matchStart_ = drawer_->GetInstOffset();
        if (winFontMode_) {
            curChars_.RemoveAll();
            curChars_.Append(record);
        } else {
            curRects_.RemoveAll();
            curRects_.Append({left, top, width, height});
        }
    } else if (winFontMode_) {
        curChars_.Append(record);
    } else {
        MergeCharRect(curRects_, {left, top, width, height});
    }
    if (++state_ < patternLength_) return;
    ++resultCount_;
    results_.Append({curPage_, matchStart_, patternLength_, curRects_, curChars_});
    state_ = 0;
}
