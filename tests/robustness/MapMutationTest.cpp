// Mutants of a TrueType map: the installation's generated entries for the
// fonts of plain.dvi, then entries of our own that use every key with odd
// values. Text in memory and the same text in a file must read alike, the
// entries before the first changed byte must survive, a read that stops names
// a line of the text, and plain.dvi must trace and render with the map.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DocumentRun.h"
#include "Mutator.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"

namespace ksdvi::robustness {
namespace {

constexpr int kMutantsPerKind = 14;

std::string const kDocument = std::string(KSDVI_TEST_DATA) + "/plain.dvi";

// Every key the map syntax has, sizes at the edges of double and int, every
// encoding, and a key nobody knows; they replace generated entries of plain.dvi.
constexpr char kEveryKey[] = R"(cmsl10 { fontname = 'DejaVu Serif', subsname = 'Liberation Serif', height = '0.75',
  averagewidth = '0.5', vadjustment = '-0.1', italic = 'true', slant = 'true', bold = 'true', weight = '600',
  encoding = 'ot1', dbcfontname = 'DejaVu Sans', dbcheight = '0.9', dbcaveragewidth = '0.45',
  dbcvadjustment = '0.05', dbcitalic = 'true', dbcslant = 'false', dbcbold = 'true', dbcweight = '300' }
"cmti10" { fontname = "CMTI10", encoding = 'mswinsymbol-unicode', height = '1e308', averagewidth = '-1e308',
  vadjustment = 'nan', weight = '99999999999', italic = 'maybe' }
cmtt10 { fontname = 'CMTT10', encoding = 'xhanja-unicode', dbcfontname = 'CMTT10', dbcweight = '-99999999999',
  dbcheight = 'inf', dbcvadjustment = '-inf' }
cmbx10 { fontname = 'CMBX10', encoding = 'hlatex', colour = 'red' }
cmmi7 { encoding = 'xsymb-unicode', height = '-0.5' }
cmr7 { encoding = 'xhan-unicode', fontname = '' }
)";

struct MapText {
    std::string text;
    std::vector<std::pair<std::string, size_t>> entries;  // name, offset of the byte after the entry
};

// The installation's entries for plain.dvi's fonts, then ours; the names and
// where each entry ends.
MapText const& BaseMap() {
    static MapText const base = [] {
        MapText m;
        DocumentRun run(kDocument);
        std::vector<std::string> names;
        for (KsDvi::ItrnFontItr it(run.Document()); !it.IsFinished(); ++it) names.emplace_back(it()->GetName().c_str());
        std::sort(names.begin(), names.end());
        for (std::string const& name : names) {
            std::string entry = SharedFonts().Installed().EntryText(name);
            if (entry.empty()) continue;
            m.text += entry;
            m.entries.emplace_back(name, m.text.size());
        }
        m.text += kEveryKey;
        return m;
    }();
    return base;
}

// The text and a file of it read alike; what comes before the change stays.
void CheckMutant(MapText const& base, Mutant const& mutant) {
    std::string text(mutant.bytes.begin(), mutant.bytes.end());
    KsDviTTFMap fromText;
    int textRead = fromText.AppendTTFMapText(text);
    TempFile file(mutant.bytes, ".map");
    KsDviTTFMap fromFile;
    EXPECT_EQ(fromFile.AppendTTFMapFile(file.Path().c_str()), textRead);
    EXPECT_EQ(fromFile.GetLastErrorLine(), fromText.GetLastErrorLine());
    if (textRead) {
        EXPECT_EQ(fromText.GetLastErrorLine(), 0);
    } else {
        EXPECT_GE(fromText.GetLastErrorLine(), 1);
        EXPECT_LE(fromText.GetLastErrorLine(), std::count(text.begin(), text.end(), '\n') + 1);
    }
    for (auto const& [name, end] : base.entries) {
        if (end > mutant.firstChange) break;
        EXPECT_NE(fromText.GetEntry(String8(name.c_str())), nullptr) << name;
        EXPECT_NE(fromFile.GetEntry(String8(name.c_str())), nullptr) << name;
    }

    DocumentRun run(kDocument, FontSetup{{}, {}, &fromText});
    EXPECT_EQ(run.Document().GetMode(), KsDvi::Complete);
    for (PageTrace const& page : run.Trace()) EXPECT_FALSE(page.malformed);
    for (std::string const& error : run.Render()) EXPECT_EQ(error, "");
}

TEST(MapMutants, ReadAlikeAndRender) {
    MapText const& base = BaseMap();
    ASSERT_GE(base.entries.size(), 5u);  // the installation maps Computer Modern
    ForEachMutant({base.text.begin(), base.text.end()}, "map", {}, kMutantsPerKind,
                  [&](MutationKind, Mutant const& mutant) {
                      SCOPED_TRACE(mutant.what);
                      CheckMutant(base, mutant);
                  });
}

}  // namespace
}  // namespace ksdvi::robustness
