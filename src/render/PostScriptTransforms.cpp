#include "render/PostScriptTransforms.h"

#include <cmath>
#include <numbers>
#include <string>

#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Stacks of graphics states and operands real code never comes near.
constexpr size_t kDeepest = 1000;

// PostScript's white space, NUL included.
bool IsWhite(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

}  // namespace

bool PostScriptTransforms::Prepend(Affine const& t) {
    Affine ctm = t.Then(state_.ctm);
    for (double v : {ctm.a, ctm.b, ctm.c, ctm.d, ctm.e, ctm.f})
        if (!std::isfinite(v)) return false;
    state_.ctm = ctm;
    return true;
}

bool PostScriptTransforms::Pop(double& v) {
    if (stack_.empty()) return false;
    v = stack_.back();
    stack_.pop_back();
    return std::isfinite(v);
}

void PostScriptTransforms::MoveTo(double x, double y) {
    state_.hasPoint = true;
    state_.ctm.Apply(x, y, state_.x, state_.y);
}

bool PostScriptTransforms::Run(std::string_view code) {
    size_t i = 0;
    while (i < code.size()) {
        while (i < code.size() && IsWhite(code[i])) ++i;
        if (i < code.size() && code[i] == '%') {  // a comment to the end of the line
            while (i < code.size() && code[i] != '\n' && code[i] != '\r') ++i;
            continue;
        }
        size_t start = i;
        while (i < code.size() && !IsWhite(code[i]) && code[i] != '%') ++i;
        if (i == start) continue;
        std::string token(code.substr(start, i - start));
        if (std::optional<double> const number = FiniteNumber(token)) {
            if (stack_.size() >= kDeepest) return false;
            stack_.push_back(*number);
        } else if (!Operator(token)) {
            return false;
        }
    }
    return true;
}

bool PostScriptTransforms::Operator(std::string_view op) {
    double a, b;
    auto push = [&](double v) {
        if (stack_.size() >= kDeepest) return false;
        stack_.push_back(v);
        return true;
    };
    if (op == "gsave") {
        if (saved_.size() >= kDeepest) return false;
        saved_.push_back(state_);
        return true;
    }
    if (op == "grestore") {
        if (!saved_.empty()) {  // an unmatched grestore leaves the state, as PostScript does
            state_ = saved_.back();
            saved_.pop_back();
        }
        return true;
    }
    // The null device takes what is drawn until grestore puts the page back.
    if (op == "nulldevice") {
        state_.invisible = true;
        return true;
    }
    if (op == "newpath") {
        state_.hasPoint = false;
        return true;
    }
    if (op == "currentpoint") {
        if (!state_.hasPoint) return false;
        double x, y;
        state_.ctm.Inverse().Apply(state_.x, state_.y, x, y);
        return push(x) && push(y);
    }
    if (op == "moveto" || op == "rmoveto") {
        if (!Pop(b) || !Pop(a)) return false;
        if (op == "rmoveto") {
            if (!state_.hasPoint) return false;
            double x, y;
            state_.ctm.Inverse().Apply(state_.x, state_.y, x, y);
            a += x, b += y;
        }
        MoveTo(a, b);
        return true;
    }
    if (op == "translate") {
        if (!Pop(b) || !Pop(a)) return false;
        return Prepend(Affine{1, 0, 0, 1, a, b});
    }
    if (op == "scale") {
        if (!Pop(b) || !Pop(a)) return false;
        return Prepend(Affine{a, 0, 0, b, 0, 0});
    }
    if (op == "rotate") {
        if (!Pop(a)) return false;
        double r = a * std::numbers::pi / 180, c = std::cos(r), s = std::sin(r);
        return Prepend(Affine{c, s, -s, c, 0, 0});
    }
    if (op == "Resolution") return push(dpiX_);
    if (op == "VResolution") return push(dpiY_);
    if (op == "neg") return Pop(a) && push(-a);
    if (op == "dup") return Pop(a) && push(a) && push(a);
    if (op == "pop") return Pop(a);
    if (op == "exch") return Pop(b) && Pop(a) && push(b) && push(a);
    if (op == "add") return Pop(b) && Pop(a) && push(a + b);
    if (op == "sub") return Pop(b) && Pop(a) && push(a - b);
    if (op == "mul") return Pop(b) && Pop(a) && push(a * b);
    if (op == "div") return Pop(b) && Pop(a) && b != 0 && push(a / b);
    return false;
}

}  // namespace ksdvi
