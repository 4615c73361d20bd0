#pragma once
// How the font-file target reads its input: the first byte says what the
// rest is, a metric file (TFM or OFM) or a virtual font (VF). A virtual font
// comes with metrics of its own, one of a few real TFM files: the tests'
// kstest and ksvirt (made by pltotf and vptovf), and the installation's
// ptmr7t and cmr10. tests/fuzz/seeds.sh writes seeds in this form.

#include <cstdint>
#include <string>
#include <vector>

namespace ksdvi::fuzz {

class FontFileKind {
public:
    // The metrics of virtual fonts, read once.
    static void LoadMetrics();
    static FontFileKind Of(uint8_t selector) { return FontFileKind(selector % kKinds); }

    // ".tfm", ".ofm" or ".vf".
    std::string Extension() const;
    // A virtual font's metric file; null for a metric file itself.
    std::vector<uint8_t> const* Metrics() const;

private:
    // 0 TFM, 1 OFM, 2 and up a VF over the metrics of kMetrics[kind - 2].
    static constexpr int kKinds = 6;
    explicit FontFileKind(int kind) : kind_(kind) {}
    int kind_;
};

}  // namespace ksdvi::fuzz
