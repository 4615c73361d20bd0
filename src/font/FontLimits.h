#pragma once
// How many fonts a document may hold, and how its fonts are chained by name.

namespace ksdvi {

// Font records (a name at a size) of one document, virtual fonts' own
// included: past them, definitions load nothing.
constexpr int kMostFontRecords = 10000;
// The buckets of the chains of fonts by name.
constexpr int kFontHashSize = 73;

}  // namespace ksdvi
