#include "PaperNames.h"

#include <paper.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

constexpr char kLandscape[] = "landscape";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// libpaper's table, read once: its functions keep global state.
std::optional<ksdvi::Paper> LibpaperPaper(std::string const& name) {
    static std::once_flag once;
    std::call_once(once, [] { paperinit(); });
    paper const* found = paperinfo(name.c_str());
    if (!found) return std::nullopt;
    // PostScript points to TeX's scaled points.
    auto sp = [](double bp) { return static_cast<int32_t>(std::lround(bp * 72.27 / 72 * 65536)); };
    return ksdvi::Paper{sp(paperpswidth(found)), sp(paperpsheight(found))};
}

}  // namespace

std::optional<ksdvi::Paper> PaperFromOption(std::string const& text) {
    std::string name = Lower(text);
    bool turned = false;
    if (name == kLandscape) {
        name = Lower(SystemPaperName());
        turned = true;
    } else if (size_t at = name.rfind(std::string("-") + kLandscape);
               at != std::string::npos && at + 1 + sizeof kLandscape - 1 == name.size()) {
        name.erase(at);
        turned = true;
    }
    std::optional<ksdvi::Paper> paper;
    if (name == "a4" || name == "letter")
        paper = ksdvi::ParsePaperOption(name);
    else if (!(paper = LibpaperPaper(name)))
        paper = ksdvi::ParsePaperOption(text);  // dimensions keep their case ("PT" is no unit)
    if (paper && turned) std::swap(paper->width, paper->height);
    return paper;
}

std::string SystemPaperName() {
    std::string name;
    if (char* system = systempapername()) {
        name = system;
        std::free(system);
    } else if (char const* fallback = defaultpapername()) {
        name = fallback;
    }
    return name.empty() ? "a4" : name;
}
