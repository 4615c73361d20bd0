#include "text/UnicodeText.h"

#include <unicode/unistr.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>

#include "dvi/DviOpcodes.h"
#include "font/ItrnFont.h"
#include "interp/KsDviDrawerBase.h"
#include "page/DocumentState.h"
#include "page/Paper.h"
#include "page/PixelMapping.h"
#include "text/AccentComposition.h"
#include "text/CharacterClasses.h"
#include "text/GlyphList.h"
#include "text/NativeGlyphText.h"
#include "text/SelectionSpacing.h"
#include "text/TextTransforms.h"

namespace ksdvi {

// Records each character with the text its font and code stand for.
class UnicodeText::Drawer : public KsDviDrawerBase {
public:
    explicit Drawer(UnicodeText& owner) : owner_(owner) {}
    std::vector<UnicodeChar>* chars = nullptr;

    int Open(KsDvi& dvi, int page) override {
        transforms_.emplace(dvi);  // a page begins untransformed
        paper_ = PaperOf(dvi, page, kLargestPaper);
        return KsDviDrawerBase::Open(dvi, page);
    }

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override {
        KsDvi::ItrnFont const* font = IsWinFont() ? nullptr : GetItrnFont(GetCurFont());
        // A JFM font's character is known whole, past U+FFFF too.
        char32_t japanese = GetJapaneseCharacter();
        std::u32string text = japanese ? std::u32string(1, japanese) : owner_.TextOf(font, GetDviCode(), code);
        UnicodeChar c{h, v, width, height, depth, GetInstOffset(), std::move(text)};
        if (GetDirection() != dvi::kHorizontal) {
            // In vertical text the box lies with its height right of the pen
            // and its width below it.
            c.left = static_cast<int>(int64_t(h) - depth);
            c.baseline = static_cast<int>(int64_t(v) + width);
            c.width = static_cast<int>(std::clamp<int64_t>(int64_t(height) + depth, 0, INT32_MAX));
            c.height = width;
            c.depth = 0;
            c.vertical = true;
            c.axis = h;
        }
        c.size = font ? font->GetScaleSize() : 0;
        c.japanese = japanese != 0;
        Add(std::move(c));
    }
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override {
        std::vector<std::u32string> texts = GlyphTexts(*GetDvi(), font, glyphs, text);
        for (size_t i = 0; i < glyphs.size(); ++i) {
            NativeGlyph const& g = glyphs[i];
            UnicodeChar c{g.h, g.v, g.width, g.height, g.depth, g.position, std::move(texts[i])};
            c.size = font.GetScaleSize();
            Add(std::move(c));
        }
    }
    void DoSpecial(unsigned int length, InstPtr text) override {
        KsDviDrawerBase::DoSpecial(length, text);
        if (!IsWinFont()) transforms_->Special({reinterpret_cast<char const*>(text.Get()), length}, GetH(), GetV());
    }

private:
    void Add(UnicodeChar c) {
        if (transforms_->Invisible()) return;
        if (!transforms_->IsIdentity()) {
            auto [left, top, width, height] = DrawnBox(c);
            transforms_->Box(left, top, width, height);
            if (OffThePaper(left, top, width, height)) return;
            c.transformed = true;
            c.drawnLeft = left, c.drawnTop = top, c.drawnWidth = width, c.drawnHeight = height;
        }
        chars->push_back(std::move(c));
    }

    // Whether a box (DVI units about the DVI origin, an inch in from the
    // paper's corner) lies wholly off the paper and an inch around it: not
    // shown, so no text (beamer's covered overlays, which its xetex and
    // dvipdfmx drivers move 2000 points away).
    bool OffThePaper(int left, int top, int width, int height) const {
        double const inch = kSpPerInch;
        return double(left) + width < -2 * inch || double(top) + height < -2 * inch || left > paper_.width ||
               top > paper_.height;
    }

    // Without a paper the document names: 17 inches square (tabloid's long side).
    static constexpr Paper kLargestPaper{int32_t(17 * kSpPerInch), int32_t(17 * kSpPerInch)};

