// The object syntax of pdfmarks and pdf: specials as the reader takes it:
// strings with their escapes, hex strings, names with #xx, nesting, the
// references of both, what is no object, and the bounds on nesting and
// length; then the text of titles and where dictionaries lead.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "specials/PdfObjects.h"

using namespace ksdvi;

namespace {

// An object as text: strings in parentheses with bytes outside ASCII's
// printable ones as \xHH, names with their slash, references as N R.
std::string Shown(PdfObject const& o) {
    using T = PdfObject::Type;
    switch (o.type) {
    case T::Null: return "null";
    case T::Boolean: return o.number ? "true" : "false";
    case T::Number: {
        char text[32];
        std::snprintf(text, sizeof text, "%g", o.number);
        return text;
    }
    case T::String: {
        std::string out = "(";
        for (unsigned char c : o.text) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : std::string(hex);
        }
        return out + ")";
    }
    case T::Name: return "/" + o.text;
    case T::Word: return o.text;
    case T::Reference: return std::to_string(static_cast<int>(o.number)) + " R";
    case T::Array:
    case T::Dictionary: {
        std::string out = o.type == T::Array ? "[" : "<<";
        for (size_t i = 0; i < o.items.size(); ++i) out += (i ? " " : "") + Shown(o.items[i]);
        return out + (o.type == T::Array ? "]" : ">>");
    }
    }
    return "?";
}

// The objects of `text` one after another; "!" where one does not read.
std::string Objects(std::string const& text) {
    std::vector<PdfToken> tokens = PdfTokens(text);
    PdfObjectReader reader(tokens);
    std::string out;
    while (!reader.AtEnd()) {
        PdfObject object;
        out += (out.empty() ? "" : " ") + (reader.Read(object) ? Shown(object) : std::string("!"));
    }
    return out;
}

TEST(PdfObjects, ReadAsWritten) {
    struct Case {
        std::string text, objects;
    } const cases[] = {
        // strings: nested parentheses, escapes, octal, continued lines; hex with blanks and an odd digit
        {"(a(b)c) (\\(\\)\\\\) (\\101\\12\\0011)", "(a(b)c) (()\\) (A\\x0A\\x011)"},
        {"(line\\\ncont\\q) (\\n\\r\\t\\b\\f)", "(linecontq) (\\x0A\\x0D\\x09\\x08\\x0C)"},
        {"<48 65 6c6C 6F> <4> <>", "(Hello) (@) ()"},
        {"<FEFF00E9>", "(\\xFE\\xFF\\x00\\xE9)"},
        // names, numbers, words and references
        {"/Name#20x/A#2f /Odd#4", "/Name x /A/ /Odd#4"},
        {"1 -2.5 +.5 -.002 3. true false null @thispage H.B", "1 -2.5 0.5 -0.002 3 true false null @thispage H.B"},
        {"12 0 R 1.5 0 R 7 R", "12 R 1.5 0 R 7 R"},
        // nesting
        {"<< /A << /S /URI /URI (u) >> /K [1 [2] {3}] >>", "<</A <</S /URI /URI (u)>> /K [1 [2] [3]]>>"},
        {"[] <<>> % a comment\n[/x]", "[] <<>> [/x]"},
        // what is no object: unended strings, unbalanced or stray closes, keys that are no names
        {"(open", "!"},
        {"<41", "!"},
        {"] /after", "! /after"},
        {"[1 2 >> /after", "! /after"},
        {"<< /A >>", "!"},
        {"<< (k) 1 >>", "!"},
        {"<< /A [1 2 >>", "!"},
    };
    for (Case const& c : cases) EXPECT_EQ(Objects(c.text), c.objects) << c.text;
}

TEST(PdfObjects, NestingAndLengthAreBounded) {
    std::string deepest(kDeepestPdfObject, '['), tooDeep(kDeepestPdfObject + 1, '[');
    deepest += std::string(kDeepestPdfObject, ']');
    tooDeep += std::string(kDeepestPdfObject + 1, ']');
    PdfObject object;
    std::vector<PdfToken> tokens = PdfTokens(deepest);
    EXPECT_TRUE(PdfObjectReader(tokens).Read(object));
    tokens = PdfTokens(tooDeep);
    EXPECT_FALSE(PdfObjectReader(tokens).Read(object));

    std::string words;
    for (size_t i = 0; i <= kMostPdfTokens; ++i) words += "1 ";
    bool whole = true;
    EXPECT_EQ(PdfTokens(words, &whole).size(), kMostPdfTokens);
    EXPECT_FALSE(whole);
    PdfTokens(words.substr(0, words.size() - 2), &whole);
    EXPECT_TRUE(whole);
}

TEST(PdfObjects, TextStringsInUtf16AndPdfDocEncoding) {
    using namespace std::string_view_literals;
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\xD8\x3D\xDE\x00"sv), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(PdfTextToUtf8("\x18\x9F\xA0\xE9"), "\xCB\x98\xEF\xBF\xBD\xE2\x82\xAC\xC3\xA9");
    EXPECT_EQ(PdfTextToUtf8(""), "");
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\x00"sv), "\xEF\xBF\xBD");    // cut in a character
    EXPECT_EQ(PdfTextToUtf8("\xFE\xFF\xDC\x00"), "\xEF\xBF\xBD");  // a lone low surrogate
}

TEST(PdfObjects, WhereDictionariesLead) {
    struct Case {
        std::string dictionary, target;
    } const cases[] = {
        {"<< /Dest (sec.1) >>", "#sec.1"},
        {"<< /Dest /plain >>", "#plain"},
        {"<< /Dest [@page2 /Fit] >>", ""},  // a page, no anchor
        {"<< /A << /S /GoTo /D (cite.k) >> >>", "#cite.k"},
        {"<< /A << /S /GoTo /D [3 0 R /Fit] >> >>", ""},
        {"<< /A << /S /URI /URI (https://x.org/\\(1\\)) >> >>", "https://x.org/(1)"},
        {"<< /Action << /Subtype /URI /URI (http://y.org/) >> >>", "http://y.org/"},
        {"<< /A << /S /GoToR /F (other.pdf) /D (s.2) >> >>", "other.pdf#s.2"},
        {"<< /A << /S /GoToR /F << /Type /Filespec /F (spec.pdf) >> /D [0 /Fit] >> >>", "spec.pdf"},
        {"<< /A << /S /Launch /F (run.sh) >> >>", "run.sh"},
        {"<< /Action /Launch /File (prog) >>", "prog"},
        {"<< /A << /S /Named /N /NextPage >> >>", ""},
        {"<< /A (not an action) >>", ""},
        {"<< /Dest (first) /A << /S /URI /URI (u) >> >>", "#first"},
    };
    for (Case const& c : cases) {
        std::vector<PdfToken> tokens = PdfTokens(c.dictionary);
        PdfObject dictionary;
        ASSERT_TRUE(PdfObjectReader(tokens).Read(dictionary)) << c.dictionary;
        EXPECT_EQ(PdfLinkTarget(dictionary), c.target) << c.dictionary;
    }
}

}  // namespace
