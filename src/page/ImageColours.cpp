#include "page/ImageColours.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "specials/DvipsColour.h"

namespace ksdvi {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::uint8_t Blend(int ink, int background, int alpha) {
    return static_cast<std::uint8_t>((ink * alpha + background * (255 - alpha) + 127) / 255);
}

}  // namespace

std::optional<std::uint32_t> ParseColourOption(std::string_view text) {
    if (text.size() == 7 && text[0] == '#') {
        std::uint32_t colour = 0;
        for (char c : text.substr(1)) {
            int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            colour = colour << 4 | static_cast<std::uint32_t>(d);
        }
        return colour;
    }
    std::string words(text);  // the parser wants its words NUL-terminated and writable
    auto colorref = ParseDvipsColor(reinterpret_cast<unsigned char*>(words.data()));
    if (!colorref) return std::nullopt;
    // COLORREF is 0x00BBGGRR.
    return (*colorref & 0xFF) << 16 | (*colorref & 0xFF00) | (*colorref >> 16 & 0xFF);
}

ImagePixel ColourPixel(std::uint32_t drawn, ImageColours const& colours) {
    int const r = drawn >> 16 & 0xFF, g = drawn >> 8 & 0xFF, b = drawn & 0xFF;
    int alpha = 255 - std::min({r, g, b});
    int const bgR = colours.background >> 16 & 0xFF, bgG = colours.background >> 8 & 0xFF,
              bgB = colours.background & 0xFF;
    if (alpha == 0) {
        std::uint8_t a = colours.transparency == ImageColours::Transparency::None ? 255 : 0;
        return {static_cast<std::uint8_t>(bgR), static_cast<std::uint8_t>(bgG), static_cast<std::uint8_t>(bgB), a};
    }
    // The colour at full coverage: the pixel with its share of white taken out.
    auto ink = [alpha](int c) { return std::clamp((c - (255 - alpha)) * 255 / alpha, 0, 255); };
    int inkR = ink(r), inkG = ink(g), inkB = ink(b);
    if (inkR == 0 && inkG == 0 && inkB == 0) {
        inkR = colours.foreground >> 16 & 0xFF;
        inkG = colours.foreground >> 8 & 0xFF;
        inkB = colours.foreground & 0xFF;
    }
    if (colours.gamma > 0 && colours.gamma != 1.0 && alpha < 255)
        alpha = std::clamp(static_cast<int>(std::lround(255.0 * std::pow(alpha / 255.0, 1.0 / colours.gamma))), 1, 255);
    if (colours.transparency == ImageColours::Transparency::Alpha)
        return {static_cast<std::uint8_t>(inkR), static_cast<std::uint8_t>(inkG), static_cast<std::uint8_t>(inkB),
                static_cast<std::uint8_t>(alpha)};
    return {Blend(inkR, bgR, alpha), Blend(inkG, bgG, alpha), Blend(inkB, bgB, alpha), 255};
}

}  // namespace ksdvi
