// Writes a surface as PNG through libpng: 8-bit grey when no pixel has
// colour, 8-bit RGB otherwise.
#pragma once

#include <string>

#include "platform/gdi/Surface.h"

namespace ksdvi::gdi {

bool WriteSurfacePng(const Surface& surface, const std::string& path, int compressionLevel);

}  // namespace ksdvi::gdi
