#pragma once
// Colour specials in the form dvips reads them, which is what TeX's colour
// packages (color, xcolor) write:
//   color push COLOUR   push COLOUR on the colour stack
//   color pop           back to the colour below (the bottom entry stays)
//   color COLOUR        the stack becomes COLOUR alone
//   background COLOUR   the page background from this page on
// COLOUR is a model with its values in 0..1, "rgb R G B", "cmyk C M Y K",
// "hsb H S B" or "gray G", or a named colour of dvipsnam.def ("Red",
// "NavyBlue", ...). Words and names are case-sensitive, as dvips has them.
// With the document's colours (SpotColours.h), "spot NAME TINT" too, as
// xdvipdfmx reads it, "separation NAME TINT" (l3color's for dvips), and
// CMYK shown as the document's peer shows it (Ghostscript without them).
// The document's scan and the renderer read them alike, so that a page
// starts with the colour stack the page before it ended with.

#include <cstddef>
#include <optional>
#include <string_view>

namespace ksdvi {

class SpotColours;

// Each keyword with the blank that ends it.
inline constexpr std::string_view kDvipsColorKeyword = "color ";
inline constexpr std::string_view kDvipsBackgroundKeyword = "background ";

// A change of the colour stack. dvipdfmx's pdf:bcolor, pdf:scolor and
// pdf:ecolor change the same stack (PdfDrawingSpecials.h): Replace is
// scolor's, which changes the top entry alone.
struct DvipsColorChange {
    enum class Action { Push, Pop, Set, Replace };
    Action action = Action::Pop;
    unsigned int color = 0;  // 0x00BBGGRR; not used by Pop
    // Push or Replace with the colour in force, not `color`: dvipdfmx keeps
    // it for a colour it cannot read.
    bool keep = false;
};

// The words after "color " (NUL-terminated); nullopt when they do not parse.
std::optional<DvipsColorChange> ParseDvipsColorWords(unsigned char* words, SpotColours const* spots = nullptr);

// One COLOUR with nothing but blanks after it; nullopt when it does not parse.
std::optional<unsigned int> ParseDvipsColor(unsigned char* words, SpotColours const* spots = nullptr);

// The words after "background ": a COLOUR, or PostScript in quotes, which is
// how xcolor's \nopagecolor takes the page colour away (white then).
std::optional<unsigned int> ParseDvipsBackground(unsigned char* words, SpotColours const* spots = nullptr);

// A colour of dvipsnam.def by its name ("Red"); nullopt for any other word.
std::optional<unsigned int> DvipsNamedColour(std::string_view name, SpotColours const* spots = nullptr);

// A colour of PDF's device spaces by its number of components: 1 grey, 3
// RGB, 4 CMYK; components held to 0..1; nullopt for any other number.
std::optional<unsigned int> DeviceColour(double const* components, std::size_t count,
                                         SpotColours const* spots = nullptr);

// The number of components of the device space /`name` (DeviceGray,
// DeviceRGB, DeviceCMYK); 0 for any other space.
std::size_t DeviceSpaceComponents(std::string_view name);

// Applies a change to a stack of `capacity` entries holding `depth` of them
// (at least one): a push on a full stack is dropped, the bottom entry is never
// popped, Set leaves its colour alone on the stack, Replace changes the top.
void ApplyDvipsColorChange(DvipsColorChange const& change, unsigned int* stack, int& depth, int capacity);

}  // namespace ksdvi
