#pragma once
// The names of the files written per page: patterns with %d, %0Nd (the page
// number padded with zeros to N digits) and %% (a percent sign).

#include <string>

// Whether `pattern` puts the page number in the name.
bool NamesPageNumber(std::string const& pattern);

// The name of page `pageNumber` (1-based).
std::string PagePath(std::string const& pattern, int pageNumber);

// NAME-%0Nd.EXT in the current directory, N the digits of the document's
// last page (so that the names sort); a % in NAME stays one.
std::string DefaultPattern(std::string const& document, int lastPage, std::string const& extension = ".png");

// The number of pages the postamble of the DVI file at `path` counts, or 0
// when it has none (a file TeX is writing) or cannot be read: how many
// pages there are without scanning them.
int PostamblePageCount(std::string const& path);
