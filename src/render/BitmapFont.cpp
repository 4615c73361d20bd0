#include "render/BitmapFont.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <mutex>

#include "font/PkFont.h"

namespace ksdvi {

namespace {

// Rounds toward minus infinity, as pixel columns of negative offsets need.
int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// A PK character's pixels summed into cells of shrink x shrink. In PK the
// reference point is the lower left corner of pixel (hoff, voff).
gdi::Glyph Shrink(PkFont::Char const& c, int s) {
    gdi::Glyph g;
    if (c.width <= 0 || c.height <= 0) return g;
    int const x0 = -c.hoff, y0 = -(c.voff + 1);  // the bitmap's corner from the reference point
    int const left = FloorDiv(x0, s), top = FloorDiv(y0, s);
    g.left = left;
    g.top = -top;
    g.width = FloorDiv(x0 + c.width - 1, s) - left + 1;
    g.rows = FloorDiv(y0 + c.height - 1, s) - top + 1;
    std::vector<unsigned> sums(size_t(g.width) * size_t(g.rows), 0);
    // The cell of each column, worked out once: a font may hold millions of pixels.
    std::vector<unsigned> cells(size_t(c.width));
    for (int x = 0; x < c.width; ++x) cells[size_t(x)] = unsigned(FloorDiv(x0 + x, s) - left);
    for (int y = 0; y < c.height; ++y) {
        unsigned* row = &sums[size_t(FloorDiv(y0 + y, s) - top) * size_t(g.width)];
        uint8_t const* pixels = &c.pixels[size_t(y) * size_t(c.width)];
        for (size_t x = 0; x < cells.size(); ++x) row[cells[x]] += pixels[x] != 0;
    }
    unsigned const cell = unsigned(s * s);
    g.coverage.resize(sums.size());
    for (size_t i = 0; i < sums.size(); ++i) g.coverage[i] = uint8_t((sums[i] * 255 + cell / 2) / cell);
    return g;
}

int ShrinkInRange(int shrink) { return shrink < 1 || shrink > 16 ? 1 : shrink; }

// Recently used fonts stay loaded: pages of one document ask for the same ones.
struct Cache {
    std::mutex lock;
    std::map<std::pair<std::string, int>, std::shared_ptr<BitmapFont const>> fonts;
    std::deque<std::pair<std::string, int>> order;
    static constexpr size_t kKept = 64;

    static Cache& Instance() {
        static Cache cache;
        return cache;
    }
};

}  // namespace

int BitmapShrinkFor(double deviceDpi) { return deviceDpi <= 300 ? 4 : deviceDpi <= 600 ? 2 : 1; }

std::shared_ptr<BitmapFont const> BitmapFont::Make(PkFont const& pk, int shrink) {
    shrink = ShrinkInRange(shrink);
    auto font = std::make_shared<BitmapFont>();
    font->shrink_ = shrink;
    for (auto const& [code, c] : pk.GetChars()) font->glyphs_.emplace(code, Shrink(c, shrink));
    return font;
}

std::shared_ptr<BitmapFont const> BitmapFont::Load(std::string const& pkPath, int shrink, std::string* error) {
    shrink = ShrinkInRange(shrink);
    auto key = std::make_pair(pkPath, shrink);
    Cache& cache = Cache::Instance();
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        auto it = cache.fonts.find(key);
        if (it != cache.fonts.end()) return it->second;
    }
    auto pk = PkFont::Read(pkPath, error);
    if (!pk) return nullptr;
    auto font = std::const_pointer_cast<BitmapFont>(Make(*pk, shrink));
    font->path_ = pkPath;

    std::lock_guard<std::mutex> guard(cache.lock);
    auto [it, inserted] = cache.fonts.emplace(key, font);
    if (inserted) {
        cache.order.push_back(key);
        if (cache.order.size() > Cache::kKept) {
            cache.fonts.erase(cache.order.front());
            cache.order.pop_front();
        }
    }
    return it->second;
}

std::shared_ptr<BitmapFont const> BitmapFont::ForEnlargement(double scale) const {
    if (!(scale > 1) || path_.empty()) return nullptr;
    int const shrink = std::clamp(static_cast<int>(std::lround(shrink_ / scale)), 1, shrink_);
    if (shrink == shrink_) return nullptr;
    std::lock_guard<std::mutex> guard(lessShrunkLock_);
    for (auto const& [s, font] : lessShrunk_)
        if (s == shrink) return font;
    std::shared_ptr<BitmapFont const> font = Load(path_, shrink);
    lessShrunk_.emplace_back(shrink, font);
    return font;
}

}  // namespace ksdvi
