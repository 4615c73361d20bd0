#pragma once
// What `render` and `print` take from their options before drawing: the
// paper, and whether a page at the asked resolution fits the memory budget;
// problems are reported against the file.

#include <optional>
#include <string>

#include "render/PageRenderer.h"

class DocumentSession;

// The paper a page is drawn on and where it comes from ("the document's
// papersize special", else the option's text); nullopt when the option names
// no paper.
struct PaperChoice {
    ksdvi::Paper paper;
    std::string from;
};
std::optional<PaperChoice> PaperFor(DocumentSession const& session, std::string const& option);

// "210.00 x 297.00 mm".
std::string DescribePaper(ksdvi::Paper const& paper);

// The paper: the document's papersize special, else `option` (--paper, by
// default the system's paper).
// False, with the error reported against `file`, when the option is no size.
bool ChoosePaper(DocumentSession const& session, std::string const& option, std::string const& file,
                 RenderSettings& settings);

// False, with the error reported against `file`, for a page above the budget.
bool WithinSurfaceBudget(std::string const& file, RenderSettings const& settings);
