#pragma once
// Copies chosen pages of a document into a new DVI file, as dviselect does:
// the original preamble, each page's commands as TeX wrote them, and the
// definition of each font written before the page that first uses it, so
// that the new file stands on its own whatever pages it leaves out.

#include <string>
#include <vector>

#include "dvi/KsDvi.h"

// Writes the pages (0-based, in the order given) of `dvi` to `output`. Empty
// when all went well, else what went wrong; nothing is left at `output` then.
std::string CopyPages(KsDvi& dvi, std::vector<int> const& pages, std::string const& output);
