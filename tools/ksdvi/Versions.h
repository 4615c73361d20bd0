#pragma once
// What `ksdvi --version` prints: ksdvi's own version and those of the
// libraries it runs with, as loaded (not as compiled against).

#include <string>

// "ksdvi 0.1.0\nFreeType 2.12.1\n...", a line each; Ghostscript's line only
// when its library can be loaded.
std::string VersionReport();
