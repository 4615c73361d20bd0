#pragma once
// The fill opacity (an ExtGState's /ca) that pdf: content sets for what is
// drawn after it, TeX's glyphs included: pgf's text opacity and opacity
// (`pdf:code /pgf@ca0.3 gs`), the transparent package's. The named states
// come from the dictionaries of pdf:put and pdf:obj (`/Name << /ca 0.3 >>`,
// at any depth: `@resources << /ExtGState << ... >> >>`). q and Q in content,
// bcontent/econtent and the saved transformations (btrans/etrans,
// x:gsave/x:grestore) save and restore it. Saved states and names are
// bounded, as a PDF reader's are.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ksdvi {

class PdfFillOpacity {
public:
    static constexpr std::size_t kMostSaved = 1000;
    static constexpr std::size_t kMostNames = 10000;

    // Reads the named states a pdf:put or pdf:obj special (its text after
    // "pdf:") defines; others define none.
    void Define(std::string_view special);
    // A content special (`keyword` as PdfDrawingOf has it, `operators` what
    // follows it): its q, Q and gs.
    void Content(std::string_view keyword, std::string_view operators);
    void Save();
    void Restore();
    // A page begins: opaque, nothing saved; the names stay.
    void BeginPage();
    // Between 0 (invisible) and 1 (opaque).
    double Current() const { return current_; }

private:
    std::unordered_map<std::string, double> names_;
    std::vector<double> saved_;
    double current_ = 1;
};

}  // namespace ksdvi
