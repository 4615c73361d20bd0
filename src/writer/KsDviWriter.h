#pragma once
// Writes a DVI file: the preamble, each page's bop and eop with the chain of
// back-pointers DVI requires, the postamble and its trailer. What lies
// between a bop and its eop, and the postamble's font definitions, the
// caller writes through the stream itself.

#include <cstdint>

#include "stream/BinFileStream.h"

class KsDviWriter : public BinOutFileStream {
public:
    KsDviWriter() = default;

    // The denominator comes first, the numerator second; the file gets them
    // the other way round, as DVI has them. 0 for a comment of 256 bytes or
    // more, with nothing written.
    int WritePreamble(unsigned int den, unsigned int num, unsigned int mag, unsigned char const* comment);
    void WriteBop(int const counters[10]);
    void WriteEop();
    // A negative maxStack is written as 100.
    void WritePostamble(int maxStack, int maxHeight, int maxWidth);
    void WritePostPostamble();
    // A page written holds pTeX's dir: post_post says 3, as pTeX writes it.
    void NoteDirections();

    int GetPageCount() const { return pageCount_; }

private:
    int32_t Position() { return static_cast<int32_t>(tellp()); }

    uint32_t numerator_ = 0;
    uint32_t denominator_ = 0;
    uint32_t magnification_ = 0;
    int pageCount_ = 0;
    int32_t lastBop_ = -1;
    int32_t postambleOffset_ = 0;
    unsigned postId_ = 2;  // post_post's identification byte
};
