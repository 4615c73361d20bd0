#pragma once
// Runs the instructions of one page: the DVI registers, the position stack, fonts
// by number, virtual-font characters. Subclasses see what the page shows through
// PutChar, PutRule and DoSpecial, positions and sizes in DVI units.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "interp/InstPtr.h"

namespace ksdvi::dvi {
struct GlyphRun;
}

// A glyph of a native font as a run of XeTeX's sets it: its pen position, its
// index in the font's face, and a box about it (from the next glyph's
// position, and the font's size above and below the baseline).
struct NativeGlyph {
    int32_t h = 0, v = 0;
    unsigned index = 0;
    int32_t width = 0, height = 0, depth = 0;
    // Where the text passes and the painter know the glyph by: the run's
    // instruction offset plus the glyph's place in the run. A run takes more
    // than a byte per glyph, so positions stay inside it and in order.
    int position = 0;
};

class KsDviDrawerBase {
public:
    using InstPtr = ::InstPtr;
    class StackOverflowError {};
    class MalformedDviError {};

    static constexpr int StackSize = 500;
    static constexpr int MaxVirtualDepth = 10;
    // Instructions run inside virtual-font packets per page; past it packets
    // show nothing.
    static constexpr int MaxPacketInstructions = 1 << 20;
    // Instructions of the page itself run per drawing, a thousand times a
    // dense page's; past it the rest of the page is left out, so that a page
    // made to exhaust the interpreter is drawn in bounded time.
    static constexpr int MaxPageInstructions = 1 << 22;

    KsDviDrawerBase() = default;
    KsDviDrawerBase(KsDvi& dvi, int page);
    // A drawer owns its page copy and stack; copies would have to share them.
    KsDviDrawerBase(KsDviDrawerBase const&) = delete;
    KsDviDrawerBase& operator=(KsDviDrawerBase const&) = delete;
    virtual ~KsDviDrawerBase();

    virtual int Open(KsDvi& dvi, int page);
    virtual void Close();
    // Runs at most count instructions (all when negative); 1 when the page is done.
    virtual int Draw(int count);

    int IsWorking() const { return open_; }
    // Whether virtual-font characters of the open page were left out because
    // their packets asked for more instructions than the page or the
    // document may run.
    bool IsVirtualWorkCut() const { return virtualCut_; }
    // Whether the open page was cut at MaxPageInstructions.
    bool IsPageCut() const { return pageCut_; }
    int IsWinFont() const { return winFont_; }
    // Executes the instruction at p; its length in bytes, or -1 when not accepted.
    int ProcessInstruction(unsigned char const* p);
    // Offset within the page of the instruction being executed.
    int GetInstOffset() const { return instOffset_; }
    // Characters set in a font the document could not load, since Open.
    int GetCharsWithoutFont() const { return charsWithoutFont_; }
    int GetPage() const { return page_; }
    KsDvi* GetDvi() const { return dvi_; }

    // The Unicode value of a code of TeX's 8r encoding (0 where it has none); returns 1.
    static int EightrToUnicode(unsigned char code, unsigned short& out);
    // The EUC-KR bytes of the Hangul sequence b1 b2 b3 (0 for bytes not
    // present) in xhan subfont 1 or 2; 0 when the subfont's table lacks it.
    static int xHanToEucKr(int subfont, unsigned char b1, unsigned char b2, unsigned char b3, unsigned char& lead,
                           unsigned char& trail);

protected:
    virtual void PutChar(int h, int v, unsigned short code, int width, int height, int depth);
    virtual void PutRule(int h, int v, int height, int width);
    virtual void DoSpecial(unsigned int length, InstPtr text);
    // A run of glyphs of the native font `font`, and the text it sets
    // (UTF-16, empty where the file gives none).
    virtual void PutGlyphs(KsDvi::ItrnFont const& font, std::vector<NativeGlyph> const& glyphs,
                           std::u16string const& text);
    // pTeX's dir chose `direction` (dvi::Direction) for what follows.
    virtual void PutDirection(unsigned direction);
    // A pop left the stack GetStackDepth() deep: TeX has ended a box.
    virtual void Popped() {}

