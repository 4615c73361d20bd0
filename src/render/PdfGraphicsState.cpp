#include "render/PdfGraphicsState.h"

#include <algorithm>
#include <cmath>

#include "specials/DvipsColour.h"
#include "specials/PdfObjects.h"
#include "specials/PdfSpecials.h"
#include "specials/SpotColours.h"
#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Each entry of `dictionary` whose value holds a numeric /ca names that
// opacity; nested dictionaries are searched too (the reader bounds the depth).
void CollectOpacities(PdfObject const& dictionary, std::unordered_map<std::string, double>& names) {
    for (std::size_t i = 0; i + 1 < dictionary.items.size(); i += 2) {
        PdfObject const& value = dictionary.items[i + 1];
        if (value.type != PdfObject::Type::Dictionary) continue;
        PdfObject const* ca = value.Find("ca");
        if (ca && ca->type == PdfObject::Type::Number && names.size() < PdfGraphicsState::kMostNames)
            names[dictionary.items[i].text] = std::clamp(ca->number, 0.0, 1.0);
        CollectOpacities(value, names);
    }
}

Affine Translation(double x, double y) { return {1, 0, 0, 1, x, y}; }

}  // namespace

void PdfGraphicsState::Define(std::string_view special) {
    // Cheap refusal first: most definitions (forms, streams) name no opacity.
    if (special.find("/ca") == std::string_view::npos) return;
    std::vector<PdfToken> const tokens = PdfTokens(special);
    if (tokens.empty() || (tokens[0].text != "put" && tokens[0].text != "obj" && tokens[0].text != "object")) return;
    PdfObjectReader reader(tokens, 1, tokens.size());
    PdfObject object;
    while (reader.Read(object))
        if (object.type == PdfObject::Type::Dictionary) CollectOpacities(object, names_);
}

void PdfGraphicsState::Transform(PdfSpecial const& special, double x, double y) {
    using Kind = PdfSpecial::Kind;
    if (special.kind == Kind::TransformEnd) return Restore();
    if (special.kind != Kind::TransformStart && special.kind != Kind::Transform) return;
    if (special.kind == Kind::TransformStart) {
        if (saved_.size() >= kMostSaved) return;
        Save();
    }
    auto const [ox, oy] = origins_.empty() ? std::pair{0.0, 0.0} : origins_.back();
    Concat(FromPdfMatrix(special.matrix, dpiX_, dpiY_), x - ox, y - oy);
}

void PdfGraphicsState::Content(std::string_view keyword, std::string_view operators, double x, double y) {
    auto const [ox, oy] = origins_.empty() ? std::pair{0.0, 0.0} : origins_.back();
    if (keyword == "bcontent") {
        // As dvipdfmx: q and the origin moved to the current point.
        Save();
        state_.ctm = Translation(x - ox, y - oy).Then(state_.ctm);
        if (origins_.size() < kMostSaved) origins_.push_back({x, y});
    } else if (keyword == "econtent") {
        Restore();
        if (!origins_.empty()) origins_.pop_back();
    } else if (keyword == "code") {
        Operators(operators);
    } else if (keyword == "literal") {
        // About the current point, unless direct.
        std::size_t start = operators.find_first_not_of(" \t\r\n");
        if (start != std::string_view::npos && operators.substr(start, 6) == "direct") {
            Operators(operators.substr(start + 6));
        } else {
            state_.ctm = Translation(x - ox, y - oy).Then(state_.ctm);
            Operators(operators);
            state_.ctm = Translation(ox - x, oy - y).Then(state_.ctm);
        }
    }
    // content is drawn within q ... Q: what it sets goes with it.
}

