#pragma once
// The Unicode text of the chosen pages of a document, page by page, for the
// text and search commands; pages that cannot be read are reported against
// the file.

#include <functional>
#include <string>
#include <vector>

#include "DocumentSession.h"
#include "text/UnicodeText.h"

// Calls `use` with each page's characters; false when a page could not be
// read whole (what could be read is handed over all the same).
bool ForEachPageText(DocumentSession& session, std::vector<int> const& pages,
                     std::function<void(int page, std::vector<ksdvi::UnicodeChar> const& chars)> const& use);

// Loads the document up to the last page `pagesOption` names, and chooses
// those pages; nullopt after reporting why not.
std::optional<std::vector<int>> LoadPages(DocumentSession& session, std::string const& pagesOption);
