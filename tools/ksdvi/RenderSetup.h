#pragma once
// What `render` and `print` take from their options before drawing: the
// paper, and whether a page at the asked resolution fits the memory budget;
// problems are reported against the file.

#include <string>

#include "render/PageRenderer.h"

class DocumentSession;

// The paper: the document's papersize special, else `option` (--paper).
// False, with the error reported against `file`, when the option is no size.
bool ChoosePaper(DocumentSession const& session, std::string const& option, std::string const& file,
                 RenderSettings& settings);

// False, with the error reported against `file`, for a page above the budget.
bool WithinSurfaceBudget(std::string const& file, RenderSettings const& settings);
