#pragma once
// The colours of an image for the web: the ink TeX drew in its default black
// in a foreground colour of the user's, on a background colour or on none.
// Drawing is black on white; each pixel's ink coverage then is how far it is
// from white, and its colour what the pixel shows at full coverage.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ksdvi {

struct ImageColours {
    // "Transparent" (dvipng's capital T): the background goes, each pixel's
    // coverage becomes its alpha. "transparent": the background goes, every
    // other pixel stays opaque, blended over the background colour, for
    // viewers without alpha.
    enum class Transparency { None, Alpha, Binary };
    std::uint32_t foreground = 0x000000;  // 0xRRGGBB
    std::uint32_t background = 0xFFFFFF;
    Transparency transparency = Transparency::None;
    // dvipng's --gamma: above 1 antialiased edges are darker, below lighter.
    double gamma = 1.0;
};

// A colour as an option gives it: "#rrggbb", or a colour as TeX's colour
// specials give it to dvips ("rgb 1 0 0", "gray 0.5", "cmyk 0 1 1 0", a
// dvipsnam.def name such as "Red"). 0xRRGGBB; nullopt when it is none.
std::optional<std::uint32_t> ParseColourOption(std::string_view text);

// An output pixel, straight (not premultiplied) alpha.
struct ImagePixel {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(ImagePixel const&) const = default;
};

// The output pixel for a drawn pixel (0x??RRGGBB, black ink on white).
ImagePixel ColourPixel(std::uint32_t drawn, ImageColours const& colours);

}  // namespace ksdvi
