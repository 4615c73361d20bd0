#include "specials/DvipsColour.h"

#include <algorithm>

#include "platform/colour/CmykColour.h"
#include "specials/SpecialParsing.h"
#include "specials/SpotColours.h"

namespace ksdvi {

namespace {

struct NamedColor {
    std::string_view name;
    double c, m, y, k;
};

// dvipsnam.def, in its order.
constexpr NamedColor kNamedColors[] = {
    {"GreenYellow", 0.15, 0, 0.69, 0},
    {"Yellow", 0, 0, 1, 0},
    {"Goldenrod", 0, 0.10, 0.84, 0},
    {"Dandelion", 0, 0.29, 0.84, 0},
    {"Apricot", 0, 0.32, 0.52, 0},
    {"Peach", 0, 0.50, 0.70, 0},
    {"Melon", 0, 0.46, 0.50, 0},
    {"YellowOrange", 0, 0.42, 1, 0},
    {"Orange", 0, 0.61, 0.87, 0},
    {"BurntOrange", 0, 0.51, 1, 0},
    {"Bittersweet", 0, 0.75, 1, 0.24},
    {"RedOrange", 0, 0.77, 0.87, 0},
    {"Mahogany", 0, 0.85, 0.87, 0.35},
    {"Maroon", 0, 0.87, 0.68, 0.32},
    {"BrickRed", 0, 0.89, 0.94, 0.28},
    {"Red", 0, 1, 1, 0},
    {"OrangeRed", 0, 1, 0.50, 0},
    {"RubineRed", 0, 1, 0.13, 0},
    {"WildStrawberry", 0, 0.96, 0.39, 0},
    {"Salmon", 0, 0.53, 0.38, 0},
    {"CarnationPink", 0, 0.63, 0, 0},
    {"Magenta", 0, 1, 0, 0},
    {"VioletRed", 0, 0.81, 0, 0},
    {"Rhodamine", 0, 0.82, 0, 0},
    {"Mulberry", 0.34, 0.90, 0, 0.02},
    {"RedViolet", 0.07, 0.90, 0, 0.34},
    {"Fuchsia", 0.47, 0.91, 0, 0.08},
    {"Lavender", 0, 0.48, 0, 0},
    {"Thistle", 0.12, 0.59, 0, 0},
    {"Orchid", 0.32, 0.64, 0, 0},
    {"DarkOrchid", 0.40, 0.80, 0.20, 0},
    {"Purple", 0.45, 0.86, 0, 0},
    {"Plum", 0.50, 1, 0, 0},
    {"Violet", 0.79, 0.88, 0, 0},
    {"RoyalPurple", 0.75, 0.90, 0, 0},
    {"BlueViolet", 0.86, 0.91, 0, 0.04},
    {"Periwinkle", 0.57, 0.55, 0, 0},
    {"CadetBlue", 0.62, 0.57, 0.23, 0},
    {"CornflowerBlue", 0.65, 0.13, 0, 0},
    {"MidnightBlue", 0.98, 0.13, 0, 0.43},
    {"NavyBlue", 0.94, 0.54, 0, 0},
    {"RoyalBlue", 1, 0.50, 0, 0},
    {"Blue", 1, 1, 0, 0},
    {"Cerulean", 0.94, 0.11, 0, 0},
    {"Cyan", 1, 0, 0, 0},
    {"ProcessBlue", 0.96, 0, 0, 0},
    {"SkyBlue", 0.62, 0, 0.12, 0},
    {"Turquoise", 0.85, 0, 0.20, 0},
    {"TealBlue", 0.86, 0, 0.34, 0.02},
    {"Aquamarine", 0.82, 0, 0.30, 0},
    {"BlueGreen", 0.85, 0, 0.33, 0},
    {"Emerald", 1, 0, 0.50, 0},
    {"JungleGreen", 0.99, 0, 0.52, 0},
    {"SeaGreen", 0.69, 0, 0.50, 0},
    {"Green", 1, 0, 1, 0},
    {"ForestGreen", 0.91, 0, 0.88, 0.12},
    {"PineGreen", 0.92, 0, 0.59, 0.25},
    {"LimeGreen", 0.50, 0, 1, 0},
    {"YellowGreen", 0.44, 0, 0.74, 0},
    {"SpringGreen", 0.26, 0, 0.76, 0},
    {"OliveGreen", 0.64, 0, 0.95, 0.40},
    {"RawSienna", 0, 0.72, 1, 0.45},
    {"Sepia", 0, 0.83, 1, 0.70},
    {"Brown", 0, 0.81, 1, 0.60},
    {"Tan", 0.14, 0.42, 0.56, 0},
    {"Gray", 0, 0, 0, 0.50},
    {"Black", 0, 0, 0, 1},
    {"White", 0, 0, 0, 0},
};

// As the document's peer shows it: Ghostscript PostScript's setcmykcolor,
// poppler (x)dvipdfmx's PDF.
unsigned int FromCmyk(double c, double m, double y, double k, SpotColours const* spots) {
    RgbColour const rgb = spots && spots->ShowsCmykAsPoppler() ? CmykToRgbAsPoppler(c, m, y, k) : CmykToRgb(c, m, y, k);
    return rgbcolor(rgb.r, rgb.g, rgb.b);
}

// As PostScript's sethsbcolor: hue in turns, six sectors.
unsigned int FromHsb(double h, double s, double b) {
    h = std::clamp(h, 0.0, 1.0) * 6.0;
    s = std::clamp(s, 0.0, 1.0);
    int sector = static_cast<int>(h);
    double f = h - sector;
    double p = b * (1 - s), q = b * (1 - s * f), t = b * (1 - s * (1 - f));
    switch (sector % 6) {
    case 0: return rgbcolor(b, t, p);
    case 1: return rgbcolor(q, b, p);
    case 2: return rgbcolor(p, b, t);
    case 3: return rgbcolor(p, q, b);
    case 4: return rgbcolor(t, p, b);
    default: return rgbcolor(b, p, q);
    }
}

struct Model {
    std::string_view name;
    int values;
    unsigned int (*toColor)(double const* v, SpotColours const* spots);
};

constexpr Model kModels[] = {
    {"rgb", 3, [](double const* v, SpotColours const*) { return rgbcolor(v[0], v[1], v[2]); }},
    {"cmyk", 4, [](double const* v, SpotColours const* spots) { return FromCmyk(v[0], v[1], v[2], v[3], spots); }},
    {"hsb", 3, [](double const* v, SpotColours const*) { return FromHsb(v[0], v[1], v[2]); }},
    {"gray", 1, [](double const* v, SpotColours const*) { return rgbcolor(v[0], v[0], v[0]); }},
};

}  // namespace

std::optional<unsigned int> DeviceColour(double const* v, std::size_t count, SpotColours const* spots) {
    double u[4];
    for (std::size_t i = 0; i < count && i < 4; ++i) u[i] = std::clamp(v[i], 0.0, 1.0);
    switch (count) {
    case 1: return rgbcolor(u[0], u[0], u[0]);
    case 3: return rgbcolor(u[0], u[1], u[2]);
    case 4: return FromCmyk(u[0], u[1], u[2], u[3], spots);
    default: return std::nullopt;
    }
}

std::size_t DeviceSpaceComponents(std::string_view name) {
    return name == "DeviceGray" ? 1 : name == "DeviceRGB" ? 3 : name == "DeviceCMYK" ? 4 : 0;
}

std::optional<unsigned int> ParseDvipsBackground(unsigned char* p, SpotColours const* spots) {
    if (*SkipBlanks(p) == '"') return 0xFFFFFFu;
    return ParseDvipsColor(p, spots);
}

std::optional<unsigned int> ParseDvipsColor(unsigned char* p, SpotColours const* spots) {
    p = SkipBlanks(p);
    std::string_view word = Token(p);
    p += word.size();
    if (word == "separation" && spots) {  // l3color's for dvips: a procedure of a `!` special
        p = SkipBlanks(p);
        std::string_view const name = Token(p);
        double tint = 0;
        if (name.empty() || !(p = getnumber(p + name.size(), &tint)) || !OnlyBlanksLeft(p)) return std::nullopt;
        return spots->PostScriptColour(name, tint);
    }
    if (word == "spot" && spots) {
        p = SkipBlanks(p);
        std::string_view const name = Token(p);
        double tint = 0;
        if (name.empty() || !(p = getnumber(p + name.size(), &tint)) || !OnlyBlanksLeft(p)) return std::nullopt;
        return spots->Colour(name, tint);
    }
    for (Model const& model : kModels) {
        if (word != model.name) continue;
        double values[4];
        for (int i = 0; i < model.values; ++i)
            if (!(p = getnumber(p, &values[i]))) return std::nullopt;
        if (!OnlyBlanksLeft(p)) return std::nullopt;
        return model.toColor(values, spots);
    }
    if (!OnlyBlanksLeft(p)) return std::nullopt;
    return DvipsNamedColour(word, spots);
}

std::optional<unsigned int> DvipsNamedColour(std::string_view name, SpotColours const* spots) {
    for (NamedColor const& named : kNamedColors)
        if (name == named.name) return FromCmyk(named.c, named.m, named.y, named.k, spots);
    return std::nullopt;
}

std::optional<DvipsColorChange> ParseDvipsColorWords(unsigned char* p, SpotColours const* spots) {
    p = SkipBlanks(p);
    std::string_view word = Token(p);
    if (word == "pop") {
        if (!OnlyBlanksLeft(p + word.size())) return std::nullopt;
        return DvipsColorChange{DvipsColorChange::Action::Pop, 0};
    }
    bool push = word == "push";
    std::optional<unsigned int> color = ParseDvipsColor(push ? p + word.size() : p, spots);
    if (!color) return std::nullopt;
    return DvipsColorChange{push ? DvipsColorChange::Action::Push : DvipsColorChange::Action::Set, *color};
}

void ApplyDvipsColorChange(DvipsColorChange const& change, unsigned int* stack, int& depth, int capacity) {
    unsigned int const colour = change.keep && depth > 0 ? stack[depth - 1] : change.color;
    switch (change.action) {
    case DvipsColorChange::Action::Push:
        if (depth < capacity) stack[depth++] = colour;
        break;
    case DvipsColorChange::Action::Replace: stack[depth > 0 ? depth - 1 : depth++] = colour; break;
    case DvipsColorChange::Action::Pop:
        if (depth > 1) --depth;
        break;
    case DvipsColorChange::Action::Set:
        stack[0] = change.color;
        depth = 1;
        break;
    }
}

}  // namespace ksdvi
