#include "font/PdftexMap.h"

#include <cmath>
#include <vector>

#include "stream/NumberText.h"

namespace ksdvi {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Words of a map line; a double-quoted part (PostScript code) is one word.
// Views into the line: the installation's map has thousands of lines, read
// by every process that starts.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        size_t start = i;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            i = close == std::string_view::npos ? line.size() : close + 1;
        } else {
            while (i < line.size() && !IsBlank(line[i])) ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

// "<number> SlantFont" and "<number> ExtendFont" in the PostScript code.
void ReadTransforms(std::string_view code, PdftexMapLine& out) {
    std::vector<std::string_view> const words = Words(code);
    for (size_t i = 1; i < words.size(); ++i) {
        std::optional<double> const number = FiniteNumber(words[i - 1]);
        if (!number) continue;
        double const value = *number;
        if (words[i] == "SlantFont" && std::fabs(value) <= 2)
            out.slant = value;
        else if (words[i] == "ExtendFont" && value > 0.01 && value <= 100)
            out.extend = value;
    }
}

}  // namespace

std::optional<PdftexMapLine> ParsePdftexMapLine(std::string const& line) {
    if (line.empty() || line[0] == '%' || line[0] == '#' || line[0] == '*' || line[0] == ';') return std::nullopt;
    std::vector<std::string_view> const words = Words(line);
    if (words.empty()) return std::nullopt;
    if (words[0][0] == '<' || words[0][0] == '"') return std::nullopt;
    PdftexMapLine out;
    out.tfm = words[0];
    for (size_t i = 1; i < words.size(); ++i) {
        std::string_view w = words[i];
        if (w[0] == '"') {
            ReadTransforms(w.substr(1, w.size() > 1 && w.back() == '"' ? w.size() - 2 : w.size() - 1), out);
            continue;
        }
        if (w[0] != '<') {
            // The first plain word is the font's PostScript name; a number is pdfTeX's flags.
            if (out.psName.empty() && !FiniteNumber(w)) out.psName = w;
            continue;
        }
        bool encoding = false;
        while (!w.empty() && (w[0] == '<' || w[0] == '[')) {
            encoding |= w[0] == '[';
            w.remove_prefix(1);
        }
        if (w.empty()) {
            // "< file": the file name is the next word
            if (i + 1 >= words.size()) continue;
            w = words[++i];
        }
        if (encoding || w.ends_with(".enc"))
            out.encodingFile = w;
        else
            out.fontFile = w;
    }
    if (out.psName.empty()) out.psName = out.tfm;
    return out;
}

}  // namespace ksdvi
