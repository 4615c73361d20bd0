#pragma once
// dvipng's command line, as the programs that call dvipng write it (Sphinx's
// imgmath, matplotlib, Anki, org-mode): options of one or two dashes, values
// joined to their option or following it, flags turned off by a trailing 0.

#include <optional>
#include <string>
#include <vector>

#include "page/ImageColours.h"
#include "page/ImageFrame.h"

// A page bound as -p and -l give it: a TeX page number (\count0), or with
// `=` a physical one (1-based).
struct PageBound {
    int number = 0;
    bool physical = false;
};

// A range of TeX page numbers of -pp, ends included.
struct TeXPageRange {
    int first = 0, last = 0;
};

struct DvipngOptions {
    std::string file;
    int dpi = 100;          // dvipng's default resolution
    int magnification = 0;  // -x: mag x 1000 in place of the document's; 0 keeps it
    ksdvi::ImageSize size{ksdvi::ImageSize::Kind::Bbox};
    int32_t offsetX = 0, offsetY = 0;  // -O, sp: where -T W,H puts the DVI origin
    ksdvi::ImageColours colours;
    std::string output;  // -o; empty: FILE%d.png
    std::optional<PageBound> first, last;
    std::vector<TeXPageRange> pageRanges;  // -pp, all of them
    int compression = 1;                   // dvipng's default: fast
    bool quiet = false;
    bool depth = false, height = false, width = false;
    bool picky = false, strict = false;
    bool version = false, help = false;
    // dvipng's options ksdvi-dvipng takes but does not act on.
    std::vector<std::string> ignored;
};

// nullopt with `error` set for what dvipng does not have or a bad value.
std::optional<DvipngOptions> ParseDvipngOptions(std::vector<std::string> const& args, std::string& error);

// A -pp list: "1-3,7", ":" or "-" between the ends, an open end for none
// ("-5": up to 5; "-1--1" or "-1:-1": page -1).
std::optional<std::vector<TeXPageRange>> ParseTeXPageRanges(std::string const& text);
