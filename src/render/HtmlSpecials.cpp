// Hyperlinks and named anchors:
//   html:<a href="DEST" target="FRAME">  opens a link whose area grows from
//                                        what is drawn until html:</a>
//   html:<a name="NAME">                 an anchor at the current point
//   hypertext: X Y W H ref=DEST [target=FRAME]   a link area, DVI units,
//                                                absolute on the page
//   hypertext: X Y W H name=NAME                 an anchor at (X, Y)

#include <optional>

#include "dvi/SpecialParsing.h"
#include "render/KsDviDrawer.h"

namespace {

// The target of a link that names none.
constexpr char kSelf[] = "_self";

String8 Bytes(unsigned char const* from, unsigned char const* to) {
    return String8(reinterpret_cast<char const*>(from), static_cast<int>(to - from));
}

// An attribute's value after its name: blanks, '=', blanks, then a double-quoted
// text. With `unterminatedToEnd` a missing closing quote takes the rest of the
// special. `p` ends past the value; nullopt when a part is missing.
std::optional<String8> QuotedValue(unsigned char*& p, bool unterminatedToEnd = false) {
    p = SkipBlanks(p);
    if (*p != '=') return std::nullopt;
    p = SkipBlanks(p + 1);
    if (*p != '"') return std::nullopt;
    unsigned char* value = ++p;
    while (*p != 0 && *p != '"') ++p;
    if (*p != '"' && !unterminatedToEnd) return std::nullopt;
    String8 text = Bytes(value, p);
    if (*p == '"') ++p;
    return text;
}

// A hypertext value: '=' and the bytes up to the next blank, without one pair
// of enclosing double quotes. `p` ends past the value; nullopt without '='.
std::optional<String8> TokenValue(unsigned char*& p) {
    p = SkipBlanks(p);
    if (*p != '=') return std::nullopt;
    std::string_view token = Token(++p);
    p += token.size();
    return String8(WithoutEnclosingQuotes(token));
}

}  // namespace

void KsDviDrawer::HtmlSpecial(unsigned char* p, unsigned char*) {
    p = SkipBlanks(p);
    if (*p++ != '<') return;
    if (StartsWith(p, "/a")) {
        if (!anchorOpen_) return;
        anchorOpen_ = 0;
        pDC_->SetTextColor(savedColor_);
        brush_ = std::make_unique<CBrush>(savedColor_);
        return;
    }
    if (*p != 'a' && *p != 'A') return;
    p = SkipBlanks(p + 1);
    if (StartsWith(p, "href")) {
        p += 4;
        std::optional<String8> href = QuotedValue(p);
        if (!href) return;
        p = SkipBlanks(p);
        std::optional<String8> target = String8(kSelf);
        if (StartsWith(p, "target")) {
            p += 6;
            if (!(target = QuotedValue(p, true))) return;
        }
        auto link = std::make_unique<HyLinkInfo>();
        link->kind = 0;
        link->href = *href;
        link->target = *target;
        AppendLink(std::move(link));
        anchorOpen_ = 1;
        // Text inside a link is drawn in the link colour, rules and fills too.
        savedColor_ = pDC_->GetTextColor();
        pDC_->SetTextColor(linkColor_);
        brush_ = std::make_unique<CBrush>(linkColor_);
        return;
    }
    if (searchTag_.GetLength() > 0 && StartsWith(p, "name")) {
        p += 4;
        std::optional<String8> name = QuotedValue(p);
        if (name && *name == searchTag_) FoundTag(hDot(GetH()), vDot(GetV()));
    }
}

void KsDviDrawer::HypertextSpecial(unsigned char* p, unsigned char*) {
    int x = 0, y = 0, w = 0, h = 0;
    for (int* value : {&x, &y, &w, &h})
        if (!(p = ReadInteger(p, value))) return;
    p = SkipBlanks(p);
    if (searchTag_.GetLength() > 0 && StartsWith(p, "name")) {
        p += 4;
        std::optional<String8> name = TokenValue(p);
        if (name && *name == searchTag_) FoundTag(hDot(x), vDot(y));
        return;
    }
    if (!StartsWith(p, "ref")) return;
    p += 3;
    std::optional<String8> href = TokenValue(p);
    if (!href || href->GetLength() == 0) return;
    p = SkipBlanks(p);
    String8 target(kSelf);
    if (StartsWith(p, "target")) {
        p += 6;
        std::optional<String8> frame = TokenValue(p);
        if (!frame || frame->GetLength() == 0) return;
        target = *frame;
    }
    auto link = std::make_unique<HyLinkInfo>();
    link->kind = 1;
    link->href = *href;
    link->target = target;
    link->AddBox(hDot(x), vDot(y), dhDot(w), dvDot(h));
    AppendLink(std::move(link));
}

void KsDviDrawer::FoundTag(int x, int y) {
    tagFound_ = 1;
    tagH_ = x;
    tagV_ = y;
}
