#include "specials/ColourHandler.h"

#include <algorithm>

#include "dvi/KsDvi.h"
#include "specials/DvipsColour.h"
#include "specials/SpecialPage.h"
#include "specials/SpecialParsing.h"
#include "specials/SpecialScan.h"

namespace ksdvi {

// Nothing is checked after the components of push and background; the
// colour special changes the colour, not the stack, and `color:` is the
// painter's alone.
bool ColourHandler::Scan(SpecialScan& scan, SpecialFamily family, unsigned char* args, unsigned char*) {
    using F = SpecialFamily;
    unsigned int colour = 0;
    switch (family) {
    case F::ColorPush:
        if (ReadRgbColor(args, &colour)) scan.ChangeColour({DvipsColorChange::Action::Push, colour});
        return true;
    case F::ColorPop: scan.ChangeColour({DvipsColorChange::Action::Pop}); return true;
    case F::BackgroundColor:
        if (ReadRgbColor(args, &colour)) scan.SetBackground(colour);
        return true;
    case F::DvipsColor:
        if (auto change = ParseDvipsColorWords(args, scan.Spots())) scan.ChangeColour(*change);
        return true;
    case F::DvipsBackground:
        if (auto background = ParseDvipsBackground(args, scan.Spots())) scan.SetBackground(*background);
        return true;
    default: return false;
    }
}

void ColourHandler::BeginPage(KsDvi const& document, int page) {
    spots_ = &document.GetSpotColours();
    depth_ = std::min(document.GetPageColorStackSize(page), kStackSize);
    unsigned int const* stack = document.GetPageColorStack(page);
    for (int i = 0; i < depth_; ++i) stack_[static_cast<size_t>(i)] = stack[i];
}

bool ColourHandler::Paint(SpecialPage& page, SpecialFamily family, unsigned char* args, unsigned char*) {
    using F = SpecialFamily;
    unsigned int colour = 0;
    switch (family) {
    case F::ColorPush:
        if (ReadRgbColor(args, &colour)) Change(page, {DvipsColorChange::Action::Push, colour});
        return true;
    case F::ColorPop: Change(page, {DvipsColorChange::Action::Pop}); return true;
    case F::Color:
        args = ReadRgbColor(args, &colour);
        if (args && OnlyBlanksLeft(args)) page.SetColour(colour);
        return true;
    case F::DvipsColor:
        if (std::optional<DvipsColorChange> change = ParseDvipsColorWords(args, spots_)) Change(page, *change);
        return true;
    // The document keeps the background each page ends with, and the
    // painter fills the page with it: nothing is left to do on the page.
    case F::DvipsBackground: return true;
    default: return false;
    }
}

// A full stack drops a push but the colour still changes; the page's bottom
// entry is never popped.
void ColourHandler::Change(SpecialPage& page, DvipsColorChange const& change) {
    if (change.action == DvipsColorChange::Action::Pop && depth_ < 2) return;
    unsigned int const colour = change.keep ? Current() : change.color;
    ApplyDvipsColorChange(change, stack_.data(), depth_, kStackSize);
    page.SetColour(change.action == DvipsColorChange::Action::Pop ? Current() : colour);
}

}  // namespace ksdvi
