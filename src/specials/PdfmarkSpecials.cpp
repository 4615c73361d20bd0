#include "specials/PdfmarkSpecials.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "specials/PdfObjects.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

using Kind = PdfmarkSpecial::Kind;

PdfmarkSpecial Mark(Kind kind, double points = 0) {
    PdfmarkSpecial mark;
    mark.kind = kind;
    mark.points = points;
    return mark;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, std::string_view word) { return s.substr(0, word.size()) == word; }
bool EndsWith(std::string_view s, std::string_view word) {
    return s.size() >= word.size() && s.substr(s.size() - word.size()) == word;
}

// The PostScript inside hyperref's "SDict begin ... end"; `wrapped` tells
// whether it had that frame.
std::string_view Unwrapped(std::string_view code, bool& wrapped) {
    code = Trimmed(code);
    wrapped = false;
    if (StartsWith(code, "SDict") && EndsWith(code, " end")) {
        std::string_view inner = Trimmed(code.substr(5));
        if (StartsWith(inner, "begin") && inner.size() >= 9) {
            wrapped = true;
            return Trimmed(inner.substr(5, inner.size() - 5 - 3));
        }
    }
    return code;
}

// The last whitespace-separated word of `s` and what comes before it.
std::string_view LastWord(std::string_view s, std::string_view& before) {
    size_t at = s.size();
    while (at > 0 && !IsSpace(s[at - 1])) --at;
    before = Trimmed(s.substr(0, at));
    return s.substr(at);
}

// TeX's dimensions stay below 16384 pt.
std::optional<double> Number(std::string_view word) {
    std::optional<double> const value = FiniteNumber(word);
    if (!value || std::fabs(*value) >= 16384) return std::nullopt;
    return value;
}

// What hyperref writes besides pdfmarks, read from the unwrapped code.
PdfmarkSpecial ClassifyDriverCode(std::string_view body) {
    std::string_view before;
    std::string_view word = LastWord(body, before);
    if (word == "H.S" && before.empty()) return Mark(Kind::AreaStart);
    if (word == "H.R" && before.empty()) return Mark(Kind::BoxEnd);
    if (word == "H.L" || word == "H.A") {
        if (auto points = Number(before)) return Mark(word == "H.L" ? Kind::LinkEnd : Kind::AnchorEnd, *points);
        return {};
    }
    // \setpdflinkmargin: /HyperBorder{N PDFToDvips}def
    constexpr std::string_view kBorder = "/HyperBorder{";
    constexpr std::string_view kBorderEnd = "PDFToDvips}def";
    if (StartsWith(body, kBorder) && EndsWith(body, kBorderEnd)) {
        std::string_view value = Trimmed(body.substr(kBorder.size(), body.size() - kBorder.size() - kBorderEnd.size()));
        if (auto points = Number(value)) return Mark(Kind::Border, *points);
        return {};
    }
    // Draws a dot for one old Distiller; nothing anywhere else.
    if (StartsWith(body, "/product where{pop product(Distiller)search")) return Mark(Kind::Inert);
    return {};
}

bool IsPdfmark(std::string_view body) { return StartsWith(body, "[") && EndsWith(body, "pdfmark"); }

// More entries under one bookmark than a document could hold.
constexpr double kMostEntries = 1000000;

// The operands of a pdfmark, between its [ and its /TYPE, as a dictionary:
// each name with the object after it; what PostScript puts between them
// (cvn, H.B, BorderArrayPatch) is passed over.
bool ReadOperands(std::vector<PdfToken> const& tokens, size_t from, size_t to, PdfObject& operands) {
    PdfObjectReader reader(tokens, from, to);
    operands.type = PdfObject::Type::Dictionary;
    PdfObject key, value;
    while (!reader.AtEnd()) {
        if (!reader.Read(key)) return false;
        if (key.type != PdfObject::Type::Name || reader.AtEnd()) continue;
        if (!reader.Read(value)) return false;
        operands.items.push_back(std::move(key));
        operands.items.push_back(std::move(value));
    }
    return true;
}

PdfmarkSpecial ReadPdfmark(std::string_view body) {
    bool whole = true;
    std::vector<PdfToken> tokens = PdfTokens(body, &whole);
    // [ ... /TYPE pdfmark
    size_t n = tokens.size();
    PdfObject operands;
    if (!whole || n < 3 || tokens[n - 2].type != PdfToken::Type::Name || !ReadOperands(tokens, 1, n - 2, operands))
        return Mark(Kind::Inert);
    std::string const& type = tokens[n - 2].text;
    auto text = [&operands](std::string_view key) {
        PdfObject const* value = operands.Find(key);
        return value ? std::string(value->Text()) : std::string();
    };

    PdfmarkSpecial mark = Mark(Kind::Inert);
    if (type == "ANN") {
        if (text("Subtype") != "Link") return mark;
        mark.target = PdfLinkTarget(operands);
        mark.border = PdfLinkBorder(operands);
        if (!mark.target.empty()) mark.kind = Kind::Link;
    } else if (type == "DEST") {
        mark.target = text("Dest");
        if (!mark.target.empty()) mark.kind = Kind::Anchor;
    } else if (type == "OUT") {
        mark.kind = Kind::Outline;
        mark.target = text("Dest");
        mark.title = PdfTextToUtf8(text("Title"));
        if (PdfObject const* count = operands.Find("Count"); count && count->type == PdfObject::Type::Number)
            mark.count = static_cast<int>(std::clamp(count->number, -kMostEntries, kMostEntries));
    } else if (type == "DOCINFO") {
        mark.kind = Kind::Information;
        ReadDocumentInfo(operands, mark.info);
    }
    return mark;
}

}  // namespace

bool IsPdfmarkSpecial(std::string_view code) {
    bool wrapped = false;
    std::string_view body = Unwrapped(code, wrapped);
    if (IsPdfmark(body)) return true;
    return wrapped && ClassifyDriverCode(body).kind != Kind::None;
}

PdfmarkSpecial ParsePdfmarkSpecial(std::string_view code) {
    bool wrapped = false;
    std::string_view body = Unwrapped(code, wrapped);
    if (IsPdfmark(body)) return ReadPdfmark(body);
    return wrapped ? ClassifyDriverCode(body) : PdfmarkSpecial{};
}

}  // namespace ksdvi
