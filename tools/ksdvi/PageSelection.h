#pragma once
// Page lists as users write them: "1,3-5,8-" (1-based physical pages), and
// dvips's -pp lists of TeX's page numbers (\count0): "3-5,-1", "-3:-1".

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The 0-based page indexes of `spec` for a document of `pageCount` pages, in the
// order given; an empty spec selects every page. nullopt with `error` set when
// the list is malformed or names a page the document does not have.
std::optional<std::vector<int>> SelectPages(std::string const& spec, int pageCount, std::string& error);

// The last page `spec` names (1-based), up to which a document must be
// scanned; 0 for every page.
int LastPageNamed(std::string const& spec);

// The 1-based physical list ("2,3,9") of the pages whose TeX number lies in
// `spec`, in document order, `texNumbers` holding each page's; nullopt with
// `error` set when the list is malformed or no page has such a number.
std::optional<std::string> PhysicalPagesOfTeX(std::string const& spec, std::vector<int32_t> const& texNumbers,
                                              std::string& error);
