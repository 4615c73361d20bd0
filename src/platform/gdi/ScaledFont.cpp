#include "platform/gdi/ScaledFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>

#include FT_OUTLINE_H
#include FT_SIZES_H

namespace ksdvi::gdi {

namespace {

struct KeyHash {
    std::size_t operator()(const ScaledFontKey& k) const {
        std::size_t h = std::hash<const void*>()(k.file.get());
        const auto mix = [&](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(std::hash<double>()(k.em));
        mix(std::hash<double>()(k.magnify));
        mix(std::hash<double>()(k.xScale));
        mix(std::hash<int>()(k.escapement));
        mix(k.emboldened);
        mix(k.hinted);
        mix(std::hash<double>()(k.stroke));
        mix(std::hash<double>()(k.slant));
        for (double t : k.transform) mix(std::hash<double>()(t));
        return h;
    }
};

// The process-wide cache: weak references, plus the most recently asked-for
// fonts held alive so that fonts made again for each page find their glyphs.
struct Cache {
    std::mutex lock;
    std::unordered_map<ScaledFontKey, std::weak_ptr<ScaledFont>, KeyHash> fonts;
    std::deque<std::shared_ptr<ScaledFont>> recent;
    static constexpr std::size_t kRecent = 96;

    static Cache& Instance() {
        static Cache cache;
        return cache;
    }
};

int SlotOf(std::uint32_t code) {
    if (code < 0x100) return int(code);
    if ((code & 0xFF00) == 0xF000) return int(0x100 + (code & 0xFF));
    return -1;
}

}  // namespace

std::shared_ptr<ScaledFont> ScaledFont::Get(const ScaledFontKey& key) {
    if (!key.file || !(key.em > 0 && key.em <= kLargestKeptEm) || !(key.xScale > 0) ||
        !(key.magnify >= 1 && key.magnify <= kLargestMagnifiedEm / kLargestKeptEm))
        return nullptr;
    Cache& cache = Cache::Instance();
    std::lock_guard guard(cache.lock);
    std::shared_ptr<ScaledFont> font;
    if (auto it = cache.fonts.find(key); it != cache.fonts.end()) font = it->second.lock();
    if (!font) {
        font.reset(new ScaledFont(key));
        if (!font->Open()) return nullptr;
        cache.fonts[key] = font;
        if (cache.fonts.size() > 4 * Cache::kRecent)
            std::erase_if(cache.fonts, [](const auto& e) { return e.second.expired(); });
    }
    auto pos = std::find(cache.recent.begin(), cache.recent.end(), font);
    if (pos != cache.recent.end()) cache.recent.erase(pos);
    cache.recent.push_front(font);
    if (cache.recent.size() > Cache::kRecent) cache.recent.pop_back();
    return font;
}

ScaledFont::ScaledFont(const ScaledFontKey& key) : key_(key) {
    for (auto& slot : fast_) slot.store(nullptr, std::memory_order_relaxed);
}

ScaledFont::~ScaledFont() {
    if (!size_) return;
    std::lock_guard face(key_.file->FaceLock());
    FT_Done_Size(size_);
}

bool ScaledFont::Open() {
    std::lock_guard faceGuard(key_.file->FaceLock());
    FT_Face face = key_.file->SharedFace();
    if (!face || FT_New_Size(face, &size_)) {
        size_ = nullptr;
        return false;
    }
    FT_Activate_Size(size_);
    const double em = key_.em;
    if (FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(em * 64)), 72, 72)) return false;
    for (int i = 0; i < face->num_charmaps; ++i) {
        FT_CharMap cm = face->charmaps[i];
        switch (cm->encoding) {
        case FT_ENCODING_UNICODE:
            if (!unicode_) unicode_ = cm;
            break;
        case FT_ENCODING_MS_SYMBOL:
            if (!symbol_) symbol_ = cm;
            break;
        case FT_ENCODING_ADOBE_CUSTOM: builtIn_ = cm; break;
        case FT_ENCODING_ADOBE_STANDARD:
        case FT_ENCODING_ADOBE_EXPERT:
        case FT_ENCODING_ADOBE_LATIN_1:
            if (!builtIn_) builtIn_ = cm;
            break;
        default: break;
        }
    }
    const double angle = key_.escapement / 10.0 * std::numbers::pi / 180.0;
    cos_ = std::cos(angle);
    sin_ = std::sin(angle);
    // Outline space is y-up: scale x, lean, then turn counter-clockwise.
    const double shear = key_.slant;
    const double a = key_.xScale, b = shear;  // [a b; 0 1]
    const double xx = cos_ * a, xy = cos_ * b - sin_, yx = sin_ * a, yy = sin_ * b + cos_;
    // The device transformation, turned y-up, after all that.
    const auto& t = key_.transform;
    const double txx = t[0], txy = -t[2], tyx = -t[1], tyy = t[3];
    matrix_.xx = FT_Fixed(std::lround((txx * xx + txy * yx) * 65536));
    matrix_.xy = FT_Fixed(std::lround((txx * xy + txy * yy) * 65536));
    matrix_.yx = FT_Fixed(std::lround((tyx * xx + tyy * yx) * 65536));
    matrix_.yy = FT_Fixed(std::lround((tyx * xy + tyy * yy) * 65536));
    const FontFile& f = *key_.file;
    const double unit = Em() / f.UnitsPerEm();
    const double bold = key_.emboldened ? Em() / 24 : 0;
    ascent_ = f.Ascent() * unit;
    descent_ = f.Descent() * unit;
    maxWidth_ = f.MaxAdvance() * unit * key_.xScale + bold + std::abs(ascent_ * key_.slant);
    return true;
}

