#include "device/SvgPathCompactor.h"

#include <charconv>
#include <cmath>

namespace ksdvi {

namespace {

bool IsSeparator(char c) { return c == ' ' || c == ',' || c == '\n' || c == '\r' || c == '\t'; }

// A length in hundredths as SVG's grammar allows it shortest: "1.5", ".05",
// "-2"; a space before it unless its sign or point parts it from the one
// before.
void PutHundredths(std::string& out, long long value, bool& first, bool& lastHasPoint) {
    bool const negative = value < 0;
    unsigned long long const magnitude = negative ? 0ull - static_cast<unsigned long long>(value) : value;
    unsigned long long const whole = magnitude / 100, fraction = magnitude % 100;
    char digits[32];
    char* end = digits;
    if (whole != 0 || fraction == 0) end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
    if (fraction != 0) {
        *end++ = '.';
        *end++ = static_cast<char>('0' + fraction / 10);
        if (fraction % 10 != 0) *end++ = static_cast<char>('0' + fraction % 10);
    }
    bool const parted = negative || (digits[0] == '.' && lastHasPoint);
    if (!first && !parted) out += ' ';
    if (negative) out += '-';
    out.append(digits, end);
    first = false;
    lastHasPoint = fraction != 0;
}

}  // namespace

std::string SvgPathCompactor::Compact(std::string_view d) {
    std::string out;
    out.reserve(d.size() / 2);
    long long x = 0, y = 0, startX = 0, startY = 0;  // the current point and the subpath's start, in hundredths
    char command = 0;
    size_t i = 0;
    auto skip = [&] {
        while (i < d.size() && IsSeparator(d[i])) ++i;
    };
    for (skip(); i < d.size(); skip()) {
        char const c = d[i];
        if (c == 'Z') {
            out += 'z';
            x = startX, y = startY;
            command = 0;
            ++i;
            continue;
        }
        if (c == 'M' || c == 'L' || c == 'C') {
            command = c;
            ++i;
            skip();
        } else if (!command) {
            return std::string(d);
        }
        int const count = command == 'C' ? 6 : 2;
        long long point[6];
        for (int k = 0; k < count; ++k) {
            skip();
            double value = 0;
            auto const [end, error] = std::from_chars(d.data() + i, d.data() + d.size(), value);
            if (error != std::errc() || !std::isfinite(value) || std::fabs(value) > 1e12) return std::string(d);
            i = static_cast<size_t>(end - d.data());
            point[k] = std::llround(value * 100);
        }
        // Relative: every point of a segment from where it begins.
        out += static_cast<char>(command - 'A' + 'a');
        bool first = true, lastHasPoint = false;
        for (int k = 0; k < count; ++k) PutHundredths(out, point[k] - (k % 2 == 0 ? x : y), first, lastHasPoint);
        x = point[count - 2], y = point[count - 1];
        // Points after a moveto's without a command of their own draw lines.
        if (command == 'M') startX = x, startY = y, command = 'L';
    }
    return out;
}

bool SvgPathCompactor::Write(std::string_view piece) {
    while (!piece.empty()) {
        size_t const quote = piece.find('"');
        std::string_view const before = piece.substr(0, quote);
        (inPath_ ? path_ : text_).append(before);
        if (quote == std::string_view::npos) {
            for (char c : before.substr(before.size() > 3 ? before.size() - 3 : 0))
                last_[0] = last_[1], last_[1] = last_[2], last_[2] = c;
            break;
        }
        for (char c : before.substr(before.size() > 3 ? before.size() - 3 : 0))
            last_[0] = last_[1], last_[1] = last_[2], last_[2] = c;
        if (inPath_) {
            text_ += Compact(path_);
            path_.clear();
            inPath_ = false;
        } else {
            inPath_ = last_[0] == ' ' && last_[1] == 'd' && last_[2] == '=';
        }
        text_ += '"';
        last_[0] = last_[1], last_[1] = last_[2], last_[2] = '"';
        piece.remove_prefix(quote + 1);
    }
    bool const written = std::fwrite(text_.data(), 1, text_.size(), out_) == text_.size();
    text_.clear();
    return written;
}

void SvgPathCompactor::Finish() {
    std::fwrite(path_.data(), 1, path_.size(), out_);
    path_.clear();
    inPath_ = false;
}

}  // namespace ksdvi
