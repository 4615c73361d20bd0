#pragma once
// Deterministic mutants of a real input file: every test draws its mutants
// from its own fixed seed, so a failure names a mutant that every later run
// makes again.

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace ksdvi::robustness {

enum class MutationKind { FlipBytes, Truncate, DuplicateRange, DeleteRange, ExtremeField };

inline char const* KindName(MutationKind kind) {
    switch (kind) {
    case MutationKind::FlipBytes: return "FlipBytes";
    case MutationKind::Truncate: return "Truncate";
    case MutationKind::DuplicateRange: return "DuplicateRange";
    case MutationKind::DeleteRange: return "DeleteRange";
    case MutationKind::ExtremeField: return "ExtremeField";
    }
    return "?";
}

inline constexpr MutationKind kAllKinds[] = {MutationKind::FlipBytes, MutationKind::Truncate,
                                             MutationKind::DuplicateRange, MutationKind::DeleteRange,
                                             MutationKind::ExtremeField};

struct Mutant {
    std::vector<uint8_t> bytes;
    std::string what;  // how it was made, for failure messages
    // The first offset whose byte may differ from the original's.
    size_t firstChange = 0;
};

// A seed of its own for every test, from a name (FNV-1a), the same on every run.
inline uint32_t SeedOf(std::string_view name) {
    uint32_t h = 2166136261u;
    for (char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    return h;
}

class Mutator {
public:
    // `fields` are offsets of four-byte fields of the format; ExtremeField
    // writes into them half of the time, and at any offset otherwise.
    Mutator(std::vector<uint8_t> original, uint32_t seed, std::vector<size_t> fields = {})
        : original_(std::move(original)), fields_(std::move(fields)), rng_(seed) {}

    std::vector<uint8_t> const& Original() const { return original_; }

    Mutant Next(MutationKind kind) {
        Mutant m{original_, {}, 0};
        size_t size = original_.size();
        if (size < 4) return m;  // too short to mutate every way
        switch (kind) {
        case MutationKind::FlipBytes: {
            int flips = static_cast<int>(Below(8)) + 1;
            m.firstChange = size;
            m.what = "flip";
            for (int i = 0; i < flips; ++i) {
                size_t at = Below(size);
                auto mask = static_cast<uint8_t>(Below(255) + 1);
                m.bytes[at] ^= mask;
                m.firstChange = std::min(m.firstChange, at);
                m.what += " " + std::to_string(at) + "^" + std::to_string(mask);
            }
            break;
        }
        case MutationKind::Truncate: {
            size_t cut = Below(size);
            m.bytes.resize(cut);
            m.firstChange = cut;
            m.what = "truncate at " + std::to_string(cut);
            break;
        }
        case MutationKind::DuplicateRange: {
            size_t from = Below(size), length = 1 + Below(std::min<size_t>(64, size - from));
            size_t to = Below(size + 1);
            std::vector<uint8_t> range(original_.begin() + static_cast<long>(from),
                                       original_.begin() + static_cast<long>(from + length));
            m.bytes.insert(m.bytes.begin() + static_cast<long>(to), range.begin(), range.end());
            m.firstChange = to;
            m.what = "duplicate " + std::to_string(from) + "+" + std::to_string(length) + " at " + std::to_string(to);
            break;
        }
        case MutationKind::DeleteRange: {
            size_t from = Below(size), length = 1 + Below(std::min<size_t>(64, size - from));
            m.bytes.erase(m.bytes.begin() + static_cast<long>(from),
                          m.bytes.begin() + static_cast<long>(from + length));
            m.firstChange = from;
            m.what = "delete " + std::to_string(from) + "+" + std::to_string(length);
            break;
        }
        case MutationKind::ExtremeField: {
            static constexpr uint32_t kExtremes[] = {0, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
            size_t at = !fields_.empty() && Below(2) == 0 ? fields_[Below(fields_.size())] : Below(size - 3);
            if (at + 4 > size) at = size - 4;
            uint32_t value = kExtremes[Below(4)];
            for (int i = 0; i < 4; ++i)
                m.bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
            m.firstChange = at;
            m.what = "field " + std::to_string(at) + " = " + std::to_string(value);
            break;
        }
        }
        return m;
    }

private:
    // Uniform in [0, n); n > 0.
    size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

    std::vector<uint8_t> original_;
    std::vector<size_t> fields_;
    std::mt19937 rng_;
};

// Calls check(kind, mutant) for `perKind` mutants of every kind, each kind
// drawn from a seed of its own made from `name`.
template <class Check>
void ForEachMutant(std::vector<uint8_t> const& original, std::string const& name, std::vector<size_t> const& fields,
                   int perKind, Check&& check) {
    for (MutationKind kind : kAllKinds) {
        Mutator mutator(original, SeedOf(name + KindName(kind)), fields);
        for (int n = 0; n < perKind; ++n) check(kind, mutator.Next(kind));
    }
}

}  // namespace ksdvi::robustness