double ScaledFont::AverageWidth() const {
    const FontFile& f = *key_.file;
    const double bold = key_.emboldened ? Em() / 24 : 0;
    return f.AverageWidth() * Em() / f.UnitsPerEm() * key_.xScale + bold;
}

std::uint32_t ScaledFont::GlyphIndexLocked(std::uint32_t code) {
    std::lock_guard faceGuard(key_.file->FaceLock());
    FT_Face face = key_.file->SharedFace();
    const auto lookup = [&](FT_CharMap cm, FT_ULong c) -> FT_UInt {
        if (!cm || FT_Set_Charmap(face, cm)) return 0;
        return FT_Get_Char_Index(face, c);
    };
    const bool symbolRange = code < 0x100 || (code & 0xFF00) == 0xF000;
    switch (key_.file->Mapping()) {
    case CodeMapping::MsSymbol:
        if (!symbolRange) return 0;
        if (FT_UInt g = lookup(symbol_, 0xF000 | (code & 0xFF))) return g;
        return lookup(symbol_, code & 0xFF);
    case CodeMapping::BuiltIn:
        if (symbolRange) return lookup(builtIn_, code & 0xFF);
        return lookup(unicode_, code);  // names beyond the encoding, e.g. U+FB00
    default: return lookup(unicode_, code);
    }
}

double ScaledFont::LoadOutlineLocked(std::uint32_t index, FT_Int32 flags) {
    FT_Face face = key_.file->SharedFace();
    FT_Activate_Size(size_);
    FT_Set_Transform(face, &matrix_, nullptr);
    if (FT_Load_Glyph(face, index, flags)) return -1;
    FT_GlyphSlot slot = face->glyph;
    double advance = slot->linearHoriAdvance / 65536.0 * key_.xScale;
    if (key_.emboldened && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        const FT_Pos strength = FT_Pos(std::lround(key_.em / 24 * 64));
        FT_Outline_Embolden(&slot->outline, strength);
        advance += key_.em / 24;
    }
    if (key_.stroke > 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // As wide as the stroke after the transformation; FreeType keeps the
        // lower left edges, a stroke grows both ways.
        const auto& t = key_.transform;
        const double width = key_.stroke * key_.em * std::sqrt(std::abs(t[0] * t[3] - t[1] * t[2]));
        const FT_Pos strength = FT_Pos(std::lround(width * 64));
        FT_Outline_Embolden(&slot->outline, strength);
        FT_Outline_Translate(&slot->outline, -strength / 2, -strength / 2);
    }
    return advance;
}

