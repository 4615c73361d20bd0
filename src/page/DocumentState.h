#pragma once
// What a scan found, in words: a complete document, one TeX is still writing
// (its last page or its postamble unfinished: the complete pages can be
// shown), or one that breaks the rules of DVI; with a sentence for each
// problem, as messages and viewers show it.

#include <string>

class KsDvi;

namespace ksdvi {

enum class DocumentState { Growing, Complete, Malformed };

struct DocumentStatus {
    DocumentState state = DocumentState::Growing;
    // Why the scan stopped early; empty when it did not (also where it read
    // to the end of what TeX has written so far).
    std::string problem;
};

DocumentStatus StatusOf(KsDvi const& dvi);

// "growing", "complete" or "malformed".
char const* StateName(DocumentState state);

// A file scanned to the end of what is written that has no postamble yet.
std::string EndsBeforePostamble(KsDvi const& dvi);
// Why a page the scan recorded cannot be read now (its bytes changed since).
std::string PageUnreadable(int page);
// A page drawn up to a malformed instruction at `offset` within it.
std::string MalformedOnPage(int page, int offset);
// A page with more instructions than a drawing may run.
std::string PageCut();

}  // namespace ksdvi
