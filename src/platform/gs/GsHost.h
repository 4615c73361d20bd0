#pragma once
// The Ghostscript host's work, for the program ksdvi-gs-host (GsHostMain.cpp).

namespace ksdvi::gs {

// Serves the library's jobs on the connected socket `fd` (GsWire.h) until
// the library hangs up; what the process then exits with.
int RunHost(int fd);

}  // namespace ksdvi::gs