    UnicodeText& owner_;
    std::optional<TextTransforms> transforms_;
    Paper paper_;
};

UnicodeText::UnicodeText(KsDvi& dvi) : UnicodeText(dvi, GlyphList::Default()) {}

UnicodeText::UnicodeText(KsDvi& dvi, GlyphList const& names)
    : dvi_(dvi), glyphList_(names), drawer_(std::make_unique<Drawer>(*this)) {}

UnicodeText::~UnicodeText() = default;

std::u32string const& UnicodeText::TextOf(KsDvi::ItrnFont const* font, unsigned dviCode, unsigned short code) {
    if (code >= 0xF000 && code <= 0xF0FF) code = static_cast<unsigned short>(code - 0xF000);
    // Windows-font pages and double-byte characters report Unicode already.
    if (!font || dviCode > 0xFF) {
        reported_ = code ? std::u32string(1, code) : U"";
        return reported_;
    }
    auto [it, added] = fonts_.try_emplace(font);
    FontTexts& texts = it->second;
    if (added) texts.names = NamesOf(*font);
    if (!texts.known[dviCode]) {
        texts.texts[dviCode] = CodeText(texts, *font, dviCode, code);
        texts.known[dviCode] = true;
    }
    return texts.texts[dviCode];
}

std::u32string UnicodeText::CodeText(FontTexts const& font, KsDvi::ItrnFont const& record, unsigned dviCode,
                                     unsigned short code) const {
    if (font.names) {
        std::string const& name = (*font.names)[dviCode];
        // The stroke that TeX's OT1 fonts lay over L and l for the Polish letters.
        if (name == "suppress") return U"\u0338";
        std::u32string text = glyphList_.ToUnicode(name);
        if (!text.empty()) return Composed(text);
        if (!name.empty()) return U"";  // a glyph that stands for no character
    }
    if (record.GetEncoding() == KsDviTTFMap::ENC_8R_UNICODE) return code ? std::u32string(1, code) : U"";
    // Without names, printable ASCII is what most fonts keep at those codes.
    return dviCode > 32 && dviCode < 127 ? std::u32string(1, char32_t(dviCode)) : U"";
}

namespace {

// A font's name without its size: "ecrm" of "ecrm0700".
std::string_view Family(String8 const& name) {
    std::string_view family = name.view();
    while (!family.empty() && family.back() >= '0' && family.back() <= '9') family.remove_suffix(1);
    return family;
}

}  // namespace

// A font painted from METAFONT bitmaps names no glyphs; another size of its
// family that the installation paints from an outline program has the same
// encoding.
std::shared_ptr<GlyphNames const> UnicodeText::NamesOf(KsDvi::ItrnFont const& font) {
    if (auto names = FindGlyphNames(dvi_, font)) return names;
    std::string_view family = Family(font.GetName());
    KsDviTTFMap const* map = dvi_.GetDviTTFMap();
    if (!map || family.empty() || family.size() == font.GetName().view().size()) return nullptr;
    for (KsDviTTFMap::Entry const* entry : map->GetEntries()) {
        if (Family(entry->name) != family) continue;
        if (auto names = FindGlyphNames(dvi_, entry->encfile, entry->fontfile)) return names;
    }
    return nullptr;
}

int UnicodeText::ReadPage(int page, std::vector<UnicodeChar>& chars) {
    chars.clear();
    drawer_->chars = &chars;
    struct Finish {
        UnicodeText* self;
        std::vector<UnicodeChar>& chars;
        ~Finish() {
            self->drawer_->Close();
            ComposeAccents(chars);
        }
    } finish{this, chars};
    if (!drawer_->Open(dvi_, page)) return 0;
    return drawer_->Draw(-1);
}

bool UnicodeText::LastPageCut() const { return drawer_->IsPageCut(); }

std::string ReadPageText(UnicodeText& text, int page, std::vector<UnicodeChar>& chars) {
    std::string const where = "page " + std::to_string(page + 1) + ": ";
    try {
        if (!text.ReadPage(page, chars)) return PageUnreadable(page);
        return text.LastPageCut() ? where + PageCut() : "";
    } catch (KsDviDrawerBase::MalformedDviError const&) {
        return "malformed instruction on page " + std::to_string(page + 1) + "; its text is read up to it";
    } catch (KsDviDrawerBase::StackOverflowError const&) {
        return where + "no memory for its position stack";
    }
}

std::string Utf8Of(std::u32string const& text) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<UChar32 const*>(text.data()), static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

namespace {

// Walks the characters between two positions with the separators a
// selection's string puts before them.
// The spacing rules know 8-bit codes: letters and punctuation of alphabetic
// scripts (mathematical letters among them) count as ASCII ones; East Asian
// scripts and private codes keep their codes.
unsigned SpacingCode(char32_t c) {
    return c >= 0x80 && !IsEastAsian(c) && !IsPrivateUse(c) ? 'a' : static_cast<unsigned>(c);
}

// A vertical column reads as a line: down the column is along it, and the
// columns to its left come after it.
SpacedChar Spaced(UnicodeChar const& c) {
    unsigned const code = SpacingCode(c.text.front());
    if (!c.vertical) return {c.left, c.baseline, c.width, c.height, code, c.size, c.japanese};
    int top = static_cast<int>(int64_t(c.baseline) - c.height);
    int line = static_cast<int>(std::clamp<int64_t>(-int64_t(c.axis), INT_MIN + 1, INT_MAX));
    return {top, line, c.height, c.width, code, c.size, c.japanese};
}

// Reading a page asks more of the gaps than a selection's string does: what
// follows a superscript or subscript is spaced as if on the formula's own
// baseline, a gap wider than twice the two characters' heights (an
// equation number at the margin, \hfill, a table's column) is a tab,
// Korean words (Hangul, and Hanja, Hangul letters and CJK brackets outside
// Japanese fonts) are spaced as
// xetexko and ko.TeX space them (about a fifth of an em, where a line
// stretches Hangul by hundredths), and a gap of most of an em (\quad after
// a section's number) is a space in any script.
char const* ReadingSeparator(SpacedChar const& p, SpacedChar const& c, int winFont) {
    char const* separator = SelectionSeparator(p, c, winFont);
    if (separator[0] == '\r' || p.width == 0) return separator;
    int64_t gap = int64_t(c.left) - p.left - p.width;
    if (gap > 2 * (int64_t(p.height) + c.height)) return "\t";
    bool const spacedAsKorean =
        IsHangulSyllable(c.code) ||
        ((IsIdeograph(c.code) || IsHangulLetter(c.code) || IsCjkMark(c.code)) && !c.japanese && !p.japanese);
    if (!separator[0] && spacedAsKorean && c.baseline == p.baseline && gap * 8 > p.width) return " ";
    int64_t const em = std::max(p.size, c.size);
    if (!separator[0] && c.baseline == p.baseline && em > 0 && gap * 5 >= em * 4) return " ";
    if (separator[0] || c.baseline == p.baseline) return separator;
    SpacedChar level = p;
    level.baseline = c.baseline;
    return SelectionSeparator(level, c, winFont);
}

template <class Visit>
void WalkSeparated(std::vector<UnicodeChar> const& chars, int winFont, int start, int end, Visit visit) {
    SpacedChar prev;
    for (UnicodeChar const& c : chars) {
        if (c.position < start || c.position > end || c.text.empty()) continue;
        SpacedChar cur = Spaced(c);
        visit(ReadingSeparator(prev, cur, winFont), c);
        // After a ligature the gap is measured from its last letter, as wide as
        // one letter of it.
        int letters = static_cast<int>(c.text.size());
        int whole = cur.width;
        cur.width = whole / letters;
        cur.left = static_cast<int>(int64_t(cur.left) + whole - cur.width);
        cur.code = SpacingCode(c.text.back());
        prev = cur;
    }
}

}  // namespace

std::string UnicodeText::GetString(std::vector<UnicodeChar> const& chars, int winFont, int start, int end,
                                   char const* lineBreak) {
    std::u32string text;
    WalkSeparated(chars, winFont, start, end, [&](char const* separator, UnicodeChar const& c) {
        if (separator[0] == '\r')
            for (char const* p = lineBreak; *p; ++p) text.push_back(static_cast<unsigned char>(*p));
        else if (separator[0])
            text.push_back(static_cast<char32_t>(separator[0]));
        text += c.text;
    });
    return Utf8Of(text);
}

std::vector<TextLine> UnicodeText::GetLines(std::vector<UnicodeChar> const& chars, int winFont) {
    std::vector<TextLine> lines;
    std::u32string word;
    auto finishWord = [&] {
        if (!word.empty()) lines.back().back().text = Utf8Of(word);
        word.clear();
    };
    WalkSeparated(chars, winFont, INT_MIN, INT_MAX, [&](char const* separator, UnicodeChar const& c) {
        auto const [left, top, width, height] = DrawnBox(c);
        int const right = static_cast<int>(int64_t(left) + width), bottom = static_cast<int>(int64_t(top) + height);
        bool newLine = lines.empty() || separator[0] == '\r';
        if (newLine || separator[0]) finishWord();
        if (newLine) lines.emplace_back();
        if (lines.back().empty() || separator[0]) lines.back().push_back({"", left, top, right, bottom});
        TextWord& w = lines.back().back();
        w.left = std::min(w.left, left);
        w.top = std::min(w.top, top);
        w.right = std::max(w.right, right);
        w.bottom = std::max(w.bottom, bottom);
        word += c.text;
    });
    finishWord();
    return lines;
}

std::vector<bool> UnicodeText::GapsBefore(std::vector<UnicodeChar> const& chars, int winFont) {
    std::vector<bool> gaps(chars.size(), false);
    WalkSeparated(chars, winFont, INT_MIN, INT_MAX, [&](char const* separator, UnicodeChar const& c) {
        gaps[static_cast<size_t>(&c - chars.data())] = separator[0] != 0;
    });
    return gaps;
}

}  // namespace ksdvi
