#include "text/KsDviSelect.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <optional>

#include "interp/KsDviDrawerBase.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Cdc.h"
#include "text/NativeGlyphText.h"
#include "text/SelectionSpacing.h"
#include "text/TextTransforms.h"

namespace {

using Wide = int64_t;  // sums of page coordinates, which may reach the ends of int

bool Between(Wide value, Wide low, Wide high) { return low <= value && value <= high; }

}  // namespace

// Keeps every character of the page with its box and instruction position.
class KsDviSelect::Drawer : public KsDviDrawerBase {
public:
    DList<CharInfo> chars;
    DList<LineInfo> lines;
    int finished = 0;
    int count = 0;

    void Reset() {
        chars.RemoveAll();
        lines.RemoveAll();
        finished = 0;
        count = 0;
    }
    void CopyLists(Drawer const& other) {
        chars = other.chars;
        lines = other.lines;
        finished = other.finished;
        count = other.count;
    }

    int Open(KsDvi& dvi, int page) override {
        transforms_.emplace(dvi);  // a page begins untransformed
        runTransform_ = {};
        return KsDviDrawerBase::Open(dvi, page);
    }
    int Draw(int n) override {
        if (finished) return 1;
        int done = KsDviDrawerBase::Draw(n);
        if (done) finished = 1;
        if (IsWinFont()) SortWinFontChars();
        if (!done) chars.RemoveAll();
        return done;
    }

protected:
    void PutChar(int h, int v, unsigned short code, int width, int height, int depth) override {
        Add(GetInstOffset(), h, v, code, width, height, depth);
    }
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override {
        ksdvi::PutGlyphCharacters(*GetDvi(), font, glyphs, text,
                                  [this](int position, int h, int v, unsigned short code, int width, int height,
                                         int depth) { Add(position, h, v, code, width, height, depth); });
    }

    // The Windows-font records, except the escapement of command 11.
    void DoSpecial(unsigned int length, InstPtr text) override {
        if (length >= 3 && text.Get()[0] == '#' && text.Get()[1] == 0 && text.Get()[2] == 11) return;
        KsDviDrawerBase::DoSpecial(length, text);
        if (!IsWinFont()) transforms_->Special({reinterpret_cast<char const*>(text.Get()), length}, GetH(), GetV());
    }

private:
    void Add(int position, int h, int v, unsigned short code, int width, int height, int depth) {
        if (code >= 0xF000 && code <= 0xF0FF) code = static_cast<unsigned short>(code - 0xF000);
        if (IsWinFont()) {
            if (code > 0xD7AF) code = 0x20;
            h = ToDevice(h);
            v = ToDevice(v);
            width = ToDevice(width);
            height = ToDevice(height);
            depth = ToDevice(depth);
        }
        if (transforms_->Current() != runTransform_) {
            runTransform_ = transforms_->Current();
            ++run_;
        }
        CharInfo c{h, v, width, height, depth, code, position, false, {}, run_};
        if (!transforms_->IsIdentity()) {
            int left = h, top = static_cast<int>(int64_t(v) - height);
            int across = width, down = static_cast<int>(std::clamp<int64_t>(int64_t(height) + depth, 0, INT_MAX));
            transforms_->Box(left, top, across, down);
            c.transformed = true;
            c.drawn = {left, top, static_cast<int>(Wide(left) + across), static_cast<int>(Wide(top) + down)};
        }
        chars.Append(c);
        ++count;
    }

    // Record units to pixels of the first device that a renderer registered
    // on the document; with none, or no record resolution yet, the values
    // stay in record units.
    int ToDevice(int value) const {
        KsDvi* dvi = GetDvi();
        ksdvi::gdi::CDC* dc = dvi ? dvi->GetDevice(0) : nullptr;
        unsigned r = dvi ? dvi->GetRecordResolution() : 0;
        if (value == 0 || !dc || r == 0) return value;
        return ksdvi::RecordUnitsToPixels(value, dc->GetDeviceCaps(ksdvi::gdi::LOGPIXELSX),
                                          dvi->GetDeviceZoom(0).GetRaw(), r);
    }

