#include "writer/KsDviWriter.h"

#include <cstring>

#include "dvi/DviOpcodes.h"

using namespace ksdvi::dvi;

namespace {

constexpr unsigned kPadding = 223;
constexpr int kBopBytes = 45;

}  // namespace

int KsDviWriter::WritePreamble(unsigned int den, unsigned int num, unsigned int mag, unsigned char const* comment) {
    size_t length = comment ? std::strlen(reinterpret_cast<char const*>(comment)) : 0;
    if (length >= 256) return 0;
    numerator_ = num;
    denominator_ = den;
    magnification_ = mag;
    pageCount_ = 0;
    lastBop_ = -1;
    postId_ = kDviId;
    seekp(0);
    WriteUInt8(kPre);
    WriteUInt8(kDviId);
    WriteUInt32(numerator_);
    WriteUInt32(denominator_);
    WriteUInt32(magnification_);
    WriteUInt8(static_cast<uint32_t>(length));
    write(reinterpret_cast<char const*>(comment), static_cast<std::streamsize>(length));
    return 1;
}

void KsDviWriter::WriteBop(int const counters[10]) {
    WriteUInt8(kBop);
    for (int i = 0; i < 10; ++i) WriteInt32(counters[i]);
    WriteInt32(lastBop_);
    lastBop_ = Position() - kBopBytes;
}

void KsDviWriter::WriteEop() {
    WriteUInt8(kEop);
    ++pageCount_;
}

void KsDviWriter::WritePostamble(int maxStack, int maxHeight, int maxWidth) {
    postambleOffset_ = Position();
    WriteUInt8(kPost);
    WriteInt32(lastBop_);
    WriteUInt32(numerator_);
    WriteUInt32(denominator_);
    WriteUInt32(magnification_);
    WriteInt32(maxHeight);
    WriteInt32(maxWidth);
    WriteInt16(maxStack < 0 ? 100 : maxStack);
    WriteUInt16(static_cast<uint32_t>(pageCount_));
}

void KsDviWriter::NoteDirections() { postId_ = kPtexId; }

// Five to eight 223s: the file's length becomes a multiple of four.
void KsDviWriter::WritePostPostamble() {
    WriteUInt8(kPostPost);
    WriteInt32(postambleOffset_);
    WriteUInt8(postId_);
    for (int n = 8 - Position() % 4; n > 0; --n) WriteUInt8(kPadding);
}
