#pragma once
// Paper sizes as users and documents give them, in DVI units of TeX (sp).

#include <optional>
#include <string>

struct PaperSize {
    int width = 0;  // scaled points
    int height = 0;
};

// "a4", "letter", or "WxH" with TeX dimensions ("210mmx297mm", "8.5inx11in").
std::optional<PaperSize> ParsePaperOption(std::string const& text);
// The dvips papersize special's value: "W,H" with TeX dimensions, optionally
// "true" before the unit ("597.50787pt,845.04684pt", "8.5truein,11truein").
std::optional<PaperSize> ParsePaperSpecial(std::string const& text);
