#include "specials/TpicSpecials.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "specials/PdfObjects.h"

namespace ksdvi {

namespace {

constexpr double kBpPerMilliInch = 0.072;
// Larger coordinates and pens than any page holds are not drawn.
constexpr double kLargest = 1e7;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Up to `most` numbers at the start of `args`, as many as read; in C's
// notation whatever the locale (the viewer runs in the user's).
size_t ReadNumbers(std::string_view args, double* out, size_t most) {
    char const* p = args.data();
    char const* const end = p + std::min<size_t>(args.size(), 256);
    size_t count = 0;
    while (count < most) {
        while (p < end && IsBlank(*p)) ++p;
        if (p < end && *p == '+') ++p;
        double v = 0;
        auto const [next, error] = std::from_chars(p, end, v);
        if (error != std::errc() || !std::isfinite(v) || std::fabs(v) > kLargest) break;
        out[count++] = v;
        p = next;
    }
    return count;
}

std::string Pair(double x, double y) { return PdfNumber(x) + " " + PdfNumber(y); }

}  // namespace

std::optional<std::string_view> TpicCommand(std::string_view special) {
    for (std::string_view command : kTpicCommands)
        if (special.substr(0, 2) == command && (special.size() == 2 || IsBlank(special[2]))) return command;
    return std::nullopt;
}

std::string TpicPath::Take(std::string_view special) {
    std::optional<std::string_view> const command = TpicCommand(special);
    if (!command) return {};
    std::string_view const args = special.substr(2);
    std::string_view const c = *command;
    double v[6] = {};
    size_t const n = ReadNumbers(args, v, 6);
    if (c == "pn") {
        if (n >= 1 && v[0] >= 0) pen_ = v[0] * kBpPerMilliInch;
    } else if (c == "pa") {
        if (n >= 2 && points_.size() < kMostPoints)
            points_.push_back({v[0] * kBpPerMilliInch, -v[1] * kBpPerMilliInch});
    } else if (c == "fp" || c == "ip" || c == "da" || c == "dt" || c == "sp") {
        // The path is used up.
        double const length = n >= 1 ? std::fabs(v[0]) * 72 : 0;
        bool const dotted = c == "dt" || (n >= 1 && v[0] < 0);
        std::string const out = c == "sp"   ? Figure(Spline(), true, length, dotted)
                                : c == "fp" ? Figure(Polyline(), true)
                                : c == "ip" ? Figure(Polyline(), false)
                                            : Figure(Polyline(), true, length, dotted);
        points_.clear();
        return out;
    } else if (c == "ar" || c == "ia") {
        return Figure(n == 6 ? Arc(v) : std::string(), c == "ar");
    } else if (c == "sh") {
        shade_ = n >= 1 ? std::clamp(v[0], 0.0, 1.0) : 0.5;
    } else if (c == "wh") {
        shade_ = 0;
    } else if (c == "bk") {
        shade_ = 1;
    } else if (c == "tx") {
        shade_ = 0.5;  // a texture as grey, as dvips draws it
    }
    return {};
}

std::string TpicPath::Figure(std::string const& path, bool outline, double dash, bool dotted) {
    std::string out;
    if (!path.empty()) {
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + a
        // temporary string for an overlapping copy (-Wrestrict).
        if (shade_) out.append("q ").append(PdfNumber(1 - *shade_)).append(" g ").append(path).append("f Q\n");
        if (outline) {
            out.append("q ").append(PdfNumber(pen_)).append(" w 1 J 1 j ");
            if (dash > 0) out.append(dotted ? "[0 " : "[").append(PdfNumber(dash)).append("] 0 d ");
            out.append(path).append("S Q\n");
        }
    }
    shade_.reset();
    return out;
}

std::string TpicPath::Polyline() const {
    if (points_.size() < 2) return {};
    std::string path = Pair(points_[0].x, points_[0].y) + " m ";
    for (size_t i = 1; i < points_.size(); ++i) path += Pair(points_[i].x, points_[i].y) + " l ";
    bool const closed =
        points_.size() > 2 && points_.front().x == points_.back().x && points_.front().y == points_.back().y;
    return closed ? path + "h " : path;
}

// tpic's spline: from the first point to the middle of the first side,
// parabolas from middle to middle of the sides touching them there, and on to
// the last point, as dvips draws it.
std::string TpicPath::Spline() const {
    if (points_.size() < 3) return Polyline();
    auto middle = [&](size_t i) {
        return Point{(points_[i].x + points_[i + 1].x) / 2, (points_[i].y + points_[i + 1].y) / 2};
    };
    std::string path = Pair(points_[0].x, points_[0].y) + " m ";
    Point from = middle(0);
    path += Pair(from.x, from.y) + " l ";
    for (size_t i = 1; i + 1 < points_.size(); ++i) {
        Point const control = points_[i], to = middle(i);
        // The parabola as a cubic: its controls two thirds of the way to the parabola's.
        path += Pair(from.x + 2 * (control.x - from.x) / 3, from.y + 2 * (control.y - from.y) / 3) + " " +
                Pair(to.x + 2 * (control.x - to.x) / 3, to.y + 2 * (control.y - to.y) / 3) + " " + Pair(to.x, to.y) +
                " c ";
        from = to;
    }
    return path + Pair(points_.back().x, points_.back().y) + " l ";
}

// The arc in quarter turns at most, each a cubic; angles grow clockwise on
// the page (y down), at most one whole turn.
std::string TpicPath::Arc(double const (&v)[6]) {
    double const cx = v[0], cy = v[1], rx = v[2], ry = v[3];
    double const turn = 2 * std::numbers::pi;
    double start = v[4], sweep = v[5] - v[4];
    if (std::fabs(start) > 1e4 || std::fabs(sweep) > 1e4) return {};
    if (sweep < 0) sweep = std::fmod(sweep, turn) + turn;
    sweep = std::min(sweep, turn);
    bool const whole = sweep >= turn - 1e-3;
    int const pieces = std::max(1, static_cast<int>(std::ceil(sweep / (turn / 4) - 1e-9)));
    double const step = sweep / pieces, k = 4.0 / 3.0 * std::tan(step / 4);
    auto at = [&](double x, double y) {
        return Pair((cx + rx * x) * kBpPerMilliInch, -(cy + ry * y) * kBpPerMilliInch);
    };
    std::string path = at(std::cos(start), std::sin(start)) + " m ";
    for (int i = 0; i < pieces; ++i) {
        double const a = start + i * step, b = a + step;
        double const ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
        path += at(ca - k * sa, sa + k * ca) + " " + at(cb + k * sb, sb - k * cb) + " " + at(cb, sb) + " c ";
    }
    return whole ? path + "h " : path;
}

}  // namespace ksdvi