    KsDvi::ItrnFont const* GetItrnFont(int number) const;
    int GetCurFont() const { return curFont_; }
    // The position on the page: in vertical text (pTeX's dir) set and right
    // move it down or up and down moves it sideways, as dvipdfmx has it.
    int GetH() const { return h_; }
    int GetV() const { return v_; }
    // The text direction pTeX's dir chose (dvi::Direction).
    unsigned GetDirection() const { return dir_; }
    int GetStackDepth() const { return stackDepth_; }
    int GetMultiByteState() const { return mbState_; }
    // The DVI code of the character being reported, before the font's encoding
    // turned it into the code PutChar gets.
    unsigned int GetDviCode() const { return dviCode_; }
    // While a JFM font's character is reported: its Unicode character (0 for
    // none), which PutChar's 16-bit code cannot hold past U+FFFF.
    char32_t GetJapaneseCharacter() const { return japanese_; }
    void SetMultiByteState(int state) { mbState_ = state; }
    void SetWinFont(int flag) { winFont_ = flag; }
    unsigned char const* GetPageBuffer() const { return pageBuffer_.get(); }
    int GetPageLength() const { return length_; }

private:
    struct Frame {
        int32_t h, v, x, y, z, w;
        unsigned dir;
    };

    void DviSet(unsigned c);
    void DviPut(unsigned c);
    // Along the line (set, right, w, x) and across it (down, y, z).
    void Forward(int32_t b);
    void Across(int32_t a);
    // pTeX's and upTeX's characters of a JFM font: the code (JIS or Unicode)
    // with the metrics of its character type.
    void PutJapanese(KsDvi::ItrnFont const* font, unsigned code);
    void DviSetRule(int a, int b);
    void DviPutRule(int a, int b);
    int DviPush();
    int DviPop();
    void DviRight(int b);
    void DviW0();
    void DviW(int b);
    void DviX0();
    void DviX(int b);
    void DviDown(int a);
    void DviY0();
    void DviY(int a);
    void DviZ0();
    void DviZ(int a);
    void DviFnt(unsigned char n);
    void DviFnt(unsigned short n);
    void DviXxx(unsigned int k, InstPtr text);
    void DviGlyphs(ksdvi::dvi::GlyphRun const& run);
    // XeTeX's records; their length, or -1.
    int XdvInstruction(unsigned op, unsigned char const* p, size_t avail);
    void DoVirtualFont(KsDvi::ItrnFont const* font, unsigned c);
    void SelectFont(unsigned int n);
    void PutEncoded(KsDvi::ItrnFont const* font, unsigned short code);
    bool PutDoubleByte(KsDvi::ItrnFont const* font, unsigned short code);
    void PutXHan(KsDvi::ItrnFont const* font, unsigned char c);
    void PutKorean(KsDvi::ItrnFont const* font, unsigned char lead, unsigned char trail, unsigned short code);

    int open_ = 0;
    KsDvi* dvi_ = nullptr;
    int page_ = -1;
    std::unique_ptr<unsigned char[]> pageBuffer_;
    int length_ = 0;
    unsigned char const* cursor_ = nullptr;
    unsigned char const* base_ = nullptr;   // the bytes being run, the page or a packet,
    unsigned char const* limit_ = nullptr;  // are base_ up to limit_
    int instOffset_ = 0;
    KsDvi::ItrnFont const* const* fontTable_ = nullptr;
    int fontTableSize_ = 0;
    int curFont_ = -1;
    int32_t h_ = 0, v_ = 0, w_ = 0, x_ = 0, y_ = 0, z_ = 0;
    unsigned dir_ = 0;
    std::unique_ptr<Frame[]> stack_;
    int stackDepth_ = 0;
    int virtualDepth_ = 0;
    int packetBudget_ = 0;
    int packetBudgetTaken_ = 0;
    bool virtualCut_ = false;
    bool pageEnded_ = false;
    int pageLeft_ = 0;  // instructions the page may still run
    bool pageCut_ = false;
    int mbState_ = 0;
    unsigned char pending_[3] = {0, 0, 0};
    int32_t pendingH_ = 0, pendingV_ = 0;
    int winFont_ = 0;
    unsigned int dviCode_ = 0;
    char32_t japanese_ = 0;
    int charsWithoutFont_ = 0;
    std::vector<NativeGlyph> glyphs_;  // the run being reported, kept between runs
    std::u16string glyphText_;
};
