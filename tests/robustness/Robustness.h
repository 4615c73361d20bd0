#pragma once
// What the robustness tests share: mutants of a real input, the same on every
// run, and the pipeline `ksdvi render` puts a document through: open and
// scan, trace every page with the interpreter, render every page.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "HostDocument.h"
#include "font/TeXFonts.h"
#include "platform/gdi/Font.h"
#include "render/PageRenderer.h"
#include "support/RecordingDrawer.h"
#include "support/ScratchDocument.h"

namespace ksdvi::robustness {

struct Mutant {
    std::vector<uint8_t> bytes;
    std::string what;    // which mutant it is, for failure messages
    size_t firstChange;  // no byte before it differs from the original's
    bool cut;
};

// `perKind` mutants of every kind: bytes flipped, the file cut short, a range
// duplicated or deleted, a four-byte field set to an extreme (half of the
// time at one of `fields`, where a random offset rarely lands). Each kind
// draws from its own seed made from `name`, so a failing mutant comes back on
// every run.
inline std::vector<Mutant> MutantsOf(std::vector<uint8_t> const& original, std::string const& name, int perKind,
                                     std::vector<size_t> const& fields = {}) {
    static constexpr char const* kKinds[] = {"flip", "cut", "duplicate", "delete", "field"};
    static constexpr uint32_t kExtremes[] = {0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    std::vector<Mutant> mutants;
    size_t const size = original.size();
    if (size < 4) return mutants;
    for (int kind = 0; kind < 5; ++kind) {
        uint32_t seed = 2166136261u;  // FNV-1a
        for (char c : name + kKinds[kind]) seed = (seed ^ static_cast<uint8_t>(c)) * 16777619u;
        std::mt19937 rng(seed);
        auto below = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
        for (int n = 0; n < perKind; ++n) {
            std::vector<uint8_t> b = original;
            size_t at = below(size), length = 1 + below(std::min<size_t>(64, size - at)), to = below(size + 1);
            auto from = original.begin() + static_cast<long>(at);
            switch (kind) {
            case 0:
                for (size_t flips = 1 + below(8); flips > 0; --flips) b[below(size)] ^= 1 + below(255);
                break;
            case 1: b.resize(at); break;
            case 2: b.insert(b.begin() + static_cast<long>(to), from, from + static_cast<long>(length)); break;
            case 3: b.erase(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + length)); break;
            case 4:
                at = std::min(!fields.empty() && below(2) == 0 ? fields[below(fields.size())] : at, size - 4);
                for (uint32_t i = 0, value = kExtremes[below(4)]; i < 4; ++i)
                    b[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
            }
            auto change = static_cast<size_t>(
                std::mismatch(b.begin(), b.end(), original.begin(), original.end()).first - b.begin());
            std::string what = name + " " + kKinds[kind] + " #" + std::to_string(n) + ": " + std::to_string(b.size()) +
                               " bytes, first change at " + std::to_string(change);
            mutants.push_back({std::move(b), what, change, kind == 1});
        }
    }
    return mutants;
}

// The installation's map and kpathsea, read once for every test.
inline ksdvi::TeXFonts& SharedFonts() {
    static ksdvi::TeXFonts fonts;
    return fonts;
}

// What one page gave: its TeX page number and bytes in the file as scanned,
// the interpreter's calls, whether it stopped at an instruction it does not
// accept, and what went wrong painting it ("" when nothing did).
struct PageRun {
    int32_t texPage, start, end;
    std::vector<Call> calls;
    bool malformed = false;
    std::string error;
    bool operator==(PageRun const&) const = default;
};

// One document through the pipeline of `ksdvi render`: opened as the host
// opens one (metric and virtual fonts from `dirs` first, then kpathsea; faces
// from `map`, or the installation's map when it is null), every page traced,
// then every page painted at a low resolution.
struct DocumentRun {
    explicit DocumentRun(std::vector<uint8_t> const& bytes, std::initializer_list<std::string> dirs = {},
                         KsDviTTFMap* map = nullptr)
        : file(bytes) {
        dvi.SetKPathSea(&SharedFonts().GetKPathSea());
        dvi.SetDviTTFMap(map ? map : &SharedFonts().GetMap());
        dvi.SetFaceQuery(
            [](KsDvi::CDC* dc, char const* face) { return ksdvi::gdi::FindTrueTypeFace(dc, face, nullptr) != 0; });
        dvi.Open(String8(file.Path().c_str()), Dirs(dirs), Dirs(dirs));
        dvi.NewPageWritten(0);
        for (int i = 0; i < dvi.GetNPage(); ++i) {
            RecordingDrawer drawer;
            PageRun& page = pages.emplace_back(dvi.GetTeXPageNo(i), dvi.GetPageStartOffset(i), dvi.GetPageEndOffset(i));
            EXPECT_TRUE(drawer.Open(dvi, i)) << "page " << i;
            try {
                drawer.Draw(-1);
            } catch (KsDviDrawerBase::MalformedDviError const&) {
                page.malformed = true;
            }
            page.calls = std::move(drawer.calls);
        }
        PageRenderer renderer({.dpi = 36, .paper = *ksdvi::ParsePaperOption("a4"), .markLinks = true});
        for (int i = 0; i < dvi.GetNPage(); ++i) {
            renderer.Render(dvi, i);
            pages[static_cast<size_t>(i)].error = renderer.Error();
        }
    }
    TempFile file;
    HostDocument dvi;
    std::vector<PageRun> pages;
};

}  // namespace ksdvi::robustness
