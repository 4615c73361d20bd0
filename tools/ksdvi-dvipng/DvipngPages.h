#pragma once
// The pages dvipng renders: from the first page numbered as -p says to the
// first page after it numbered as -l says, and of those, with -pp, the ones
// whose TeX page number (\count0) lies in one of its ranges.

#include <cstdint>
#include <vector>

#include "DvipngOptions.h"

// 0-based indexes of the pages, in document order; `texNumbers` holds each
// page's \count0.
std::vector<int> DvipngPages(DvipngOptions const& options, std::vector<int32_t> const& texNumbers);
