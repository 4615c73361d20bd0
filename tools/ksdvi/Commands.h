#pragma once
// The subcommands of the ksdvi tool; each returns the process exit status.

#include <string>

#include "DocumentSession.h"

struct InfoOptions {
    std::string file;
    bool json = false;
    int dpi = 96;  // the resolution at which fonts are described
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

struct RenderOptions {
    std::string file;
    std::string pages;
    int dpi = 96;
    double zoom = 1.0;
    std::string output;  // pattern, %d the 1-based page number
    std::string paper = "a4";
    int jobs = 0;  // 0: one worker per core
    bool links = false;
    bool linkColour = false;  // text of html: links in blue, not the document's colours
    bool follow = false;      // render pages as TeX writes them, until the postamble
    std::string highlight;    // paint where this text occurs
    // Images for the web (RenderImages.h): any of these set asks for them.
    std::string imageSize;               // -T: tight, bbox or a size
    std::string background, foreground;  // --bg, --fg
    bool depth = false, height = false, width = false;
    SessionOptions session;
};
int RunRender(RenderOptions const& options);

struct LinksOptions {
    std::string file;
    std::string pages;
    int dpi = 96;
    bool json = false;
    SessionOptions session;
};
int RunLinks(LinksOptions const& options);

struct LocateOptions {
    std::string file;
    std::string anchor;
    int dpi = 96;
    SessionOptions session;
};
int RunLocate(LocateOptions const& options);

struct OutlineOptions {
    std::string file;
    int dpi = 96;
    bool json = false;
    SessionOptions session;
};
int RunOutline(OutlineOptions const& options);

struct SelectOptions {
    std::string file;
    std::string pages;
    std::string output;
    SessionOptions session;
};
int RunSelect(SelectOptions const& options);

struct SearchOptions {
    std::string file;
    std::string pattern;  // UTF-8
    std::string pages;
    int dpi = 96;
    bool matchCase = false;
    bool json = false;
    SessionOptions session;
};
int RunSearch(SearchOptions const& options);

struct TextOptions {
    std::string file;
    std::string pages;
    int dpi = 96;  // for the boxes of --json
    bool json = false;
    SessionOptions session;
};
int RunText(TextOptions const& options);

struct PrintOptions {
    std::string file;
    std::string pages;
    int dpi = 600;
    std::string paper = "a4";
    std::string output;  // .pdf or .ps; "-" for PostScript on standard output
    SessionOptions session;
};
int RunPrint(PrintOptions const& options);

// ksdvi pdf and ksdvi svg.
struct VectorCommandOptions {
    std::string file;
    std::string pages;
    bool svg = false;
    std::string output;  // pdf: OUT.pdf; svg: a pattern, %d the 1-based page number; "-": standard output
    std::string paper = "a4";
    int dpi = 600;  // what only a raster holds (PostScript, EPS pictures) is drawn at
    SessionOptions session;
};
int RunVector(VectorCommandOptions const& options);

struct SyncOptions {
    std::string file;
    std::string forward;  // LINE[:COLUMN]:SOURCE
    std::string inverse;  // PAGE:X,Y
    int dpi = 96;
    bool json = false;
    SessionOptions session;
};
int RunSync(SyncOptions const& options);
