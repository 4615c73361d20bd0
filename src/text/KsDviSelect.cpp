#include "text/KsDviSelect.h"

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cwchar>

#include "interp/KsDviDrawerBase.h"
#include "page/PixelMapping.h"
#include "platform/gdi/Cdc.h"
#include "text/NativeGlyphText.h"
#include "text/SelectionSpacing.h"

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
        if (code >= 0xF000 && code <= 0xF0FF) code = static_cast<unsigned short>(code - 0xF000);
        if (IsWinFont()) {
            if (code > 0xD7AF) code = 0x20;
            h = ToDevice(h);
            v = ToDevice(v);
            width = ToDevice(width);
            height = ToDevice(height);
            depth = ToDevice(depth);
        }
        chars.Append({h, v, width, height, depth, code, GetInstOffset()});
        ++count;
    }
    void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                   std::u16string const& text) override {
        ksdvi::PutGlyphCharacters(*GetDvi(), font, glyphs, text,
                                  [this](int h, int v, unsigned short code, int width, int height, int depth) {
                                      PutChar(h, v, code, width, height, depth);
                                  });
    }

    // The Windows-font records, except the escapement of command 11.
    void DoSpecial(unsigned int length, InstPtr text) override {
        if (length >= 3 && text.Get()[0] == '#' && text.Get()[1] == 0 && text.Get()[2] == 11) return;
        KsDviDrawerBase::DoSpecial(length, text);
    }

private:
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
    if (!drawer_->KsDviDrawerBase::Open(dvi, page)) return 0;
    int done = drawer_->Draw(-1);
    BuildLines();
    return done;
}

void KsDviSelect::BuildLines() {
    DList<LineInfo>& lines = drawer_->lines;
    lines.RemoveAll();
    for (CharInfo const& c : drawer_->chars) {
        LineInfo* last = lines.IsEmpty() ? nullptr : &lines.GetTail()->value;
        if (last && last->baseline == c.baseline) {
            if (c.position <= last->lastPos) continue;
            last->lastPos = c.position;
            last->right = static_cast<int>(Wide(c.left) + c.width);
            last->height = std::max(last->height, c.height);
            last->depth = std::max(last->depth, c.depth);
            continue;
        }
        lines.Append(
            {c.left, static_cast<int>(Wide(c.left) + c.width), c.baseline, c.height, c.depth, c.position, c.position});
    }
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
        Wide top = Wide(line.baseline) - line.height, bottom = Wide(line.baseline) + line.depth;
        Side side;
        Wide distance;
        int rank;
        if (Between(y, top, bottom)) {
            if (Between(x, line.left, line.right)) return {&line, Side::Inside};
            side = x > line.right ? Side::Right : Side::Left;
            distance = side == Side::Right ? std::abs(Wide(x) - line.left - 1) : std::abs(Wide(line.right) - x - 1);
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
        if (Between(x, c.left, Wide(c.left) + c.width) &&
            Between(y, Wide(c.baseline) - c.height, Wide(c.baseline) + c.depth))
            return c.position;
        if (Wide(c.left) + c.width - 1 > x) return forward ? c.position : last;
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
    bool forward = anchorLine == currentLine ? anchorX_ < x
                                             : (anchorLine ? anchorLine->firstPos : INT_MAX) <
                                                   (currentLine ? currentLine->firstPos : INT_MAX);
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
    for (CharInfo const& c : drawer_->chars)
        if (Between(x, c.left, Wide(c.left) + c.width) &&
            Between(y, Wide(c.baseline) - c.height, Wide(c.baseline) + c.depth))
            return c.position;
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
