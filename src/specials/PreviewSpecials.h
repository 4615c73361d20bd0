#pragma once
// The specials of preview.sty (\usepackage[active,tightpage]{preview}) as its
// dvips driver writes them:
//   !userdict begin/preview-bop-level 0 def/bop-hook{...}...   a bop-hook that
//                                        reads numbers at the start of each page
//   !/preview@tightpage true def         tight pages; preview 0.9.1 and older
//                                        said it by a bop-hook that reads
//                                        `7{currentfile token not{stop}if 65781.76 div`
//   ps::LLX LLY URX URY HT DP WD         first on each page: the border around
//                                        the box (its corners' shifts) and the
//                                        box's height, depth and width, in sp
// They draw nothing: dvipng reads them for its image size, as ksdvi does.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ksdvi {

// A page's preview box, in DVI units.
struct PreviewBox {
    int32_t llx = 0, lly = 0, urx = 0, ury = 0;  // the border: shifts of the lower left and upper right corners
    int32_t height = 0, depth = 0, width = 0;
    bool operator==(PreviewBox const&) const = default;
};

// Whether the PostScript of a ! special (after the !) installs preview's bop-hook.
bool IsPreviewBopHook(std::string_view literal);
// Whether it asks for tight pages.
bool IsPreviewTightPage(std::string_view literal);
// The numbers of the bop-hook's ps:: special (the code after "ps::"): seven
// integers and nothing else.
std::optional<PreviewBox> ParsePreviewBox(std::string_view code);

}  // namespace ksdvi
