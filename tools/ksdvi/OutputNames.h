#pragma once
// Names of the files written per page: a pattern where %d is the 1-based page
// number and %% a percent sign.

#include <string>

// NAME-%d.EXT in the current directory, like dvipng; a % in the name stays one.
std::string DefaultPattern(std::string const& file, std::string const& extension);
// Whether the pattern has a place for the page number.
bool NamesPageNumber(std::string const& pattern);
std::string OutputPath(std::string const& pattern, int pageNumber);
