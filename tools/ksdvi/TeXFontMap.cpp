#include "TeXFontMap.h"

#include <fstream>
#include <sstream>

#include "platform/kpathsea/KPathSea.h"

namespace {

// Words of a map line; a double-quoted part (PostScript instructions) is one word.
std::vector<std::string> Words(std::string const& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size()) break;
        size_t start = i;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            i = close == std::string::npos ? line.size() : close + 1;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
        }
        words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool EndsWith(std::string const& s, std::string const& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Quoted(std::string const& s) {
    char q = s.find('\'') == std::string::npos ? '\'' : '"';
    return q + s + q;
}

}  // namespace

std::optional<PdftexMapLine> ParsePdftexMapLine(std::string const& line) {
    if (line.empty() || line[0] == '%' || line[0] == '#' || line[0] == '*' || line[0] == ';') return std::nullopt;
    std::vector<std::string> words = Words(line);
    if (words.empty()) return std::nullopt;
    PdftexMapLine out;
    out.tfm = words[0];
    for (size_t i = 1; i < words.size(); ++i) {
        std::string w = words[i];
        if (w[0] == '"') continue;
        bool included = w[0] == '<';
        while (!w.empty() && (w[0] == '<' || w[0] == '[')) w.erase(0, 1);
        if (w.empty()) {
            // "< file": the file name is the next word
            if (included && i + 1 < words.size())
                w = words[++i];
            else
                continue;
        }
        if (EndsWith(w, ".enc"))
            out.encodingFile = w;
        else if (included || EndsWith(w, ".pfb") || EndsWith(w, ".pfa") || EndsWith(w, ".otf") || EndsWith(w, ".ttf"))
            out.fontFile = w;
        else if (out.psName.empty() && i == 1)
            out.psName = w;
    }
    if (out.fontFile.empty()) return std::nullopt;
    if (out.psName.empty()) out.psName = out.tfm;
    return out;
}

void TeXFontMap::Read(std::istream& in) {
    std::string line;
    while (std::getline(in, line)) {
        auto parsed = ParsePdftexMapLine(line);
        // Like pdfTeX, the first line for a font wins.
        if (parsed) lines_.emplace(parsed->tfm, *parsed);
    }
}

bool TeXFontMap::ReadInstalled(KPathSea& finder) {
    std::string path = finder.Find("pdftex.map", KPathSea::Format::FontMap);
    if (path.empty()) return false;
    std::ifstream in(path);
    if (!in) return false;
    Read(in);
    return true;
}

bool TeXFontMap::Mapped(PdftexMapLine const& line) {
    return line.encodingFile.empty() || line.encodingFile == "8r.enc";
}

PdftexMapLine const* TeXFontMap::Find(std::string const& tfm) const {
    auto it = lines_.find(tfm);
    return it == lines_.end() ? nullptr : &it->second;
}

std::string TeXFontMap::EntryText(std::string const& tfm) const {
    PdftexMapLine const* line = Find(tfm);
    if (!line || !Mapped(*line)) return "";
    return Quoted(line->tfm) + " { fontname = " + Quoted(line->psName) + ", encoding = '" +
           (line->encodingFile.empty() ? "raw" : "8r-unicode") + "' }\n";
}

std::string TeXFontMap::AllEntriesText() const {
    std::string text;
    for (auto const& [tfm, line] : lines_) text += EntryText(tfm);
    return text;
}

std::vector<std::pair<std::string, std::string>> TeXFontMap::Unmapped() const {
    std::vector<std::pair<std::string, std::string>> out;
    for (auto const& [tfm, line] : lines_)
        if (!Mapped(line)) out.emplace_back(tfm, line.encodingFile);
    return out;
}
