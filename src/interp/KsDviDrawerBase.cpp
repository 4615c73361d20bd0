#include "interp/KsDviDrawerBase.h"

#include <cstdlib>
#include <functional>
#include <new>

#include "font/ItrnFont.h"

namespace {

constexpr int kEop = 140;

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
    winFont_ = dvi.GetWinFont();
    length_ = dvi.GetPageContents(page, nullptr);
    pageBuffer_ = std::make_unique<unsigned char[]>(static_cast<size_t>(length_ > 0 ? length_ : 1));
    dvi.GetPageContents(page, pageBuffer_.get());
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
    stackDepth_ = virtualDepth_ = mbState_ = 0;
    packetBudget_ = MaxPacketInstructions;
    open_ = 1;
    return 1;
}

void KsDviDrawerBase::Close() {
    if (!open_) return;
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
        if (cursor_ >= end || *cursor_ == kEop) return 1;
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
    // std::less orders pointers that need not point into the same array.
    std::less<unsigned char const*> before;
    if (!p || !limit_ || before(p, base_) || !before(p, limit_)) return -1;
    size_t avail = static_cast<size_t>(limit_ - p) - 1;
    int op = *p;
    InstPtr in(p + 1);
    auto fits = [avail](uint64_t n) { return n <= avail; };

    if (op < 128) {
        DviSet(static_cast<unsigned short>(op));
        return 1;
    }
    if (op >= 171 && op <= 234) {
        DviFnt(static_cast<unsigned char>(op - 171));
        return 1;
    }
    // right, w, x, down, y, z with 1 to 4 parameter bytes
    if (op >= 143 && op <= 170 && op != 147 && op != 152 && op != 161 && op != 166) {
        int group = op < 147 ? 143 : op < 152 ? 148 : op < 157 ? 153 : op < 161 ? 157 : op < 166 ? 162 : 167;
        int bytes = op - group + 1;
        if (!fits(bytes)) return -1;
        int32_t value = in.ReadSigned(bytes);
        switch (group) {
        case 143: DviRight(value); break;
        case 148: DviW(value); break;
        case 153: DviX(value); break;
        case 157: DviDown(value); break;
        case 162: DviY(value); break;
        default: DviZ(value); break;
        }
        return 1 + bytes;
    }

    switch (op) {
    case 128:  // set1
        if (!fits(1)) return -1;
        DviSet(static_cast<unsigned short>(in.ReadUInt8()));
        return 2;
    case 129:  // set2
        if (!fits(2)) return -1;
        DviSet(static_cast<unsigned short>(in.ReadUInt16()));
        return 3;
    case 132:    // set_rule
    case 137: {  // put_rule
        if (!fits(8)) return -1;
        int32_t a = in.ReadInt32();
        int32_t b = in.ReadInt32();
        if (op == 132)
            DviSetRule(a, b);
        else
            DviPutRule(a, b);
        return 9;
    }
    case 133:  // put1
        if (!fits(1)) return -1;
        DviPut(static_cast<unsigned short>(in.ReadUInt8()));
        return 2;
    case 134:  // put2
        if (!fits(2)) return -1;
        DviPut(static_cast<unsigned short>(in.ReadUInt16()));
        return 3;
    case 138:  // nop
        return 1;
    case 139:  // bop: ten counts and the previous-bop pointer
        return fits(44) ? 45 : -1;
    case 140:  // eop
        return 1;
    case 141: return DviPush() ? 1 : -1;
    case 142: return DviPop() ? 1 : -1;
    case 147: DviW0(); return 1;
    case 152: DviX0(); return 1;
    case 161: DviY0(); return 1;
    case 166: DviZ0(); return 1;
    case 235:  // fnt1
        if (!fits(1)) return -1;
        DviFnt(static_cast<unsigned char>(in.ReadUInt8()));
        return 2;
    case 236:  // fnt2
        if (!fits(2)) return -1;
        DviFnt(static_cast<unsigned short>(in.ReadUInt16()));
        return 3;
    case 239:
    case 240:
    case 241:
    case 242: {  // xxx1 to xxx4
        int bytes = op - 238;
        if (!fits(bytes)) return -1;
        uint32_t k = in.ReadUnsigned(bytes);
        if (!fits(uint64_t(bytes) + k)) return -1;
        DviXxx(k, in);
        return static_cast<int>(1 + bytes + k);
    }
    case 243:
    case 244:
    case 245:
    case 246: {  // fnt_def: the document loads fonts
        int bytes = op - 242;
        if (!fits(uint64_t(bytes) + 14)) return -1;
        in += bytes + 12;
        uint32_t a = in.ReadUInt8();
        uint32_t l = in.ReadUInt8();
        if (!fits(uint64_t(bytes) + 14 + a + l)) return -1;
        return static_cast<int>(1 + bytes + 14 + a + l);
    }
    default:  // set3, set4, put3, put4, fnt3, fnt4, pre, post, post_post, 250 to 255
        return -1;
    }
}

KsDvi::ItrnFont const* KsDviDrawerBase::GetItrnFont(int number) const {
    if (number < 0 || number >= fontTableSize_ || !fontTable_) return nullptr;
    return fontTable_[number];
}

void KsDviDrawerBase::PutChar(int, int, unsigned short, int, int, int) {}
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

void KsDviDrawerBase::DviSet(unsigned short c) {
    KsDvi::ItrnFont const* font = GetItrnFont(curFont_);
    if (!font) {
        mbState_ = 0;
        return;
    }
    DviPut(c);
    h_ = Add(h_, font->GetCharWidthA(c));
}

void KsDviDrawerBase::DviSetRule(int a, int b) {
    DviPutRule(a, b);
    h_ = Add(h_, b);
}

void KsDviDrawerBase::DviPutRule(int a, int b) {
    mbState_ = 0;
    if (a > 0 && b > 0) PutRule(h_, v_, a, b);
}

int KsDviDrawerBase::DviPush() {
    if (stackDepth_ >= StackSize) return 0;
    stack_[stackDepth_++] = Frame{h_, v_, x_, y_, z_, w_};
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
    mbState_ = 0;
    return 1;
}

void KsDviDrawerBase::DviRight(int b) {
    h_ = Add(h_, b);
    mbState_ = 0;
}
void KsDviDrawerBase::DviW0() {
    h_ = Add(h_, w_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviW(int b) {
    w_ = b;
    DviRight(b);
}
void KsDviDrawerBase::DviX0() {
    h_ = Add(h_, x_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviX(int b) {
    x_ = b;
    DviRight(b);
}
void KsDviDrawerBase::DviDown(int a) {
    v_ = Add(v_, a);
    mbState_ = 0;
}
void KsDviDrawerBase::DviY0() {
    v_ = Add(v_, y_);
    mbState_ = 0;
}
void KsDviDrawerBase::DviY(int a) {
    y_ = a;
    DviDown(a);
}
void KsDviDrawerBase::DviZ0() {
    v_ = Add(v_, z_);
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
