// What a character instruction shows: a virtual-font packet to run, a byte of
// a Korean character of two or three bytes to collect, or one code converted by
// the font's encoding for the outline face that paints it.

#include "font/CidCharacters.h"
#include "font/ItrnFont.h"
#include "interp/EightrTable.h"
#include "interp/HLatexSubfonts.h"
#include "interp/KsDviDrawerBase.h"
#include "interp/XHanTable.h"
#include "stream/EucKr.h"
#include "stream/JisX0208.h"

using namespace ksdvi;

void KsDviDrawerBase::DviPut(unsigned code) {
    dviCode_ = code;
    if (winFont_) {
        KsDvi::WinFontTextState const& state = dvi_->GetWinFontTextState();
        PutChar(h_, v_, static_cast<unsigned short>(code), state.charWidth, state.charHeight, 0);
        return;
    }
    KsDvi::ItrnFont const* font = GetItrnFont(curFont_);
    if (!font || !font->IsValidChar(code)) {
        charsWithoutFont_ += !font;
        mbState_ = 0;
        return;
    }
    // Only JFM fonts have codes past 65535.
    if (font->IsDBCEnabled() && code <= 0xFFFF && PutDoubleByte(font, static_cast<unsigned short>(code))) return;
    if (font->IsVirtual()) {
        DoVirtualFont(font, code);
        return;
    }
    if (font->IsJfm()) {
        PutJapanese(font, code);
        return;
    }
    PutEncoded(font, static_cast<unsigned short>(code));
}

// The character of a JIS code (pTeX) or a Unicode one (upTeX), as the font's
// map entry says, with the metrics of its type; drawers read the whole
// character from GetJapaneseCharacter.
void KsDviDrawerBase::PutJapanese(KsDvi::ItrnFont const* font, unsigned code) {
    mbState_ = 0;
    ksdvi::JapaneseFont const* japanese = font->GetJapanese();
    char32_t character = japanese && japanese->cids ? (japanese->cidCharacters ? japanese->cidCharacters->Of(code) : 0)
                         : japanese && japanese->unicode ? (code <= 0x10FFFF ? char32_t(code) : 0)
                                                         : ksdvi::JisToUnicode(code);
    japanese_ = character;
    unsigned short shown = character <= 0xFFFF ? static_cast<unsigned short>(character) : 0xFFFD;
    PutChar(h_, v_, shown, font->GetCharWidthA(code), font->GetCharHeight(code), font->GetCharDepth(code));
    japanese_ = 0;
}

int KsDviDrawerBase::EightrToUnicode(unsigned char code, unsigned short& out) {
    out = kEightrToUnicode[code];
    return 1;
}

int KsDviDrawerBase::xHanToEucKr(int subfont, unsigned char b1, unsigned char b2, unsigned char b3, unsigned char& lead,
                                 unsigned char& trail) {
    return XHanTable::Find(subfont, uint32_t(b1) << 16 | uint32_t(b2) << 8 | b3, lead, trail);
}

// Fonts with a double-byte face: a lead byte waits for its trail byte, and the
// pair is shown once, where the lead byte was, through the double-byte face.
// True when the code was taken.
bool KsDviDrawerBase::PutDoubleByte(KsDvi::ItrnFont const* font, unsigned short code) {
    unsigned char c = static_cast<unsigned char>(code);
    if (mbState_ == 1) {
        unsigned short wide;
        if (EucKrToUnicode(pending_[0], c, wide))
            PutChar(pendingH_, pendingV_, wide, font->GetCharWidthA(c) + font->GetCharWidthA(pending_[0]),
                    font->GetCharHeight(code), font->GetCharDepth(code));
        mbState_ = 0;
        return true;
    }
    if (code > 0xFF || !IsEucKrLeadByte(code)) return false;
    mbState_ = 1;
    pending_[0] = c;
    pendingH_ = h_;
    pendingV_ = v_;
    return true;
}

// xhan fonts set a syllable as up to three jamo bytes; the bytes of zero width
// only build the sequence, and the first byte of positive width ends it.
void KsDviDrawerBase::PutXHan(KsDvi::ItrnFont const* font, unsigned char c) {
    switch (mbState_) {
    case 0:
        pendingH_ = h_;
        pendingV_ = v_;
        pending_[0] = c;
        pending_[1] = pending_[2] = 0;
        mbState_ = 2;
        break;
    case 2:
        pending_[1] = c;
        mbState_ = 3;
        break;
    case 3:
        pending_[2] = c;
        mbState_ = 0;
        break;
    default: break;
    }
    if (font->GetCharWidthA(c) <= 0) return;
    unsigned char lead = 0, trail = 0;
    unsigned short wide = 0;
    if (xHanToEucKr(font->GetxSeriesFontIndex(), pending_[0], pending_[1], pending_[2], lead, trail) &&
        EucKrToUnicode(lead, trail, wide)) {
        int width =
            font->GetCharWidthA(pending_[2]) + font->GetCharWidthA(pending_[1]) + font->GetCharWidthA(pending_[0]);
        PutChar(pendingH_, pendingV_, wide, width, font->GetCharHeight(pending_[0]), font->GetCharDepth(pending_[0]));
    }
    mbState_ = 0;
}

