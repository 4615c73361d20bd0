#pragma once
// The subcommands of the ksdvi tool; each returns the process exit status.

#include <string>

#include "DocumentSession.h"

struct InfoOptions {
    std::string file;
    bool json = false;
    SessionOptions session;
};
int RunInfo(InfoOptions const& options);

struct TraceOptions {
    std::string file;
    std::string pages;
    SessionOptions session;
};
int RunTrace(TraceOptions const& options);

struct FontmapOptions {
    std::string file;  // empty: every font the installation maps
    SessionOptions session;
};
int RunFontmap(FontmapOptions const& options);
