// Fuzz target: the text of font maps and encoding vectors. The input is read
// three ways: as a TrueType map of this library (KsDviTTFMap), as a pdfTeX or
// dvips map (pdftex.map) bridged into one, and as an .enc file. Entries
// written back in map-file syntax, as `ksdvi fontmap` prints them, must read
// back as the same entries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzEnvironment.h"
#include "font/EncodingVector.h"
#include "font/KsDviTTFMap.h"
#include "font/MapFileTokenizer.h"
#include "font/PdftexMap.h"

using namespace ksdvi::fuzz;

namespace {

// Map-file values are quoted with ' or with "; one holding both cannot be
// written, nor one longer than a token of map files (pdftex.map has no limit).
bool Writable(String8 const& value) {
    std::string_view v = value.view();
    return (v.find('\'') == std::string_view::npos || v.find('"') == std::string_view::npos) &&
           v.size() <= ksdvi::MapFileTokenizer::MaxTokenLength;
}

bool Writable(KsDviTTFMap::Entry const& e) {
    return Writable(e.name) && Writable(e.fontname) && Writable(e.encfile) && Writable(e.fontfile) &&
           (!e.DBC || Writable(e.dbcfontname));
}

// Entries written back per map: a map of hundreds of lines would spend the
// run writing and reading them.
constexpr size_t kEntriesWritten = 32;

// Every entry is found by its name, and the first ones read back from their
// text as themselves: their texts, read as one map, give the same entries
// in order.
void CheckEntries(KsDviTTFMap const& map) {
    std::vector<std::string> texts;
    std::string all;
    for (KsDviTTFMap::Entry const* entry : map.GetEntries()) {
        KsDviTTFMap::Entry const* found = map.GetEntry(entry->name);
        FUZZ_CHECK(found != nullptr && found->name == entry->name);
        if (!Writable(*entry) || texts.size() == kEntriesWritten) continue;
        texts.push_back(KsDviTTFMap::EntryText(*entry));
        all += texts.back() + "\n";
    }
    if (texts.empty()) return;
    KsDviTTFMap again;
    FUZZ_CHECK(again.AppendTTFMapText(all) == 1);
    std::vector<KsDviTTFMap::Entry const*> const entries = again.GetEntries();
    FUZZ_CHECK(entries.size() == texts.size());
    for (size_t i = 0; i < texts.size(); ++i) FUZZ_CHECK_EQUAL(KsDviTTFMap::EntryText(*entries[i]), texts[i]);
}

void CheckPdftexLines(std::string_view text) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (auto line = ksdvi::ParsePdftexMapLine(std::string(text.substr(start, end - start)))) {
            FUZZ_CHECK(!line->tfm.empty() && line->tfm[0] != '<' && line->tfm[0] != '"');
            FUZZ_CHECK(!line->psName.empty());
            FUZZ_CHECK(line->slant >= -2 && line->slant <= 2);
            FUZZ_CHECK(line->extend > 0.01 && line->extend <= 100);
        }
        start = end + 1;
    }
}

void CheckEncoding(std::string_view text) {
    auto vector = ksdvi::EncodingVector::Parse(text);
    if (!vector) return;
    FUZZ_CHECK(!vector->GetName().empty());
    for (unsigned code = 0; code < ksdvi::EncodingVector::Size + 1; ++code) {
        std::string const& glyph = vector->GetGlyphName(code);
        FUZZ_CHECK(glyph != ".notdef" && glyph.find_first_of(" \t\r\n\f/[]{}()<>%") == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string_view const text(reinterpret_cast<char const*>(data), size);

    KsDviTTFMap map;
    map.AppendTTFMapText(text);
    CheckEntries(map);

    CheckPdftexLines(text);
    static std::string const path = ScratchFile("input.map");
    WriteFile(path, data, size);
    KsDviTTFMap bridged;
    FUZZ_CHECK(bridged.AppendPdftexMapFile(path.c_str()) == 1);
    CheckEntries(bridged);

    CheckEncoding(text);
    return 0;
}