// A character of a Korean subfont shown by its EUC-KR code, with the metrics of `code`.
void KsDviDrawerBase::PutKorean(KsDvi::ItrnFont const* font, unsigned char lead, unsigned char trail,
                                unsigned short code) {
    unsigned short wide;
    if (EucKrToUnicode(lead, trail, wide))
        PutChar(h_, v_, wide, font->GetCharWidthA(code), font->GetCharHeight(code), font->GetCharDepth(code));
}

void KsDviDrawerBase::PutEncoded(KsDvi::ItrnFont const* font, unsigned short code) {
    unsigned char c = static_cast<unsigned char>(code);
    unsigned short shown;
    switch (font->GetEncoding()) {
    case KsDviTTFMap::ENC_OT1:
        // TeX's control positions move to where symbol faces keep those glyphs.
        shown = c <= 9 ? c + 0xA1 : c <= 32 ? c + 0xA3 : c == 127 ? 0xC4 : c;
        shown = static_cast<unsigned short>(0xF000 + shown);
        break;
    case KsDviTTFMap::ENC_8R_UNICODE: EightrToUnicode(c, shown); break;
    case KsDviTTFMap::ENC_RAW:
    case KsDviTTFMap::ENC_GLYPH_NAMES:  // the painter finds the glyph by the code's name
        PutChar(h_, v_, code, font->GetCharWidthA(code), font->GetCharHeight(code), font->GetCharDepth(code));
        return;
    case KsDviTTFMap::ENC_MSWINSYMBOL_UNICODE: shown = static_cast<unsigned short>(0xF000 + c); break;
    case KsDviTTFMap::ENC_XHAN_UNICODE: PutXHan(font, c); return;
    case KsDviTTFMap::ENC_XHANJA_UNICODE:
    case KsDviTTFMap::ENC_XSYMB_UNICODE: {
        // Subfont n holds the 256 characters from (n - 1) * 256 on, of the
        // Hanja rows (94 a row) or the symbol rows (96 a row, the first unused).
        unsigned n = ((font->GetxSeriesFontIndex() - 1) * 256u + c) % 65536u;
        bool hanja = font->GetEncoding() == KsDviTTFMap::ENC_XHANJA_UNICODE;
        unsigned lead = hanja ? (n / 94 + 0xCA) % 256 : (n / 96 + 0xA1) % 256;
        unsigned trail = hanja ? n % 94 + 0xA1 : (n % 96 + 0xA0) % 256;
        if (lead >= (hanja ? 0xCAu : 0xA1u) && lead <= (hanja ? 0xFEu : 0xACu) && trail >= 0xA1 && trail <= 0xFE)
            PutKorean(font, static_cast<unsigned char>(lead), static_cast<unsigned char>(trail), c);
        return;
    }
    case KsDviTTFMap::ENC_HLATEX: {
        unsigned char lead, trail;
        if (HLatexSubfontToEucKr(font->GetName().c_str(), c, lead, trail) == 0) PutKorean(font, lead, trail, code);
        return;
    }
    default: return;  // no such encoding: nothing is shown
    }
    PutChar(h_, v_, shown, font->GetCharWidthA(c), font->GetCharHeight(c), font->GetCharDepth(c));
}

// Runs a character's packet with the virtual font's own font table, from the
// character's position; the packet's pushes and pops use the page's stack.
// Packets that set many characters whose packets set many more multiply the
// work at each of ten levels; the page's budget of packet instructions ends them.
// A JFM virtual font (pTeX's and upTeX's) has packets only for the characters
// it moves or sends elsewhere: the others are put in its first font, as
// dvipdfmx puts them.
void KsDviDrawerBase::DoVirtualFont(KsDvi::ItrnFont const* font, unsigned c) {
    unsigned char const* packet = font->GetCharPacket(c);
    int length = font->GetCharPacketLength(c);
    if (!packet && !font->IsJfm()) return;
    if (virtualDepth_ >= MaxVirtualDepth || packetBudget_ <= 0) {
        virtualCut_ = virtualCut_ || packetBudget_ <= 0;
        return;
    }

    ++virtualDepth_;
    auto savedTable = fontTable_;
    int savedTableSize = fontTableSize_, savedFont = curFont_;
    int32_t sh = h_, sv = v_, sw = w_, sx = x_, sy = y_, sz = z_;
    unsigned char const *savedBase = base_, *savedLimit = limit_;

    fontTable_ = font->GetLocalFontIndex();
    fontTableSize_ = fontTable_ ? font->GetLocalFontIndexSize() : 0;
    curFont_ = -1;
    int first = font->GetFirstLocalFont();
    if (first >= 0 && GetItrnFont(first)) curFont_ = first;
    w_ = x_ = y_ = z_ = 0;

    if (packet) {
        base_ = packet;
        limit_ = packet + length;
        unsigned char const* p = packet;
        for (; p < limit_ && packetBudget_ > 0; --packetBudget_) {
            int n = ProcessInstruction(p);
            if (n <= 0) break;  // a bad instruction ends only this packet
            p += n;
        }
        if (p < limit_ && packetBudget_ <= 0) virtualCut_ = true;
    } else if (curFont_ >= 0) {
        --packetBudget_;
        DviPut(c);
    }

    base_ = savedBase;
    limit_ = savedLimit;
    fontTable_ = savedTable;
    fontTableSize_ = savedTableSize;
    curFont_ = savedFont;
    h_ = sh;
    v_ = sv;
    w_ = sw;
    x_ = sx;
    y_ = sy;
    z_ = sz;
    --virtualDepth_;
}
