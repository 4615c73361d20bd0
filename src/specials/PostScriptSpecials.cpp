#include "specials/PostScriptSpecials.h"

#include <algorithm>
#include <string>

#include "specials/PdfmarkSpecials.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

bool Starts(std::string_view text, std::string_view word) { return text.substr(0, word.size()) == word; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

PostScriptSpecial ParsePostScriptSpecial(unsigned char const* bytes, size_t length) {
    using Kind = PostScriptSpecial::Kind;
    std::string_view text(reinterpret_cast<char const*>(bytes), length);
    if (Starts(text, "ps::[begin]")) return {Kind::Positioned, text.substr(11)};
    if (Starts(text, "ps::[end]")) return {Kind::Raw, text.substr(9)};
    if (Starts(text, "ps::[nobreak]")) return {Kind::Raw, text.substr(13)};
    if (Starts(text, "ps::")) return {Kind::Raw, text.substr(4)};
    if (Starts(text, "ps:")) {
        std::string_view code = text.substr(3);
        if (Starts(Trimmed(code), "plotfile ")) return {};
        if (IsPdfmarkSpecial(code)) return {Kind::Pdfmark, code};
        return {Kind::Positioned, code};
    }
    if (Starts(text, "\"")) return {Kind::Quoted, text.substr(1)};
    if (Starts(text, "PST:")) return {Kind::PositionedInBigPoints, text.substr(4)};
    if (Starts(text, "pst:")) return {Kind::QuotedForXdvipdfmx, text.substr(4)};
    if (Starts(text, "!")) return {Kind::Literal, text.substr(1)};
    if (Starts(text, "header=")) {
        std::string_view file = Trimmed(text.substr(7));
        if (!file.empty()) return {Kind::Header, file};
    }
    return {};
}

bool DefinesInGlobalVm(std::string_view code) {
    std::string_view previous;
    size_t i = 0;
    while (i < code.size()) {
        while (i < code.size() && IsWhite(code[i])) ++i;
        size_t start = i;
        while (i < code.size() && !IsWhite(code[i])) ++i;
        std::string_view token = code.substr(start, i - start);
        if (token == "setglobal" && previous == "true") return true;
        previous = token;
    }
    return false;
}

bool CallsForTransparency(std::string_view code) {
    if (code.find(".begintransparency") != std::string_view::npos || code.find("/SP pdfmark") != std::string_view::npos)
        return true;
    auto isOpacity = [](std::string_view token) {
        return token.find("opacityalpha") != std::string_view::npos ||
               token.find("constantalpha") != std::string_view::npos;
    };
    auto isBreak = [](char c) { return IsWhite(c) || c == '{' || c == '}'; };
    // The token that ends before `end`, braces being tokens of their own.
    auto before = [&](size_t& end) {
        while (end > 0 && IsWhite(code[end - 1])) --end;
        size_t start = end;
        if (start > 0 && (code[start - 1] == '{' || code[start - 1] == '}'))
            --start;
        else
            while (start > 0 && !isBreak(code[start - 1])) --start;
        std::string_view const token = code.substr(start, end - start);
        end = start;
        return token;
    };
    for (std::string_view const name : {std::string_view("opacityalpha"), std::string_view("constantalpha")})
        for (size_t found = code.find(name); found != std::string_view::npos; found = code.find(name, found + 1)) {
            size_t start = found;
            while (start > 0 && !isBreak(code[start - 1])) --start;
            if (code[start] == '/') continue;  // a name, looked up or defined: no call
            // The operand, past the braces and operators of pstricks' choice between
            // Ghostscript's operators: "1. revision 952 gt { A }{ B } ifelse".
            // A few tokens back at most: a run of calls is no longer pstricks'.
            std::string_view token;
            int steps = 0;
            do token = before(start);
            while ((token == "{" || token == "}" || isOpacity(token)) && ++steps < 8);
            if (token == "gt" && before(start) == "952" && before(start) == "revision") token = before(start);
            if (FiniteNumber(token) != 1.0) return true;
        }
    return false;
}

std::optional<std::pair<double, double>> PageSizeRequest(std::string_view code) {
    size_t const key = code.find("/PageSize");
    if (key == std::string_view::npos || code.find("setpagedevice", key) == std::string_view::npos) return std::nullopt;
    // At most a line's worth after the key: "[842 595]".
    std::string_view rest = code.substr(key + 9, 64);
    while (rest.starts_with(' ') || rest.starts_with('\t') || rest.starts_with('\n') || rest.starts_with('\r'))
        rest.remove_prefix(1);
    if (!rest.starts_with('[')) return std::nullopt;
    rest.remove_prefix(1);
    std::optional<double> const w = TakeNumber(rest), h = TakeNumber(rest);
    if (!w || !h) return std::nullopt;
    double const width = *w, height = *h;
    // Within the papers PaperSpecial takes: up to 2^31 sp.
    if (!(width > 0 && width < 32000 && height > 0 && height < 32000)) return std::nullopt;
    return std::pair{width, height};
}

bool MakesPdfForm(std::string_view code) { return code.find("/BP pdfmark") != std::string_view::npos; }

bool EndsPdfForm(std::string_view code) { return code.find("/EP pdfmark") != std::string_view::npos; }

std::optional<std::string_view> ParsePlotfile(unsigned char const* bytes, size_t length) {
    std::string_view text(reinterpret_cast<char const*>(bytes), length);
    if (!Starts(text, "ps:") || Starts(text, "ps::")) return std::nullopt;
    std::string_view code = Trimmed(text.substr(3));
    if (!Starts(code, "plotfile ")) return std::nullopt;
    std::string_view file = Trimmed(code.substr(9));
    file = file.substr(0, std::min(file.size(), file.find_first_of(" \t\n\r\f\v")));
    if (file.empty()) return std::nullopt;
    return file;
}

}  // namespace ksdvi
