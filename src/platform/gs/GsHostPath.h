#pragma once
// Where the library finds Ghostscript's helper program, ksdvi-gs-host. The
// library may live in any process (a Python extension, a viewer's plugin), so
// the helper is a program of its own, looked for in this order:
//   1. the path in the environment variable KSDVI_GS_HOST; when it is set,
//      no other place is tried;
//   2. beside the library's own code, for an installation that was moved:
//      DIR/../libexec/ksdvi/ksdvi-gs-host, DIR holding the shared object or
//      program the library is part of;
//   3. where `cmake --install` put it (CMAKE_INSTALL_FULL_LIBEXECDIR/ksdvi);
//   4. the build tree, so that tests and the tool run without installing.

#include <string>

namespace ksdvi::gs {

inline constexpr char kHostPathVariable[] = "KSDVI_GS_HOST";

// True with the helper's path in `path`; else false with a warning saying
// where it was looked for in `why`.
bool FindHost(std::string* path, std::string* why);

}  // namespace ksdvi::gs