void PdfGraphicsState::Operators(std::string_view operators) {
    std::vector<PdfToken> const tokens = PdfTokens(operators);
    // The numbers before operator `i`, nothing when they are fewer or none.
    double n[6];
    auto numbers = [&](std::size_t i, int count) {
        if (i < std::size_t(count)) return false;
        for (int k = 0; k < count; ++k) {
            std::optional<double> const number = FiniteNumber(tokens[i - std::size_t(count) + std::size_t(k)].text);
            // Numbers a page may hold: nothing turns TeX's characters past the int range.
            if (!number || !(std::fabs(*number) < 1e5)) return false;
            n[k] = *number;
        }
        return true;
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        PdfToken const& token = tokens[i];
        if (token.type != PdfToken::Type::Word) continue;
        std::string const& op = token.text;
        if ((op == "m" || op == "l") && numbers(i, 2)) {
            PathPoint(n[0], n[1]);
        } else if (op == "c" && numbers(i, 6)) {
            for (int k = 0; k < 6; k += 2) PathPoint(n[k], n[k + 1]);  // a curve lies within its control points
        } else if ((op == "v" || op == "y") && numbers(i, 4)) {
            PathPoint(n[0], n[1]), PathPoint(n[2], n[3]);
        } else if (op == "re" && numbers(i, 4)) {
            PathPoint(n[0], n[1]), PathPoint(n[0] + n[2], n[1] + n[3]);
            PathPoint(n[0] + n[2], n[1]), PathPoint(n[0], n[1] + n[3]);
        } else if (op == "W" || op == "W*") {
            clipAsked_ = true;
        } else if (op == "n" || op == "S" || op == "s" || op == "f" || op == "F" || op == "f*" || op == "B" ||
                   op == "B*" || op == "b" || op == "b*") {
            EndPath();
        } else if (op == "q") {
            Save();
        } else if (op == "Q") {
            Restore();
        } else if (op == "gs" && i > 0 && tokens[i - 1].type == PdfToken::Type::Name) {
            auto found = names_.find(tokens[i - 1].text);
            if (found != names_.end()) state_.opacity = found->second;
        } else if (op == "cm" && numbers(i, 6)) {
            Concat(FromPdfMatrix(n, dpiX_, dpiY_), 0, 0);
        } else if ((op == "g" || op == "rg" || op == "k") && numbers(i, op == "g" ? 1 : op == "rg" ? 3 : 4)) {
            state_.fillSpace = op == "g" ? "DeviceGray" : op == "rg" ? "DeviceRGB" : "DeviceCMYK";
            SetFillComponents(n, DeviceSpaceComponents(state_.fillSpace));
        } else if (op == "cs" && i > 0 && tokens[i - 1].type == PdfToken::Type::Name) {
            // A space's initial colour: black, or a spot at its full tint.
            state_.fillSpace = tokens[i - 1].text;
            std::size_t const components = DeviceSpaceComponents(state_.fillSpace);
            double const black[4] = {0, 0, 0, components == 4 ? 1.0 : 0.0}, full = 1;
            SetFillComponents(components ? black : &full, components ? components : 1);
        } else if (op == "sc" || op == "scn") {
            std::size_t count = 0;
            while (count < 4 && count < i && FiniteNumber(tokens[i - count - 1].text)) ++count;
            if (count > 0 && numbers(i, static_cast<int>(count))) SetFillComponents(n, count);
        }
    }
}

void PdfGraphicsState::SetFillComponents(double const* n, std::size_t count) {
    std::size_t const components = DeviceSpaceComponents(state_.fillSpace);
    std::optional<unsigned int> colour;
    if (components == count)
        colour = DeviceColour(n, count, spots_);
    else if (components == 0 && count == 1 && spots_)  // any other space is a spot's, when the document defined it so
        colour = spots_->Colour(state_.fillSpace, n[0]);
    if (colour) state_.fill = *colour;
}

void PdfGraphicsState::PathPoint(double x, double y) {
    double px = 0, py = 0;
    state_.ctm.Apply(x * dpiX_ / 72, -y * dpiY_ / 72, px, py);
    if (!path_) path_ = Box{px, py, px, py};
    Box& b = *path_;
    b = {std::min(b[0], px), std::min(b[1], py), std::max(b[2], px), std::max(b[3], py)};
}

void PdfGraphicsState::EndPath() {
    if (clipAsked_ && path_) {
        Box const& b = *path_;
        Box const& c = state_.clip.value_or(b);
        state_.clip = Box{std::max(b[0], c[0]), std::max(b[1], c[1]), std::min(b[2], c[2]), std::min(b[3], c[3])};
    }
    path_.reset();
    clipAsked_ = false;
}

void PdfGraphicsState::Concat(Affine const& matrix, double atX, double atY) {
    state_.ctm = matrix.About(atX, atY).Then(state_.ctm);
}

void PdfGraphicsState::Save() {
    if (saved_.size() < kMostSaved) saved_.push_back(state_);
}

void PdfGraphicsState::Restore() {
    if (saved_.empty()) return;  // an unmatched Q leaves the state
    state_ = saved_.back();
    saved_.pop_back();
}

void PdfGraphicsState::BeginPage() {
    state_ = State{};
    saved_.clear();
    origins_.clear();
    path_.reset();
    clipAsked_ = false;
}

Affine PdfGraphicsState::World() const {
    auto const [ox, oy] = origins_.empty() ? std::pair{0.0, 0.0} : origins_.back();
    return Translation(-ox, -oy).Then(state_.ctm);
}

}  // namespace ksdvi
