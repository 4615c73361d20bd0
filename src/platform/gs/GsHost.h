#pragma once
// The Ghostscript host's work, for the program ksdvi-gs-host (GsHostMain.cpp).

namespace ksdvi::gs {

// Serves the library's jobs on the connected socket `fd` (GsWire.h) until
// the library hangs up; what the process then exits with. With
// `pdfDirectory`, pages are written as PDF files there (pdfwrite) and sent as
// such, instead of as pixels.
int RunHost(int fd, const char* pdfDirectory);

}  // namespace ksdvi::gs
