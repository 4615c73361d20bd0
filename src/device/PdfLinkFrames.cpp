#include "device/PdfLinkFrames.h"

#include <array>
#include <cmath>
#include <optional>

#include "stream/NumberText.h"

namespace ksdvi {

namespace {

// Cairo's /Rect is the links' box rounded out to whole points.
constexpr double kRectSlack = 1.5;

// The four numbers of the body's /Rect [...].
std::optional<std::array<double, 4>> RectOf(std::string_view body) {
    size_t at = body.find("/Rect");
    if (at == std::string_view::npos) return std::nullopt;
    at = body.find('[', at);
    size_t const end = body.find(']', at);
    if (at == std::string_view::npos || end == std::string_view::npos) return std::nullopt;
    std::string_view numbers = body.substr(at + 1, end - at - 1);
    std::array<double, 4> rect{};
    for (double& value : rect) {
        std::optional<double> const number = TakeNumber(numbers);
        if (!number) return std::nullopt;
        value = *number;
    }
    return rect;
}

bool Matches(LinkFrame const& frame, std::array<double, 4> const& rect) {
    return std::fabs(frame.left - rect[0]) <= kRectSlack && std::fabs(frame.bottom - rect[1]) <= kRectSlack &&
           std::fabs(frame.right - rect[2]) <= kRectSlack && std::fabs(frame.top - rect[3]) <= kRectSlack;
}

void PutNumbers(std::string& out, std::vector<double> const& numbers) {
    out += '[';
    for (double value : numbers) out += ' ' + GeneralNumber(value, 4);
    out += " ]";
}

// The annotation's body with its frame: /Border and /C in place of Cairo's
// /BS, which would override them.
std::string Framed(std::string_view body, LinkBorder const& border) {
    constexpr std::string_view kNoFrame = "/BS << /W 0 >>";
    std::string out(body);
    if (size_t at = out.find(kNoFrame); at != std::string::npos) out.erase(at, kNoFrame.size());
    size_t const close = out.rfind(">>");
    std::string frame = "/Border ";
    std::vector<double> array = {0, 0, border.width};
    PutNumbers(frame, array);
    if (!border.dash.empty()) {
        frame.pop_back();  // the dashes go inside the array
        PutNumbers(frame, border.dash);
        frame += " ]";
    }
    frame += " /C ";
    PutNumbers(frame, border.colour);
    out.insert(close, frame + "\n");
    return out;
}

}  // namespace

void FrameLinks(std::vector<std::string_view>& bodies, std::deque<std::string>& storage,
                std::vector<LinkFrame> const& frames) {
    size_t next = 0;
    for (std::string_view& body : bodies) {
        if (next >= frames.size()) return;
        if (!body.starts_with("<< /Type /Annot") || body.find("/Subtype /Link") == std::string_view::npos ||
            !body.ends_with(">>"))
            continue;
        std::optional<std::array<double, 4>> const rect = RectOf(body);
        if (!rect) continue;
        size_t match = next;
        while (match < frames.size() && !Matches(frames[match], *rect)) ++match;
        if (match == frames.size()) continue;
        next = match + 1;
        if (frames[match].border.Shown()) body = storage.emplace_back(Framed(body, frames[match].border));
    }
}

}  // namespace ksdvi
