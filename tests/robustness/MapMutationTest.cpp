// Mutants of a TrueType map: the installation's generated entries for the
// fonts of plain.dvi, then entries of our own that use every key with odd
// values. Text in memory and the same text in a file must read alike, the
// entries before the first changed byte must survive, a read that stops names
// a line of the text, and plain.dvi must trace and render with the map.

#include <set>

#include "Robustness.h"
#include "dvi/ItrnFontItr.h"
#include "font/ItrnFont.h"

namespace ksdvi::robustness {
namespace {

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

TEST(MapMutants, ReadAlikeAndRender) {
    std::vector<uint8_t> const document = ReadFileBytes(std::string(KSDVI_TEST_DATA) + "/plain.dvi");
    // The installation's entries for plain.dvi's fonts, where each ends, then ours.
    std::string base;
    std::vector<std::pair<std::string, size_t>> entries;
    std::set<std::string> names;
    DocumentRun plain(document);
    for (KsDvi::ItrnFontItr it(plain.dvi); !it.IsFinished(); ++it) names.emplace(it()->GetName().c_str());
    for (std::string const& name : names) {
        if (KsDviTTFMap::Entry const* entry = SharedFonts().GetMap().GetEntry(String8(name.c_str())))
            entries.emplace_back(name, (base += KsDviTTFMap::EntryText(*entry) + "\n").size());
    }
    ASSERT_GE(entries.size(), 5u);  // the installation maps Computer Modern
    base += kEveryKey;

    for (Mutant const& mutant : MutantsOf({base.begin(), base.end()}, "map", 14)) {
        SCOPED_TRACE(mutant.what);
        std::string text(mutant.bytes.begin(), mutant.bytes.end());
        KsDviTTFMap fromText, fromFile;
        int read = fromText.AppendTTFMapText(text), line = fromText.GetLastErrorLine();
        EXPECT_EQ(fromFile.AppendTTFMapFile(TempFile(mutant.bytes, ".map").Path().c_str()), read);
        EXPECT_EQ(fromFile.GetLastErrorLine(), line);
        // A read that stops names a line of the text.
        EXPECT_EQ(read != 0, line == 0);
        EXPECT_GE(line, 0);
        EXPECT_LE(line, std::count(text.begin(), text.end(), '\n') + 1);
        for (auto const& [name, end] : entries) {
            if (end > mutant.firstChange) break;
            EXPECT_NE(fromText.GetEntry(String8(name.c_str())), nullptr) << name;
            EXPECT_NE(fromFile.GetEntry(String8(name.c_str())), nullptr) << name;
        }
        DocumentRun run(document, {}, &fromText);
        EXPECT_EQ(run.dvi.GetMode(), KsDvi::Complete);
        for (PageRun const& page : run.pages) EXPECT_EQ(page.malformed ? "malformed" : page.error, "");
    }
}

}  // namespace
}  // namespace ksdvi::robustness
