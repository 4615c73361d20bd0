#pragma once
// The object syntax that hyperref's pdfmarks (PostScript) and xdvipdfmx's
// pdf: specials share: (strings) with their escapes, <hex strings>, /Names
// (#xx escapes read), numbers, [arrays], << dictionaries >>, {procedures},
// "N G R" references and words (xdvipdfmx's @thispage, PostScript's cvn).
// Reading is bounded: at most kMostPdfTokens tokens and kDeepestPdfObject
// levels of nesting; past either the text does not read.
//
// Where a link or a bookmark leads and how PDF text strings read are
// decided here for both.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "specials/LinkBorder.h"

namespace ksdvi {

inline constexpr size_t kMostPdfTokens = size_t(1) << 16;
inline constexpr int kDeepestPdfObject = 32;

struct PdfToken {
    // Broken: a string without its end
    enum class Type { Name, String, Word, Open, Close, Broken };
    Type type = Type::Word;
    std::string text;  // a name without its slash, a string's bytes, a word, "[", "<<", "{", ...
};

// The tokens of `text`; `whole` is false when there were more than kMostPdfTokens.
std::vector<PdfToken> PdfTokens(std::string_view text, bool* whole = nullptr);

// A number as PDF content writes it: no exponent, at most six decimals.
std::string PdfNumber(double v);

struct PdfObject {
    enum class Type { Null, Boolean, Number, String, Name, Word, Reference, Array, Dictionary };
    Type type = Type::Null;
    double number = 0;  // Number; Boolean: 1 for true; Reference: the object number
    std::string text;   // String: its bytes; Name: without the slash; Word: as written
    // Array and procedure: the items; Dictionary: key (a Name), value, key, value, ...
    std::vector<PdfObject> items;

    // A dictionary's value for `key`; null when it has none or is no dictionary.
    PdfObject const* Find(std::string_view key) const;
    // A string's bytes or a name; empty for any other object.
    std::string_view Text() const;
    bool IsInteger() const;
};

// Reads objects one after another from tokens [from, to).
class PdfObjectReader {
public:
    PdfObjectReader(std::vector<PdfToken> const& tokens, size_t from, size_t to)
        : tokens_(tokens), at_(from), to_(std::min(to, tokens.size())) {}
    explicit PdfObjectReader(std::vector<PdfToken> const& tokens) : PdfObjectReader(tokens, 0, tokens.size()) {}

    bool AtEnd() const { return at_ >= to_; }
    // The next token, unread; null at the end.
    PdfToken const* Peek() const { return AtEnd() ? nullptr : &tokens_[at_]; }
    void Skip() { ++at_; }
    // The next object; false, with the reader past what it tried, when the
    // tokens are no object (a close without its open, an unended string,
    // too deep a nesting).
    bool Read(PdfObject& object);

private:
    bool Read(PdfObject& object, int depth);
    bool ReadItems(PdfObject& container, std::string_view close, int depth);

    std::vector<PdfToken> const& tokens_;
    size_t at_;
    size_t to_;
};

// Where an annotation's or a bookmark's dictionary leads: "#name" for a
// named destination of the document (/Dest, a GoTo action's /D), a URL
// (/URI), or another file ("file#name", "file"); empty for anything else
// (a page destination, a named action). Actions are /A or /Action.
std::string PdfLinkTarget(PdfObject const& dictionary);

// The frame an annotation's dictionary asks for (LinkBorder.h).
LinkBorder PdfLinkBorder(PdfObject const& dictionary);

// A PDF text string's bytes as UTF-8: UTF-16 after the byte order mark
// FE FF, else in `cmap` (pdf:tounicode's EUC-UCS2, 90ms-RKSJ-UCS2,
// UTF8-UCS2 or UTF8-UTF16) when given and known, else PDFDocEncoding.
std::string PdfTextToUtf8(std::string_view bytes, std::string_view cmap = {});

}  // namespace ksdvi