    // Characters of one baseline in the order of their left edges, then
    // numbered by baseline and place.
    void SortWinFontChars() {
        std::vector<CharInfo> work(chars.begin(), chars.end());
        for (size_t i = 0; i < work.size(); ++i)
            for (size_t j = i + 1; j < work.size(); ++j)
                if (work[i].baseline == work[j].baseline && work[i].left > work[j].left) std::swap(work[i], work[j]);
        int k = 0;
        int lastB = 0;
        for (size_t i = 0; i < work.size(); ++i) {
            int b = ToDevice(work[i].baseline);
            k = (i == 0 || b != lastB) ? 1 : k + 1;
            lastB = b;
            work[i].position = static_cast<int>(Wide(100) * b + k);
        }
        chars.RemoveAll();
        for (CharInfo const& c : work) chars.Append(c);
    }

    std::optional<ksdvi::TextTransforms> transforms_;
    ksdvi::Affine runTransform_;
    int run_ = 0;
};

KsDviSelect::KsDviSelect() : drawer_(std::make_unique<Drawer>()) {}

KsDviSelect::KsDviSelect(KsDviSelect const& other) : drawer_(std::make_unique<Drawer>()) { *this = other; }

KsDviSelect& KsDviSelect::operator=(KsDviSelect const& other) {
    if (this == &other) return *this;
    drawer_->CopyLists(*other.drawer_);
    curPage_ = other.curPage_;
    start_ = other.start_;
    end_ = other.end_;
    anchorX_ = other.anchorX_;
    anchorY_ = other.anchorY_;
    curX_ = other.curX_;
    curY_ = other.curY_;
    rects_ = other.rects_;
    winFont_ = other.winFont_;
    noText_ = other.noText_;
    return *this;
}

KsDviSelect::~KsDviSelect() = default;

DList<KsDviSelect::CharInfo> const& KsDviSelect::GetCharList() const { return drawer_->chars; }
DList<KsDviSelect::LineInfo> const& KsDviSelect::GetLineList() const { return drawer_->lines; }

int KsDviSelect::Open(KsDvi& dvi, int page) {
    start_ = end_ = -1;
    curPage_ = page;
    winFont_ = dvi.GetWinFont();
    drawer_->Close();
    drawer_->Reset();
    if (!drawer_->Open(dvi, page)) return 0;
    int done = drawer_->Draw(-1);
    BuildLines();
    return done;
}

void KsDviSelect::BuildLines() {
    DList<LineInfo>& lines = drawer_->lines;
    lines.RemoveAll();
    int lastRun = 0;
    for (CharInfo const& c : drawer_->chars) {
        LineInfo* last = lines.IsEmpty() ? nullptr : &lines.GetTail()->value;
        Rectangle const drawn = DrawnBox(c);
        if (last && last->baseline == c.baseline && lastRun == c.run) {
            if (c.position <= last->lastPos) continue;
            last->lastPos = c.position;
            last->right = static_cast<int>(Wide(c.left) + c.width);
            last->height = std::max(last->height, c.height);
            last->depth = std::max(last->depth, c.depth);
            last->drawn = {std::min(last->drawn.left, drawn.left), std::min(last->drawn.top, drawn.top),
                           std::max(last->drawn.right, drawn.right), std::max(last->drawn.bottom, drawn.bottom)};
            continue;
        }
        lines.Append({c.left, static_cast<int>(Wide(c.left) + c.width), c.baseline, c.height, c.depth, c.position,
                      c.position, c.transformed, drawn});
        lastRun = c.run;
    }
}

KsDviSelect::Rectangle KsDviSelect::DrawnBox(CharInfo const& c) {
    if (c.transformed) return c.drawn;
    return {c.left, static_cast<int>(Wide(c.baseline) - c.height), static_cast<int>(Wide(c.left) + c.width),
            static_cast<int>(Wide(c.baseline) + c.depth)};
}

KsDviSelect::Rectangle KsDviSelect::DrawnBox(LineInfo const& line) {
    if (line.transformed) return line.drawn;
    return {line.left, static_cast<int>(Wide(line.baseline) - line.height), line.right,
            static_cast<int>(Wide(line.baseline) + line.depth)};
}

double KsDviSelect::Direction::End(Rectangle const& box) const {
    return std::max({Along(box.left, box.top), Along(box.right, box.top), Along(box.left, box.bottom),
                     Along(box.right, box.bottom)});
}

