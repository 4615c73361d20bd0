// Gradients keep the stops they need: in ksdvi's own thinning, in Cairo's SVG
// and in Cairo's PDF functions.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "device/ColourStops.h"
#include "device/PdfGradientStops.h"

namespace ksdvi {
namespace {

// `count` + 1 stops from 0 to 1, of the colour `at` gives.
template <class At>
std::vector<ColourStop> Sampled(int count, At at) {
    std::vector<ColourStop> stops(count + 1);
    for (int i = 0; i <= count; ++i) {
        stops[i].offset = double(i) / count;
        at(stops[i].offset, stops[i].channel);
    }
    return stops;
}

TEST(ColourStops, KeepsTheStopsWhereTheColourTurns) {
    auto line = [](double t, double* c) { c[0] = 1 - t, c[1] = t, c[2] = 0.5, c[3] = 1; };
    auto bend = [](double t, double* c) {
        c[0] = t < 0.5 ? 1 - 2 * t : 0, c[1] = t < 0.5 ? 2 * t : 2 - 2 * t, c[3] = 1;
    };
    auto curve = [](double t, double* c) { c[0] = t * t, c[3] = 1; };
    auto fading = [](double t, double* c) { c[2] = 1, c[3] = t < 0.25 ? 1 : 1 - (t - 0.25) / 0.75; };
    std::vector<ColourStop> hard = {{0, {1, 0, 0, 1}}, {0.5, {1, 0, 0, 1}}, {0.5, {0, 0, 1, 1}}, {1, {0, 0, 1, 1}}};
    std::vector<ColourStop> off = Sampled(4, line);
    off[2].channel[0] += 0.003;  // more than half a 255th off the line
    std::vector<ColourStop> near = Sampled(4, line);
    near[2].channel[0] += 0.001;
    struct Case {
        char const* what;
        std::vector<ColourStop> stops;
        int channels;
        std::vector<size_t> kept;
    };
    Case const cases[] = {
        {"a straight line of 256", Sampled(256, line), 4, {0, 256}},
        {"a bend in the middle", Sampled(256, bend), 4, {0, 128, 256}},
        {"opacity turns where colour does not", Sampled(4, fading), 4, {0, 1, 4}},
        {"opacity not counted", Sampled(4, fading), 3, {0, 4}},
        {"a hard step", hard, 3, {0, 1, 2, 3}},
        {"a stop off the line", off, 3, {0, 2, 4}},
        {"a stop within half a step", near, 3, {0, 4}},
        {"one stop", {{0.5, {1, 0, 0, 1}}}, 4, {0}},
        {"none", {}, 4, {}},
    };
    for (Case const& c : cases) EXPECT_EQ(StopsToKeep(c.stops, c.channels), c.kept) << c.what;
    // A curve keeps some stops, each chord within the tolerance.
    std::vector<ColourStop> const curved = Sampled(256, curve);
    std::vector<size_t> const kept = StopsToKeep(curved, 1);
    EXPECT_GT(kept.size(), 4u);
    EXPECT_LT(kept.size(), 40u);
    for (size_t k = 0; k + 1 < kept.size(); ++k)
        for (size_t i = kept[k]; i <= kept[k + 1]; ++i) {
            double const t =
                (curved[i].offset - curved[kept[k]].offset) / (curved[kept[k + 1]].offset - curved[kept[k]].offset);
            double const chord =
                curved[kept[k]].channel[0] + t * (curved[kept[k + 1]].channel[0] - curved[kept[k]].channel[0]);
            EXPECT_LE(std::abs(chord - curved[i].channel[0]), kStopTolerance) << i;
        }
    // Too many to search: all kept.
    EXPECT_EQ(StopsToKeep(Sampled(2000, line), 4).size(), 2001u);
}

// Objects as Cairo writes a gradient: linear parts from object 10 on, the
// stitching function in object 2.
std::vector<std::string_view> CairoFunctions(std::vector<std::string>& text, std::vector<double> const& grey,
                                             std::string const& extra = {}) {
    size_t const parts = grey.size() - 1;
    text.assign(10 + parts, "");
    std::string functions, bounds, encode;
    for (size_t i = 0; i < parts; ++i) {
        text[10 + i] = "<< /FunctionType 2\n   /Domain [ 0 1 ]\n   /C0 [ " + std::to_string(grey[i]) + " ]\n   /C1 [ " +
                       std::to_string(grey[i + 1]) + " ]\n   /N 1\n>>";
        functions += std::to_string(10 + i) + " 0 R ";
        if (i > 0) bounds += std::to_string(double(i) / parts) + " ";
        encode += "0 1 ";
    }
    text[2] = "<< /FunctionType 3\n   /Domain [ 0 1 ]\n   /Functions [ " + functions + "]\n   /Bounds [ " + bounds +
              "]\n   /Encode [ " + encode + "]\n>>";
    text[3] = "<< /ShadingType 2 /Function 2 0 R " + extra + ">>";
    return {text.begin(), text.end()};
}

TEST(PdfGradientStops, StitchingFunctionsKeepThePartsTheyNeed) {
    std::vector<std::string> text;
    std::deque<std::string> storage;
    // Black to white in four parts, then back to black in four.
    std::vector<std::string_view> bodies =
        CairoFunctions(text, {0, 0.25, 0.5, 0.75, 1, 0.75, 0.5, 0.25, 0}, "/Other 11 0 R ");
    ThinGradientStops(bodies, storage);
    EXPECT_EQ(bodies[2],
              "<< /FunctionType 3 /Domain [ 0 1 ] /Functions [ << /FunctionType 2 /Domain [ 0 1 ] /C0 [ 0.000000 ] "
              "/C1 [ 1.000000 ] /N 1 >> << /FunctionType 2 /Domain [ 0 1 ] /C0 [ 1.000000 ] /C1 [ 0.000000 ] /N 1 >> "
              "] /Bounds [ 0.500000 ] /Encode [ 0 1 0 1 ] >>");
    // The parts go, but for the one still referred to.
    for (size_t part = 10; part < 18; ++part) EXPECT_EQ(bodies[part].empty(), part != 11) << part;
    EXPECT_EQ(bodies[3], text[3]);

    // Left alone: every stop needed, parts that do not meet, other functions.
    std::vector<std::vector<double>> const needed = {{0, 1, 0}, {0, 0.1, 0.9, 1}};
    for (auto const& grey : needed) {
        bodies = CairoFunctions(text, grey);
        ThinGradientStops(bodies, storage);
        EXPECT_EQ(bodies[2], text[2]);
    }
    bodies = CairoFunctions(text, {0, 0.5, 1});
    text[11].replace(text[11].find("/C0 [ 0.500000"), 14, "/C0 [ 0.400000");
    bodies = {text.begin(), text.end()};
    ThinGradientStops(bodies, storage);
    EXPECT_EQ(bodies[2], text[2]);
    std::string const altered[][2] = {
        {"/N 1", "/N 2"},                        // not linear
        {"/Domain [ 0 1 ]", "/Domain [ 0 2 ]"},  // a repeating gradient's
        {"0 1 0 1", "1 0 0 1"},                  // a part reversed
        {"11 0 R", "11 0 R 12"},                 // not a reference
        {"11 0 R", "99 0 R"},                    // to nothing
    };
    for (auto const& [from, to] : altered) {
        CairoFunctions(text, {0, 0.25, 0.5, 0.75, 1});
        for (std::string& body : text)
            if (size_t at = body.find(from); at != std::string::npos) {
                body.replace(at, from.size(), to);
                break;
            }
        std::vector<std::string> const before = text;
        bodies = {text.begin(), text.end()};
        ThinGradientStops(bodies, storage);
        EXPECT_EQ(std::vector<std::string>(bodies.begin(), bodies.end()), before) << to;
    }
}

}  // namespace
}  // namespace ksdvi
