#pragma once
// Paper sizes as users and documents give them, in TeX's scaled points.

#include <cstdint>
#include <optional>
#include <string>

class KsDvi;

namespace ksdvi {

struct Paper {
    int32_t width = 0;  // scaled points
    int32_t height = 0;
    bool operator==(Paper const&) const = default;
};

// "a4", "letter", or "WxH" with TeX dimensions ("210mmx297mm", "8.5inx11in").
std::optional<Paper> ParsePaperOption(std::string const& text);
// The dvips papersize special's value: "W,H" with TeX dimensions, optionally
// "true" before the unit ("597.50787pt,845.04684pt", "8.5truein,11truein").
std::optional<Paper> ParsePaperSpecial(std::string const& text);

// The document's paper: its first papersize special, as dvips takes it, else
// `fallback`; turned to landscape when the document has a landscape special.
Paper PaperOf(KsDvi const& dvi, Paper const& fallback);
// `paper` turned to landscape when the document has a landscape special.
Paper Landscaped(KsDvi const& dvi, Paper paper);
// The paper page `page` is drawn on: KsDvi::GetPagePaper, else the
// document's; turned as the document's is.
Paper PaperOf(KsDvi const& dvi, int page, Paper const& fallback);

}  // namespace ksdvi