double KsDviSelect::Direction::Start(Rectangle const& box) const {
    return std::min({Along(box.left, box.top), Along(box.right, box.top), Along(box.left, box.bottom),
                     Along(box.right, box.bottom)});
}

KsDviSelect::Direction KsDviSelect::DirectionOf(LineInfo const& line) const {
    if (!line.transformed) return {};
    CharInfo const *first = FindChar(line.firstPos), *last = FindChar(line.lastPos);
    if (!first || !last) return {};
    Rectangle const from = DrawnBox(*first), to = DrawnBox(*last);
    double const dx = (double(to.left) + to.right - from.left - from.right) / 2;
    double const dy = (double(to.top) + to.bottom - from.top - from.bottom) / 2;
    double const length = std::hypot(dx, dy);
    if (!(length > 0) || !std::isfinite(length)) return {};
    return {dx / length, dy / length};
}

void KsDviSelect::BeginSelect(int x, int y) {
    anchorX_ = curX_ = x;
    anchorY_ = curY_ = y;
}

void KsDviSelect::Empty() { start_ = end_ = anchorX_ = anchorY_ = curX_ = curY_ = -1; }

// The line a point belongs to: the one it lies in, else the nearest beside,
// above or below it, in that order of preference.
KsDviSelect::Hit KsDviSelect::FindLine(int x, int y) {
    noText_ = drawer_->lines.IsEmpty() ? 1 : 0;
    Hit best;
    Wide bestDistance = 0;
    int bestRank = INT_MAX;  // 0 beside, 1 above (the line lies below), 2 below
    for (LineInfo const& line : drawer_->lines) {
        Rectangle const box = DrawnBox(line);
        Wide top = box.top, bottom = box.bottom;
        Side side;
        Wide distance;
        int rank;
        if (Between(y, top, bottom)) {
            if (Between(x, box.left, box.right)) return {&line, Side::Inside};
            side = x > box.right ? Side::Right : Side::Left;
            distance = side == Side::Right ? std::abs(Wide(x) - box.left - 1) : std::abs(Wide(box.right) - x - 1);
            rank = 0;
        } else if (y < top) {
            side = Side::Above;
            distance = top - y + 1;
            rank = 1;
        } else {
            side = Side::Below;
            distance = y - bottom + 1;
            rank = 2;
        }
        // Below candidates tie towards the later line, the others the earlier.
        bool better = rank < bestRank ||
                      (rank == bestRank && (distance < bestDistance || (rank == 2 && distance == bestDistance)));
        if (better) {
            best = {&line, side};
            bestDistance = distance;
            bestRank = rank;
        }
    }
    return best;
}

int KsDviSelect::PosAt(int x, int y, bool forward) {
    Hit hit = FindLine(x, y);
    if (!hit.line) return -1;
    LineInfo const& line = *hit.line;
    Direction const direction = DirectionOf(line);
    double const at = direction.Along(x, y);
    if (line.transformed && (hit.side == Side::Inside || hit.side == Side::Left || hit.side == Side::Right)) {
        // Beside a turned line is before its start or after its end along it.
        Rectangle const box = DrawnBox(line);
        hit.side = at > direction.End(box) ? Side::Right : at < direction.Start(box) ? Side::Left : Side::Inside;
    }
    DList<LineInfo>& lines = drawer_->lines;
    if (hit.side == Side::Right) {
        if (!forward) return line.lastPos;
        for (auto it = lines.begin(); it != lines.end(); ++it)
            if (&*it == &line) return ++it == lines.end() ? -1 : it->firstPos;
        return -1;
    }
    if (hit.side == Side::Left) {
        if (forward) return line.firstPos;
        LineInfo const* before = nullptr;
        for (LineInfo const& l : lines) {
            if (&l == &line) break;
            before = &l;
        }
        return before ? before->lastPos : -1;
    }
    int last = -1;
    for (CharInfo const& c : drawer_->chars) {
        if (c.position < line.firstPos || c.position > line.lastPos) continue;
        Rectangle const box = DrawnBox(c);
        if (Between(x, box.left, box.right) && Between(y, box.top, box.bottom)) return c.position;
        if (direction.End(box) - 1 > at) return forward ? c.position : last;
        last = c.position;
    }
    return forward ? -1 : last;
}