const Glyph& ScaledFont::RenderLocked(std::uint32_t index) {
    if (auto it = byIndex_.find(index); it != byIndex_.end()) return *it->second;
    Glyph& g = glyphs_.emplace_back();
    byIndex_[index] = &g;
    const bool transformed = key_.escapement % 3600 != 0 || key_.slant != 0 || key_.xScale != 1 ||
                             key_.transform != std::array<double, 4>{1, 0, 0, 1};
    const FT_Int32 flags =
        FT_LOAD_NO_BITMAP | (transformed || !key_.hinted || IsMagnified() ? FT_LOAD_NO_HINTING : FT_LOAD_TARGET_LIGHT);
    // The face, its active size, transformation and glyph slot are shared by
    // every size of the file: all of it under the file's lock.
    std::lock_guard faceGuard(key_.file->FaceLock());
    const double advance = LoadOutlineLocked(index, flags);
    if (advance < 0) return g;
    FT_GlyphSlot slot = key_.file->SharedFace()->glyph;
    g.advanceX = advance * key_.magnify * cos_;
    g.advanceY = -advance * key_.magnify * sin_;
    if (IsMagnified()) {
        // Only the box, for Part to cut windows of.
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return g;
        FT_BBox box;
        FT_Outline_Get_CBox(&slot->outline, &box);
        const double m = key_.magnify / 64;
        g.left = int(std::floor(box.xMin * m));
        g.top = int(std::ceil(box.yMax * m));
        g.width = int(std::ceil(box.xMax * m)) - g.left;
        g.rows = g.top - int(std::floor(box.yMin * m));
        return g;
    }
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL)) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = int(bm.width);
    g.rows = int(bm.rows);
    g.coverage.assign(std::size_t(g.width) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
        const unsigned char* src = bm.buffer + std::ptrdiff_t(y) * bm.pitch;
        std::uint8_t* dst = &g.coverage[std::size_t(y) * g.width];
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < g.width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7)) & 1) ? 255 : 0;
        } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            std::memcpy(dst, src, std::size_t(g.width));
        }
    }
    return g;
}

