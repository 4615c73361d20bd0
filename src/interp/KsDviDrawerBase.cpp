#include "interp/KsDviDrawerBase.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <new>

#include "dvi/DviOpcodes.h"
#include "dvi/XdvRecords.h"
#include "font/ItrnFont.h"

namespace {

// Register arithmetic wraps like the 32-bit machine words TeX's output assumes.
inline int32_t Add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

KsDviDrawerBase::KsDviDrawerBase(KsDvi& dvi, int page) { KsDviDrawerBase::Open(dvi, page); }

KsDviDrawerBase::~KsDviDrawerBase() {
    if (open_) KsDviDrawerBase::Close();
}

int KsDviDrawerBase::Open(KsDvi& dvi, int page) {
    if (page < 0 || page >= dvi.GetNPage()) return 0;
    if (open_) Close();

    dvi_ = &dvi;
    page_ = page;
    charsWithoutFont_ = 0;
    winFont_ = dvi.GetWinFont();
    length_ = dvi.GetPageContents(page, nullptr);
    pageBuffer_ = std::make_unique<unsigned char[]>(static_cast<size_t>(length_ > 0 ? length_ : 1));
    // The file no longer holds the page the scan recorded.
    if (dvi.GetPageContents(page, pageBuffer_.get()) != length_ || length_ <= 0) {
        pageBuffer_.reset();
        return 0;
    }
    base_ = cursor_ = pageBuffer_.get();
    limit_ = cursor_ + length_;
    instOffset_ = 0;
    stack_.reset(new (std::nothrow) Frame[StackSize]);
    if (!stack_) {
        pageBuffer_.reset();
        throw StackOverflowError();
    }
    fontTable_ = dvi.GetExtFontIndex();
    fontTableSize_ = dvi.GetExtFontIndexSize();
    curFont_ = -1;
    h_ = v_ = w_ = x_ = y_ = z_ = 0;
    dir_ = ksdvi::dvi::kHorizontal;
    stackDepth_ = virtualDepth_ = mbState_ = 0;
    packetBudget_ = packetBudgetTaken_ = dvi.TakeVirtualBudget(page, MaxPacketInstructions);
    virtualCut_ = pageEnded_ = pageCut_ = false;
    pageLeft_ = MaxPageInstructions;
    open_ = 1;
    return 1;
}

void KsDviDrawerBase::Close() {
    if (!open_) return;
    dvi_->SettleVirtualBudget(page_, packetBudgetTaken_, packetBudgetTaken_ - std::max(packetBudget_, 0), pageEnded_);
    pageBuffer_.reset();
    stack_.reset();
    base_ = cursor_ = limit_ = nullptr;
    open_ = 0;
}

int KsDviDrawerBase::Draw(int count) {
    if (!open_) return 1;
    if (count < 0) count = length_;
    unsigned char const* end = pageBuffer_.get() + length_;
    for (int i = 0; i < count; ++i) {
        if (cursor_ >= end || *cursor_ == ksdvi::dvi::kEop) {
            pageEnded_ = true;
            return 1;
        }
        // Done, but not whole: the page's virtual-font work is not settled.
        if (--pageLeft_ < 0) {
            pageCut_ = true;
            return 1;
        }
        instOffset_ = static_cast<int>(cursor_ - pageBuffer_.get());
        int n = ProcessInstruction(cursor_);
        if (n <= 0) throw MalformedDviError();
        cursor_ += n;
    }
    return 0;
}

// One instruction; every parameter byte is checked against the end of the bytes
// being run, so a damaged page or packet never makes us read past it.
int KsDviDrawerBase::ProcessInstruction(unsigned char const* p) {
    using namespace ksdvi::dvi;
    // std::less orders pointers that need not point into the same array.
    std::less<unsigned char const*> before;
    if (!p || !limit_ || before(p, base_) || !before(p, limit_)) return -1;
    size_t avail = static_cast<size_t>(limit_ - p) - 1;
    unsigned op = *p;
    int params = kParameterBytes[op];
    if (params < 0) return XdvInstruction(op, p + 1, avail);
    if (static_cast<size_t>(params) > avail) return -1;
    InstPtr in(p + 1);
    unsigned family = FamilyOf(op);
    int width = family ? FamilyWidth(op) : 0;

    if (op < kSet1) {
        DviSet(static_cast<unsigned short>(op));
        return 1;
    }
    if (op >= kFntNum0 && op < kFnt1) {
        DviFnt(static_cast<unsigned char>(op - kFntNum0));
        return 1;
    }
    switch (family) {
    case kSet1:
    case kPut1:
    case kFnt1: {
        // Codes of four bytes and font numbers of three and four are not
        // accepted; upTeX sets characters past U+FFFF with three.
        if (width > (family == kFnt1 ? 2 : 3)) return -1;
        unsigned value = in.ReadUnsigned(width);
        if (family == kSet1)
            DviSet(value);
        else if (family == kPut1)
            DviPut(value);
        else if (width == 1)
            DviFnt(static_cast<unsigned char>(value));
        else
            DviFnt(static_cast<unsigned short>(value));
        return 1 + params;
    }
    case kRight1: DviRight(in.ReadSigned(width)); return 1 + params;
    case kW1: DviW(in.ReadSigned(width)); return 1 + params;
    case kX1: DviX(in.ReadSigned(width)); return 1 + params;
    case kDown1: DviDown(in.ReadSigned(width)); return 1 + params;
    case kY1: DviY(in.ReadSigned(width)); return 1 + params;
    case kZ1: DviZ(in.ReadSigned(width)); return 1 + params;
    case kXxx1: {
        uint32_t k = in.ReadUnsigned(width);
        if (uint64_t(params) + k > avail) return -1;
        DviXxx(k, in);
        return static_cast<int>(1 + params + k);
    }
    case kFntDef1: {  // the document loads fonts: k c[4] s[4] d[4] a[1] l[1] n[a+l]
        in += params - 2;
        uint32_t names = in.ReadUInt8();
        names += in.ReadUInt8();
        if (uint64_t(params) + names > avail) return -1;
        return static_cast<int>(1 + params + names);
    }
    default: break;
    }

    switch (op) {
    case kSetRule:
    case kPutRule: {
        int32_t a = in.ReadInt32();
        int32_t b = in.ReadInt32();
        if (op == kSetRule)
            DviSetRule(a, b);
        else
            DviPutRule(a, b);
        return 1 + params;
    }
    case kNop:
    case kEop:
    case kBop: return 1 + params;  // bop: ten counts and the previous-bop pointer
    case kPush: return DviPush() ? 1 : -1;
    case kPop: return DviPop() ? 1 : -1;
    case kW0: DviW0(); return 1;
    case kX0: DviX0(); return 1;
    case kY0: DviY0(); return 1;
    case kZ0: DviZ0(); return 1;
    case kDir: {
        unsigned direction = in.ReadUInt8();
        if (!IsDirection(direction)) return -1;
        dir_ = direction;
        mbState_ = 0;
        PutDirection(direction);
        return 2;
    }
    default:  // pre, post, post_post
        return -1;
    }
}

int KsDviDrawerBase::XdvInstruction(unsigned op, unsigned char const* p, size_t avail) {
    using namespace ksdvi::dvi;
    // Only pages of XDV files have them; virtual fonts' packets never do.
    unsigned id = dvi_ && base_ == pageBuffer_.get() ? dvi_->GetDviVersion() : 0;
    if (!IsXdvId(id)) return -1;
    if (op == kDefineNativeFont) {  // the document loaded the font
        NativeFontDefinition definition;
        long n = ReadNativeFontDefinition(p, avail, id, definition);
        return n < 0 ? -1 : static_cast<int>(1 + n);
    }
    GlyphRun run;
    long n = IsGlyphRun(op, id) ? ReadGlyphRun(op, id, p, avail, run) : -1;
    if (n < 0) return -1;
    DviGlyphs(run);
    return static_cast<int>(1 + n);
}

// Each glyph at its own offset from the run's pen position; the run moves h
// by its width.
void KsDviDrawerBase::DviGlyphs(ksdvi::dvi::GlyphRun const& run) {
    mbState_ = 0;
    KsDvi::ItrnFont const* font = GetItrnFont(curFont_);
    if (font && font->GetNative() && run.count > 0) {
        // A box about the baseline from the font's size: native fonts have no
        // TeX metrics.
        int32_t height = static_cast<int32_t>(int64_t(font->GetScaleSize()) * 3 / 4);
        int32_t depth = static_cast<int32_t>(int64_t(font->GetScaleSize()) / 4);
        glyphs_.resize(run.count);
        for (unsigned i = 0; i < run.count; ++i) {
            int32_t next = i + 1 < run.count ? run.X(i + 1) : run.width;
            int64_t width = int64_t(next) - run.X(i);
            glyphs_[i] = NativeGlyph{Add(h_, run.X(i)),
                                     Add(v_, run.Y(i)),
                                     run.Glyph(i),
                                     static_cast<int32_t>(std::clamp<int64_t>(width, 0, INT32_MAX)),
                                     height,
                                     depth,
                                     static_cast<int>(int64_t(instOffset_) + i)};
        }
        glyphText_.resize(run.textLength);
        for (unsigned i = 0; i < run.textLength; ++i) glyphText_[i] = static_cast<char16_t>(run.TextUnit(i));
        PutGlyphs(*font, glyphs_, glyphText_);
    }
    Forward(run.width);
}

void KsDviDrawerBase::PutGlyphs(KsDvi::ItrnFont const&, std::vector<NativeGlyph> const&, std::u16string const&) {}

KsDvi::ItrnFont const* KsDviDrawerBase::GetItrnFont(int number) const {
    if (number < 0 || number >= fontTableSize_ || !fontTable_) return nullptr;
    return fontTable_[number];
}

void KsDviDrawerBase::PutChar(int, int, unsigned short, int, int, int) {}
void KsDviDrawerBase::PutDirection(unsigned) {}
void KsDviDrawerBase::PutRule(int, int, int, int) {}

// Binary records of documents made with Windows fonts: '#', a 16-bit command, and
// its operand. They set the document's record resolution and text state.
void KsDviDrawerBase::DoSpecial(unsigned int length, InstPtr text) {
    if (length < 3 || text.Get()[0] != '#') return;
    unsigned char const* p = text.Get();
    unsigned command = (unsigned(p[1]) << 8) | p[2];
    InstPtr operand(p + 3);
    unsigned int operandBytes = length - 3;
    KsDvi::WinFontTextState& state = dvi_->GetWinFontTextState();
    auto signedDimension = [&](int32_t& field, int negativeEscapement) {
        if (operandBytes < 2) return;
        int32_t value = operand.ReadInt16();
        field = value < 0 ? -value : value;
        state.escapement = value < 0 ? negativeEscapement : 0;
    };
    switch (command) {
    case 0:
        if (operandBytes >= 2) dvi_->SetRecordResolution(static_cast<unsigned short>(operand.ReadUInt16()));
        break;
    case 3:
        if (operandBytes >= 4) state.faceIndex = operand.ReadInt32();
        break;
    case 4: signedDimension(state.charWidth, 900); break;
    case 5: signedDimension(state.charHeight, 2700); break;
    case 6: state.bold = 1; break;
    case 7: state.bold = 0; break;
    case 8: state.italic = 1; break;
    case 9: state.italic = 0; break;
    case 11:
        if (operandBytes >= 2) state.escapement = operand.ReadInt16();
        break;
    default: break;
    }
}

void KsDviDrawerBase::DviXxx(unsigned int k, InstPtr text) { DoSpecial(k, text); }

void KsDviDrawerBase::DviSet(unsigned c) {
    KsDvi::ItrnFont const* font = GetItrnFont(curFont_);
    if (!font) {
        ++charsWithoutFont_;
        mbState_ = 0;
        return;
    }
    DviPut(c);
    Forward(font->GetCharWidthA(c));
}

void KsDviDrawerBase::DviSetRule(int a, int b) {
    DviPutRule(a, b);
    Forward(b);
}

// A rule of height a and width b as its direction turns it; drawers get its
// bottom-left corner and its size on the page.
void KsDviDrawerBase::DviPutRule(int a, int b) {
    mbState_ = 0;
    if (a <= 0 || b <= 0) return;
    if (dir_ == ksdvi::dvi::kVertical)
        PutRule(h_, Add(v_, b), b, a);
    else if (dir_ == ksdvi::dvi::kDownToUp)
        PutRule(Add(h_, -a), v_, b, a);
    else
        PutRule(h_, v_, a, b);
}

void KsDviDrawerBase::Forward(int32_t b) {
    if (dir_ == ksdvi::dvi::kVertical)
        v_ = Add(v_, b);
    else if (dir_ == ksdvi::dvi::kDownToUp)
        v_ = Add(v_, static_cast<int32_t>(0u - static_cast<uint32_t>(b)));
    else
        h_ = Add(h_, b);
}

void KsDviDrawerBase::Across(int32_t a) {
    if (dir_ == ksdvi::dvi::kVertical)
        h_ = Add(h_, static_cast<int32_t>(0u - static_cast<uint32_t>(a)));
    else if (dir_ == ksdvi::dvi::kDownToUp)
        h_ = Add(h_, a);
    else
        v_ = Add(v_, a);
}

int KsDviDrawerBase::DviPush() {
    if (stackDepth_ >= StackSize) return 0;
    stack_[stackDepth_++] = Frame{h_, v_, x_, y_, z_, w_, dir_};
    mbState_ = 0;
    return 1;
}

int KsDviDrawerBase::DviPop() {
    if (stackDepth_ < 1) return 0;
    Frame const& f = stack_[--stackDepth_];
    h_ = f.h;
    v_ = f.v;
    x_ = f.x;
    y_ = f.y;
    z_ = f.z;
    w_ = f.w;
    dir_ = f.dir;
    mbState_ = 0;
    Popped();
    return 1;
}

void KsDviDrawerBase::DviRight(int b) {
    Forward(b);
    mbState_ = 0;
}
void KsDviDrawerBase::DviW0() {
    Forward(w_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviW(int b) {
    w_ = b;
    DviRight(b);
}
void KsDviDrawerBase::DviX0() {
    Forward(x_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviX(int b) {
    x_ = b;
    DviRight(b);
}
void KsDviDrawerBase::DviDown(int a) {
    Across(a);
    mbState_ = 0;
}
void KsDviDrawerBase::DviY0() {
    Across(y_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviY(int a) {
    y_ = a;
    DviDown(a);
}
void KsDviDrawerBase::DviZ0() {
    Across(z_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviZ(int a) {
    z_ = a;
    DviDown(a);
}

void KsDviDrawerBase::SelectFont(unsigned int n) {
    mbState_ = 0;
    curFont_ = (static_cast<int>(n) < fontTableSize_ && GetItrnFont(static_cast<int>(n))) ? static_cast<int>(n) : -1;
}

void KsDviDrawerBase::DviFnt(unsigned char n) { SelectFont(n); }
void KsDviDrawerBase::DviFnt(unsigned short n) { SelectFont(n); }