int KsDviSelect::UpdateSelect(int x, int y) {
    curX_ = x;
    curY_ = y;
    LineInfo const* anchorLine = FindLine(anchorX_, anchorY_).line;
    LineInfo const* currentLine = FindLine(x, y).line;
    if (noText_) return 0;
    bool forward = false;
    if (anchorLine == currentLine) {
        Direction const direction = anchorLine ? DirectionOf(*anchorLine) : Direction{};
        forward = direction.Along(anchorX_, anchorY_) < direction.Along(x, y);
    } else {
        forward = (anchorLine ? anchorLine->firstPos : INT_MAX) < (currentLine ? currentLine->firstPos : INT_MAX);
    }
    start_ = PosAt(anchorX_, anchorY_, forward);
    end_ = PosAt(x, y, !forward);
    return 0;
}

bool KsDviSelect::EnsureDrawn() {
    if (drawer_->finished) return true;
    return drawer_->Draw(-1) != 0;
}

int KsDviSelect::GetCharUnderPos(int x, int y) {
    if (!EnsureDrawn()) return -1;
    for (CharInfo const& c : drawer_->chars) {
        Rectangle const box = DrawnBox(c);
        if (Between(x, box.left, box.right) && Between(y, box.top, box.bottom)) return c.position;
    }
    return -1;
}

unsigned short KsDviSelect::GetCharInCommand(int pos) {
    if (!EnsureDrawn()) return 0;
    CharInfo const* c = FindChar(pos);
    return c ? c->code : 0;
}

KsDviSelect::CharInfo const* KsDviSelect::FindChar(int pos) const {
    for (CharInfo const& c : drawer_->chars)
        if (c.position == pos) return &c;
    return nullptr;
}

int KsDviSelect::GetNextCharPos(int pos, int n) const {
    if (n < 0) return n;
    for (CharInfo const& c : drawer_->chars)
        if (c.position >= pos && n-- == 0) return c.position;
    return -1;
}

DList<KsDviSelect::Rectangle>* KsDviSelect::GetSelRect() {
    int lo = std::min(start_, end_), hi = std::max(start_, end_);
    rects_.RemoveAll();
    for (LineInfo const& line : drawer_->lines) {
        if (line.firstPos > hi || line.lastPos < lo) continue;
        if (line.transformed) {
            // The selected characters' drawn boxes together.
            Rectangle r{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
            for (CharInfo const& c : drawer_->chars) {
                if (c.position < std::max(lo, line.firstPos) || c.position > std::min(hi, line.lastPos)) continue;
                Rectangle const box = DrawnBox(c);
                r = {std::min(r.left, box.left), std::min(r.top, box.top), std::max(r.right, box.right),
                     std::max(r.bottom, box.bottom)};
            }
            if (r.left <= r.right) rects_.Append(r);
            continue;
        }
        Rectangle r{line.left, static_cast<int>(Wide(line.baseline) - line.height), line.right,
                    static_cast<int>(Wide(line.baseline) + line.depth)};
        CharInfo const* c;
        if (line.firstPos < lo && (c = FindChar(lo))) r.left = c->left;
        if (line.lastPos > hi && (c = FindChar(hi))) r.right = static_cast<int>(Wide(c->left) + c->width - 1);
        rects_.Append(r);
    }
    return &rects_;
}

String8 KsDviSelect::GetSelectedString() {
    if (IsEmpty()) return String8("");
    if (start_ > end_) std::swap(start_, end_);
    std::string text;
    ksdvi::SpacedChar prev;
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    for (CharInfo const& c : drawer_->chars) {
        if (c.position < start_ || c.position > end_) continue;
        ksdvi::SpacedChar cur{c.left, c.baseline, c.width, c.height, c.code};
        text += ksdvi::SelectionSeparator(prev, cur, winFont_);
        if (c.code == 0) {
            prev = cur;
            continue;
        }
        size_t n = std::wcrtomb(bytes, static_cast<wchar_t>(c.code), &state);
        if (n != static_cast<size_t>(-1))
            text.append(bytes, n);
        else
            state = {};
        prev = cur;
    }
    return String8(text);
}
