#pragma once
// A metric or virtual font file (TFM, OFM, VF): opened for reading only,
// read big-endian.

#include <fstream>

#include "stream/BinFileStream.h"
#include "stream/String8.h"

namespace ksdvi {

class MetricFileStream : public BinInFileStream {
public:
    explicit MetricFileStream(String8 const& path) : std::ifstream(path.c_str(), std::ios::in | std::ios::binary) {}
};

}  // namespace ksdvi
