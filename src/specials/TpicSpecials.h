#pragma once
// tpic's specials, which eepic and the picture macros of other packages write
// (dvips, xdvi, dvipdfmx and dvisvgm draw them). Lengths are milli-inches and
// y grows down the page; a path's points lie about the current point where
// the special that draws it stands:
//   pn W                 the pen's width
//   pa X Y               a point of the path
//   fp, ip               the path drawn, or only filled (invisible outline)
//   da L, dt L           the path drawn dashed (L inches) or dotted (dots L apart)
//   sp [L]               a spline through the path (dashed, dotted when L < 0)
//   ar X Y RX RY S E     an elliptic arc from angle S to E (radians, clockwise
//   ia X Y RX RY S E     on the page), drawn or only filled
//   sh [S], wh, bk, tx   the next figure filled: grey S (0 white, 1 black;
//                        0.5 when not given), white, black, grey
// They become PDF content operators, the form ksdvi paints drawings of
// specials in (PdfDrawingPage.h), as dvipdfmx writes them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ksdvi {

// tpic's command words.
inline constexpr std::string_view kTpicCommands[] = {"pn", "pa", "fp", "ip", "da", "dt", "sp",
                                                     "ar", "ia", "sh", "wh", "bk", "tx"};

// The command word a tpic special begins with, nullopt when it begins none.
std::optional<std::string_view> TpicCommand(std::string_view special);

// The path, pen and shade the specials of a page build.
class TpicPath {
public:
    static constexpr size_t kMostPoints = 1 << 16;

    // Takes one tpic special; the PDF content operators it draws, in bp
    // about the current point with y up, painted in the current colour;
    // empty when it draws nothing.
    std::string Take(std::string_view special);

private:
    struct Point {
        double x, y;  // bp, y up
    };
    // The path filled in the shade, if one is set, and outlined with the pen
    // (dashes `dash` bp long, or dots `dash` apart); the shade is then used up.
    std::string Figure(std::string const& path, bool outline, double dash = 0, bool dotted = false);
    std::string Polyline() const;
    std::string Spline() const;
    static std::string Arc(double const (&v)[6]);

    double pen_ = 1 * 0.072;
    std::vector<Point> points_;
    std::optional<double> shade_;
};

}  // namespace ksdvi
