// Fuzz target: a DVI file as the library reads it, nothing painted. The
// input is the file. The document is scanned (page table, font definitions,
// the document's specials: anchors, bookmarks, colours, pictures,
// PostScript headers); its first pages are interpreted by a drawer that
// checks the interpreter's state at each callback, whole and then a few
// instructions at a time as a viewer draws in slices; the first page's text
// is selected, read in Unicode and searched as `ksdvi select`, `text` and
// `search` read it. Painting is fuzz_dvi's; rewritten and copied files are
// fuzz_dvi_follow's.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "DviChecks.h"
#include "FuzzEnvironment.h"
#include "interp/KsDviDrawerBase.h"
#include "platform/kpathsea/KPathSea.h"

using namespace ksdvi::fuzz;

namespace {

constexpr int kPagesRun = 4;

// The fonts documents find: the test fonts (TFM, OFM, a virtual font, the
// Korean fonts) and the installation's Computer Modern fonts that plain TeX
// and LaTeX documents use most, copied once into the scratch directory.
// kpathsea is not asked: fonts are read anew for every document, and one
// naming thirty fonts of the installation would cost thirty reads of metric
// and virtual font files per input.
constexpr char const* kInstalledFonts[] = {"cmr10.tfm", "cmmi10.tfm", "cmsy10.tfm", "cmex10.tfm", "cmbx10.tfm"};

std::string const& FontDir() {
    static std::string const dir = ScratchFile("fonts") + "/";
    return dir;
}

void CopyFonts() {
    namespace fs = std::filesystem;
    fs::create_directories(FontDir());
    for (fs::directory_entry const& entry : fs::directory_iterator(DataFile("metrics"))) {
        std::string const extension = entry.path().extension().string();
        if (extension == ".tfm" || extension == ".ofm" || extension == ".vf")
            fs::copy_file(entry.path(), FontDir() + entry.path().filename().string());
    }
    for (std::string name : kInstalledFonts) {
        bool const vf = name.ends_with(".vf");
        std::string const path = Fonts().GetKPathSea().Find(name, vf ? KPathSea::Format::Vf : KPathSea::Format::Tfm);
        if (path.empty()) Failed(("the TeX installation has no " + name).c_str(), __FILE__, __LINE__);
        fs::copy_file(path, FontDir() + name);
    }
}

// One document for every input, opened anew as a viewer opens one file after
// another: a new document's table of 65,536 font numbers costs more than
// the scan of a small file. It is closed after each input.
KsDvi& Document() {
    static KsDvi dvi;
    return dvi;
}

// A hash of what an interpretation reported, in order (FNV-1a).
class Events {
public:
    void Add(uint64_t v) {
        for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Byte(uint8_t b) { hash_ = (hash_ ^ b) * 0x100000001B3ull; }
    uint64_t Hash() const { return hash_; }

private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

// The interpreter without painting. Each callback comes with a consistent
// state; a special's bytes are read whole, so that AddressSanitizer sees any
// that lie outside the page or packet.
class CheckingDrawer : public KsDviDrawerBase {
public:
    Events events;
    int chars = 0;

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override {
        CheckState();
        ++chars;
        for (int x : {0, h, v, int(code), width, height, depth}) events.Add(static_cast<uint64_t>(x));
    }
    void PutRule(int h, int v, int height, int width) override {
        CheckState();
        FUZZ_CHECK(height > 0 && width > 0);
        for (int x : {1, h, v, height, width}) events.Add(static_cast<uint64_t>(x));
    }
    void DoSpecial(unsigned int length, InstPtr text) override {
        CheckState();
        events.Add(2);
        events.Add(length);
        for (unsigned i = 0; i < length; ++i) events.Byte(text.Get()[i]);
        KsDviDrawerBase::DoSpecial(length, text);
    }

private:
    void CheckState() const {
        FUZZ_CHECK(GetStackDepth() >= 0 && GetStackDepth() <= StackSize);
        FUZZ_CHECK(GetInstOffset() >= 0 && GetInstOffset() < GetPageLength());
        FUZZ_CHECK(GetCurFont() == -1 || GetItrnFont(GetCurFont()) != nullptr);
    }
};

// The page run whole; the first one again a few instructions at a time: the
// same callbacks in the same order, and the same end.
void RunPage(KsDvi& dvi, int page, bool sliced) {
    auto run = [&](CheckingDrawer& drawer, bool slices) {
        FUZZ_CHECK(drawer.Open(dvi, page));
        try {
            if (!slices) return drawer.Draw(-1) == 1;
            for (int slice = 1; drawer.Draw(slice) == 0; slice = slice % 7 + 1) {}
            return true;
        } catch (KsDviDrawerBase::MalformedDviError const&) {
            return false;
        }
    };
    CheckingDrawer whole;
    bool const ended = run(whole, false);
    if (!sliced) return;
    CheckingDrawer slices;
    FUZZ_CHECK(run(slices, true) == ended);
    FUZZ_CHECK(whole.chars == slices.chars);
    FUZZ_CHECK(whole.events.Hash() == slices.events.Hash());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    CopyFonts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    static std::string const path = ScratchFile("input.dvi");
    WriteFile(path, data, size);
    KsDvi& dvi = Document();
    struct Closer {
        ~Closer() { Document().Close(); }
    } closer;
    DList<String8> fonts;
    fonts.Append(String8(FontDir().c_str()));
    dvi.SetKPathSea(nullptr);
    dvi.SetDviTTFMap(&Fonts().GetMap());
    dvi.Open(String8(path.c_str()), fonts, fonts);
    dvi.NewPageWritten(0);
    CheckPageTable(dvi, size);

    for (int page = 0; page < std::min(dvi.GetNPage(), kPagesRun); ++page) RunPage(dvi, page, page == 0);
    if (dvi.GetNPage() > 0) CheckSelection(dvi, 0);
    return 0;
}