// The outline at the kept size, magnified, moved so that the window's
// lower left corner is its origin, and filled within the window. FreeType
// hands over the runs it covers, so that the part is the box of its ink, not
// the window: a glyph's edge across the page makes a strip, not a page.
Glyph ScaledFont::MakePartLocked(std::uint32_t index, int x, int y, const RECT& window) {
    const Glyph& whole = RenderLocked(index);
    Glyph part;
    part.advanceX = whole.advanceX;
    part.advanceY = whole.advanceY;
    const RECT r{std::max<LONG>(window.left, x + whole.left), std::max<LONG>(window.top, y - whole.top),
                 std::min<LONG>(window.right, x + whole.left + whole.width),
                 std::min<LONG>(window.bottom, y - whole.top + whole.rows)};
    if (r.left >= r.right || r.top >= r.bottom) return part;
    struct Run {
        int x, y, length;
        unsigned char coverage;
    };
    std::vector<Run> runs;
    {
        std::lock_guard faceGuard(key_.file->FaceLock());
        if (LoadOutlineLocked(index, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) < 0) return part;
        FT_GlyphSlot slot = key_.file->SharedFace()->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return part;
        const FT_Fixed m = FT_Fixed(std::lround(key_.magnify * 65536));
        const FT_Matrix grow{m, 0, 0, m};
        FT_Outline_Transform(&slot->outline, &grow);
        FT_Outline_Translate(&slot->outline, FT_Pos(x - r.left) * 64, FT_Pos(r.bottom - y) * 64);
        FT_Raster_Params params{};
        params.source = &slot->outline;
        params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
        params.clip_box = {0, 0, FT_Pos(r.right - r.left), FT_Pos(r.bottom - r.top)};
        params.user = &runs;
        params.gray_spans = [](int row, int count, const FT_Span* spans, void* user) {
            auto& out = *static_cast<std::vector<Run>*>(user);
            for (int i = 0; i < count; ++i)
                if (spans[i].coverage) out.push_back({spans[i].x, row, spans[i].len, spans[i].coverage});
        };
        if (FT_Outline_Render(slot->library, &slot->outline, &params)) return part;
    }
    if (runs.empty()) return part;
    // Rows counted up from the window's foot; the part's box is the runs'.
    int left = runs[0].x, right = left, low = runs[0].y, high = low;
    for (const Run& run : runs) {
        left = std::min(left, run.x), right = std::max(right, run.x + run.length);
        low = std::min(low, run.y), high = std::max(high, run.y);
    }
    const int height = int(r.bottom - r.top);
    part.left = int(r.left - x) + left;
    part.top = int(y - r.top) - (height - 1 - high);
    part.width = right - left;
    part.rows = high - low + 1;
    part.coverage.assign(std::size_t(part.width) * std::size_t(part.rows), 0);
    for (const Run& run : runs) {
        std::uint8_t* row = &part.coverage[std::size_t(high - run.y) * std::size_t(part.width)];
        std::memset(row + (run.x - left), run.coverage, std::size_t(run.length));
    }
    return part;
}

std::shared_ptr<const Glyph> ScaledFont::PartLocked(std::uint32_t index, int x, int y, const RECT& window) {
    constexpr std::size_t kKeptParts = 4;
    constexpr std::size_t kLargestKeptPart = std::size_t(16) << 20;
    const std::array<LONG, 4> place{x - window.left, y - window.top, window.right - window.left,
                                    window.bottom - window.top};
    for (const Part& part : parts_)
        if (part.index == index && part.place == place) return part.glyph;
    auto glyph = std::make_shared<const Glyph>(MakePartLocked(index, x, y, window));
    if (glyph->coverage.size() <= kLargestKeptPart) {
        parts_.push_front({index, place, glyph});
        if (parts_.size() > kKeptParts) parts_.pop_back();
    }
    return glyph;
}

std::shared_ptr<const Glyph> ScaledFont::PartForCode(std::uint32_t code, int x, int y, const RECT& window) {
    std::lock_guard guard(lock_);
    return PartLocked(GlyphIndexLocked(code), x, y, window);
}

std::shared_ptr<const Glyph> ScaledFont::PartForIndex(std::uint32_t index, int x, int y, const RECT& window) {
    std::lock_guard guard(lock_);
    return PartLocked(index, x, y, window);
}

const Glyph& ScaledFont::GlyphForCode(std::uint32_t code) {
    const int slot = SlotOf(code);
    if (slot >= 0) {
        if (const Glyph* g = fast_[slot].load(std::memory_order_acquire)) return *g;
    }
    std::lock_guard guard(lock_);
    const Glyph* g = nullptr;
    if (auto it = byCode_.find(code); it != byCode_.end()) {
        g = it->second;
    } else {
        g = &RenderLocked(GlyphIndexLocked(code));
        byCode_[code] = g;
    }
    if (slot >= 0) fast_[slot].store(g, std::memory_order_release);
    return *g;
}

std::uint32_t ScaledFont::GlyphIndexForCode(std::uint32_t code) {
    std::lock_guard guard(lock_);
    return GlyphIndexLocked(code);
}

const Glyph& ScaledFont::GlyphForIndex(std::uint32_t index) {
    std::lock_guard guard(lock_);
    return RenderLocked(index);
}

}  // namespace ksdvi::gdi
