#include "device/SvgCompactor.h"

#include <charconv>
#include <cmath>
#include <optional>

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

// A stop as Cairo writes it, a line of its own:
// <stop offset="0.5" style="stop-color:rgb(100%,50%,0%);stop-opacity:1;"/>
std::optional<ColourStop> ReadStop(std::string_view line) {
    auto literal = [&](std::string_view text) {
        if (!line.starts_with(text)) return false;
        line.remove_prefix(text.size());
        return true;
    };
    auto number = [&](double& value, double scale) {
        auto const [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        if (error != std::errc() || !std::isfinite(value)) return false;
        value /= scale;
        line.remove_prefix(static_cast<size_t>(end - line.data()));
        return true;
    };
    ColourStop stop;
    if (literal("<stop offset=\"") && number(stop.offset, 1) && literal("\" style=\"stop-color:rgb(") &&
        number(stop.channel[0], 100) && literal("%,") && number(stop.channel[1], 100) && literal("%,") &&
        number(stop.channel[2], 100) && literal("%);stop-opacity:") && number(stop.channel[3], 1) && literal(";\"/>") &&
        (line == "\n" || line == "\r\n"))
        return stop;
    return std::nullopt;
}

}  // namespace

std::string SvgCompactor::Compact(std::string_view d) {
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

bool SvgCompactor::Write(std::string_view piece) {
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
    std::string ready;
    TakeLines(text_, ready);
    text_.clear();
    return std::fwrite(ready.data(), 1, ready.size(), out_) == ready.size();
}

void SvgCompactor::TakeLines(std::string_view text, std::string& ready) {
    while (!text.empty()) {
        size_t const end = text.find('\n');
        if (end == std::string_view::npos) {
            line_.append(text);
            return;
        }
        line_.append(text.substr(0, end + 1));
        text.remove_prefix(end + 1);
        if (std::optional<ColourStop> const stop = ReadStop(line_)) {
            stops_.push_back(*stop);
            stopLines_.push_back(std::move(line_));
        } else {
            PutStops(ready);
            ready += line_;
        }
        line_.clear();
    }
}

void SvgCompactor::PutStops(std::string& ready) {
    if (!stops_.empty())
        for (size_t const kept : StopsToKeep(stops_, 4)) ready += stopLines_[kept];
    stops_.clear();
    stopLines_.clear();
}

void SvgCompactor::Finish() {
    std::string ready;
    PutStops(ready);
    ready += line_;
    ready += path_;
    std::fwrite(ready.data(), 1, ready.size(), out_);
    line_.clear();
    path_.clear();
    inPath_ = false;
}

}  // namespace ksdvi
