#pragma once
// A document scanned from DVI bytes in a scratch file, for the cases TeX's
// own output cannot show.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "platform/kpathsea/KPathSea.h"
#include "support/DviBuilder.h"
#include "support/TempFile.h"

// One finder serves every test: kpathsea reads its databases once.
inline KPathSea* Kpathsea() {
    static KPathSea finder;
    return &finder;
}

inline std::string MetricsDir() { return std::string(KSDVI_TEST_DATA) + "/metrics"; }

// Directories to look for fonts in, in order.
inline DList<String8> Dirs(std::initializer_list<std::string> paths) {
    DList<String8> dirs;
    for (std::string const& path : paths) dirs.Append(String8((path + "/").c_str()));
    return dirs;
}

// The bytes of a document whose one page holds `body`.
inline std::vector<uint8_t> OnePage(DviBuilder const& body) {
    DviBuilder b;
    b.Pre().Bop(1);
    b.bytes.insert(b.bytes.end(), body.bytes.begin(), body.bytes.end());
    return b.Eop().Post().bytes;
}

// Metric and virtual fonts are looked for in `dirs`, then with `finder`; the
// faces of the map, if given, are read while fonts are defined.
class ScratchDocument {
public:
    explicit ScratchDocument(std::vector<uint8_t> const& bytes, DList<String8> const& dirs = {},
                             KPathSea* finder = Kpathsea(), KsDviTTFMap* map = nullptr)
        : file(bytes) {
        dvi.SetKPathSea(finder);
        dvi.SetDviTTFMap(map);
        dvi.Open(String8(file.Path().c_str()), dirs, dirs);
        dvi.NewPageWritten(0);
    }
    TempFile file;
    KsDvi dvi;
};
