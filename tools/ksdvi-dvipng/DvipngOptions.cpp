#include "DvipngOptions.h"

#include <charconv>
#include <climits>
#include <cstdlib>

#include "specials/SpecialParsing.h"

namespace {

bool ParseInt(std::string const& text, int& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseNumber(std::string const& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size();
}

// A TeX dimension, signed ("-.3cm", "1in").
std::optional<int32_t> Dimension(std::string text) {
    bool negative = !text.empty() && text[0] == '-';
    if (negative) text.erase(0, 1);
    std::vector<unsigned char> bytes(text.begin(), text.end());
    bytes.push_back(0);
    int sp = 0;
    unsigned char* end = getdimen(bytes.data(), &sp);
    if (!end || *end != 0 || sp < 0) return std::nullopt;
    return negative ? -sp : sp;
}

std::optional<std::pair<int32_t, int32_t>> DimensionPair(std::string const& text) {
    size_t comma = text.find(',');
    if (comma == std::string::npos) return std::nullopt;
    auto x = Dimension(text.substr(0, comma));
    auto y = Dimension(text.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return std::make_pair(*x, *y);
}

std::optional<PageBound> ParseBound(std::string text) {
    PageBound bound;
    if (!text.empty() && text[0] == '=') {
        bound.physical = true;
        text.erase(0, 1);
    }
    if (!ParseInt(text, bound.number)) return std::nullopt;
    return bound;
}

// A flag's value: on, or off with a trailing 0 (dvipng's `*` options).
std::optional<bool> FlagValue(std::string const& rest) {
    if (rest.empty() || rest == "*" || rest == "1") return true;
    if (rest == "0") return false;
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<TeXPageRange>> ParseTeXPageRanges(std::string const& text) {
    std::vector<TeXPageRange> ranges;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        size_t split = item.find(':');
        if (split == std::string::npos && item.size() > 1) split = item.find('-', 1);
        if (split == std::string::npos && !item.empty() && item[0] == '-') split = 0;
        TeXPageRange range{INT_MIN, INT_MAX};
        if (split == std::string::npos) {
            if (!ParseInt(item, range.first)) return std::nullopt;
            range.last = range.first;
        } else {
            std::string from = item.substr(0, split), to = item.substr(split + 1);
            if (from.empty() && to.empty()) return std::nullopt;
            if (!from.empty() && !ParseInt(from, range.first)) return std::nullopt;
            if (!to.empty() && !ParseInt(to, range.last)) return std::nullopt;
        }
        ranges.push_back(range);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return ranges;
}

std::optional<DvipngOptions> ParseDvipngOptions(std::vector<std::string> const& args, std::string& error) {
    DvipngOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string const& arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            if (arg == "-") {
                o.ignored.push_back(arg);  // options from standard input
                continue;
            }
            if (!o.file.empty()) {
                error = "more than one DVI file: '" + o.file + "' and '" + arg + "'";
                return std::nullopt;
            }
            o.file = arg;
            continue;
        }
        // Long options take one dash or two, as dvipng does.
        std::string const name = arg.substr(arg[1] == '-' ? 2 : 1);
        // The option's value: joined to it (after `joined` characters of the
        // name) or the next argument.
        auto value = [&](size_t joined, std::string& out) {
            if (name.size() > joined) {
                out = name.substr(joined);
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto starts = [&](char const* word) { return name.rfind(word, 0) == 0; };
        auto flag = [&](char const* word, bool& target) {
            size_t n = std::string(word).size();
            if (!starts(word)) return false;
            auto on = FlagValue(name.substr(n));
            if (!on) return false;
            target = *on;
            return true;
        };
        std::string v;
        bool ignoredFlag = false;
        if (name == "version") {
            o.version = true;
        } else if (name == "help") {
            o.help = true;
        } else if (flag("depth", o.depth) || flag("height", o.height) || flag("width", o.width) ||
                   flag("picky", o.picky) || flag("strict", o.strict)) {
        } else if (starts("gamma")) {
            if (!value(5, v)) return std::nullopt;
            if (!ParseNumber(v, o.colours.gamma) || !(o.colours.gamma > 0)) {
                error = "bad gamma '" + v + "' (a number above 0)";
                return std::nullopt;
            }
        } else if (flag("png", ignoredFlag)) {
            // PNG is what ksdvi-dvipng writes.
        } else if (starts("bg")) {
            if (!value(2, v)) return std::nullopt;
            if (v.rfind("Transparent", 0) == 0) {
                o.colours.transparency = ksdvi::ImageColours::Transparency::Alpha;
            } else if (v.rfind("transparent", 0) == 0) {
                o.colours.transparency = ksdvi::ImageColours::Transparency::Binary;
            } else if (auto colour = ksdvi::ParseColourOption(v)) {
                o.colours.background = *colour;
            } else {
                error = "bad background colour '" + v + "'";
                return std::nullopt;
            }
        } else if (starts("fg")) {
            if (!value(2, v)) return std::nullopt;
            auto colour = ksdvi::ParseColourOption(v);
            if (!colour) {
                error = "bad foreground colour '" + v + "'";
                return std::nullopt;
            }
            o.colours.foreground = *colour;
        } else if (starts("pp")) {
            if (!value(2, v)) return std::nullopt;
            auto ranges = ParseTeXPageRanges(v);
            if (!ranges) {
                error = "bad page list '" + v + "' (-pp)";
                return std::nullopt;
            }
            o.pageRanges.insert(o.pageRanges.end(), ranges->begin(), ranges->end());
        } else if (starts("bd") || starts("bdpi") || starts("mode")) {
            // Transparent borders, METAFONT modes and resolutions: values ignored.
            if (!value(starts("bdpi") ? 4 : starts("mode") ? 4 : 2, v)) return std::nullopt;
            o.ignored.push_back(arg);
        } else if (starts("follow") || starts("freetype") || starts("dvinum") || starts("nogssafer") ||
                   starts("nogs") || starts("norawps") || starts("palette") || starts("truecolor") || starts("gif") ||
                   starts("noghostscript")) {
            o.ignored.push_back(arg);
        } else if (arg[1] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else {
            switch (name[0]) {
            case 'D':
                if (!value(1, v)) return std::nullopt;
                if (!ParseInt(v, o.dpi) || o.dpi < 10 || o.dpi > 10000) {
                    error = "bad resolution '" + v + "' (-D, 10 to 10000 dpi)";
                    return std::nullopt;
                }
                break;
            case 'T':
                if (!value(1, v)) return std::nullopt;
                if (v == "tight") {
                    o.size.kind = ksdvi::ImageSize::Kind::Tight;
                } else if (v == "bbox") {
                    o.size.kind = ksdvi::ImageSize::Kind::Bbox;
                } else if (auto pair = DimensionPair(v); pair && pair->first > 0 && pair->second > 0) {
                    o.size.kind = ksdvi::ImageSize::Kind::Fixed;
                    o.size.width = pair->first;
                    o.size.height = pair->second;
                } else {
                    error = "bad image size '" + v + "' (-T tight, bbox or W,H such as 3in,2cm)";
                    return std::nullopt;
                }
                break;
            case 'O': {
                if (!value(1, v)) return std::nullopt;
                auto pair = DimensionPair(v);
                if (!pair) {
                    error = "bad offset '" + v + "' (-O X,Y such as .1in,-.3cm)";
                    return std::nullopt;
                }
                o.offsetX = pair->first;
                o.offsetY = pair->second;
                break;
            }
            case 'o':
                if (!value(1, v)) return std::nullopt;
                o.output = v;
                break;
            case 'p':
            case 'l': {
                if (!value(1, v)) return std::nullopt;
                auto bound = ParseBound(v);
                if (!bound) {
                    error = "bad page number '" + v + "' (" + arg.substr(0, 2) + ")";
                    return std::nullopt;
                }
                (name[0] == 'p' ? o.first : o.last) = bound;
                break;
            }
            case 'q':
            case 'v': {
                auto on = FlagValue(name.substr(1));
                if (!on) {
                    error = "unknown option " + arg;
                    return std::nullopt;
                }
                o.quiet = name[0] == 'q' ? *on : !*on;
                break;
            }
            case 'z':
                if (!value(1, v)) return std::nullopt;
                if (!ParseInt(v, o.compression) || o.compression < 0 || o.compression > 9) {
                    error = "bad compression level '" + v + "' (-z, 0 to 9)";
                    return std::nullopt;
                }
                break;
            case 'x':
            case 'y': {
                if (!value(1, v)) return std::nullopt;
                double mag = 0;
                if (!ParseNumber(v, mag) || mag < 10 || mag > 100000) {
                    error = "bad magnification '" + v + "' (-x, 10 to 100000)";
                    return std::nullopt;
                }
                o.magnification = static_cast<int>(mag);
                break;
            }
            case 'd':
            case 'Q':
            case 't':
                // Debugging, PK quality and the paper of crop marks.
                if (!value(1, v)) return std::nullopt;
                o.ignored.push_back(arg);
                break;
            case 'M':
            case 'r': o.ignored.push_back(arg); break;
            default: error = "unknown option " + arg; return std::nullopt;
            }
        }
    }
    if (o.file.empty() && !o.version && !o.help) {
        error = "no DVI file given";
        return std::nullopt;
    }
    // dvipng 1.15 puts the origin of -T W,H at the image's corner unless -O
    // places it (its manual says an inch in; the program does not).
    o.size.offsetX = o.offsetX;
    o.size.offsetY = o.offsetY;
    return o;
}
