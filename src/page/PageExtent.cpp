#include "page/PageExtent.h"

#include <algorithm>
#include <string_view>

#include "dvi/KsDvi.h"
#include "interp/KsDviDrawerBase.h"
#include "specials/PostScriptSpecials.h"

namespace ksdvi {

namespace {

class ExtentDrawer : public KsDviDrawerBase {
public:
    explicit ExtentDrawer(bool readPreview) : readPreview_(readPreview) {}
    PageExtent extent;

protected:
    void PutChar(int h, int v, unsigned short, int width, int height, int depth) override {
        Add(h, int64_t(v) - height, int64_t(h) + width, int64_t(v) + depth);
    }
    void PutRule(int h, int v, int height, int width) override {
        // TeX sets no rule of non-positive size.
        if (height > 0 && width > 0) Add(h, int64_t(v) - height, int64_t(h) + width, v);
    }
    void PutGlyphs(KsDvi::ItrnFont const&, std::vector<NativeGlyph> const& glyphs, std::u16string const&) override {
        for (NativeGlyph const& g : glyphs)
            Add(g.h, int64_t(g.v) - g.height, int64_t(g.h) + g.width, int64_t(g.v) + g.depth);
    }
    // The document's drawing state is the renderer's to change: no call to
    // the base class.
    void DoSpecial(unsigned int length, InstPtr text) override {
        if (!readPreview_ || seenPreview_) return;
        PostScriptSpecial ps = ParsePostScriptSpecial(text.Get(), length);
        if (ps.kind != PostScriptSpecial::Kind::Raw) return;
        // dvipng takes the page's first ps:: special as the box, whatever it holds.
        seenPreview_ = true;
        extent.preview = ParsePreviewBox(ps.code);
    }

private:
    void Add(int64_t left, int64_t top, int64_t right, int64_t bottom) {
        auto clamp = [](int64_t x) { return static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX)); };
        if (right < left) std::swap(left, right);  // characters of negative width
        DviBox box{clamp(left), clamp(top), clamp(right), clamp(bottom)};
        if (!extent.texBox) {
            extent.texBox = box;
            return;
        }
        DviBox& b = *extent.texBox;
        b = {std::min(b.left, box.left), std::min(b.top, box.top), std::max(b.right, box.right),
             std::max(b.bottom, box.bottom)};
    }

    bool readPreview_;
    bool seenPreview_ = false;
};

}  // namespace

bool HasPreviewTightPages(KsDvi const& dvi) {
    bool hook = false, tight = false;
    for (KsDvi::PostScriptHeader const& h : dvi.GetPostScriptHeaders()) {
        if (!h.literal || h.page >= 0) continue;
        hook = hook || IsPreviewBopHook(h.text);
        tight = tight || IsPreviewTightPage(h.text);
    }
    return hook && tight;
}

std::optional<PageExtent> ExtentOf(KsDvi& dvi, int page) {
    ExtentDrawer drawer(HasPreviewTightPages(dvi));
    if (!drawer.Open(dvi, page)) return std::nullopt;
    try {
        drawer.Draw(-1);
    } catch (KsDviDrawerBase::MalformedDviError const&) {
    } catch (KsDviDrawerBase::StackOverflowError const&) {}
    drawer.Close();
    return drawer.extent;
}

}  // namespace ksdvi
