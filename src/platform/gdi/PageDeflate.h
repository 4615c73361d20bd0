// The zlib stream of a page image's rows. Pages are long runs of one pixel
// between a little ink; zlib spends most of a page's time looking for those
// runs byte by byte (and summing them for its checksum). This finds them a
// word at a time, as matches one pixel back, and codes each block with
// Huffman codes built from its own counts, as deflate's dynamic blocks allow.
// On page images the output is as small as zlib's run-length strategy makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ksdvi::gdi {

class PageDeflate {
public:
    // Starts a stream whose runs repeat `bytesPerPixel` (1 to 4) bytes back.
    // The buffers stay from stream to stream: pages come one after another.
    void Start(int bytesPerPixel);
    // Adds the bytes of one row.
    void AddRow(const std::uint8_t* bytes, std::size_t count);
    // Ends the stream with the last block and the checksum.
    void Finish();

    // The output so far that Drop has not yet let go of.
    const std::uint8_t* Output() const { return out_.get(); }
    std::size_t OutputSize() const { return outSize_; }
    void Drop() { outSize_ = 0; }

private:
    class BitSink;
    // Where `bytes` more of output can go; grown without clearing.
    std::uint8_t* Room(std::size_t bytes);
    void PutBlock(bool last);

    int distance_ = 1;
    std::uint32_t adler_ = 1;
    // Literals are the byte; a match of length L (3 to 258) is 256 + L.
    std::vector<std::uint16_t> tokens_;  // the first tokenCount_ are this block's
    std::size_t tokenCount_ = 0;
    std::uint64_t bits_ = 0;  // not yet written, lowest first
    int bitCount_ = 0;
    std::unique_ptr<std::uint8_t[]> out_;
    std::size_t outSize_ = 0, outCapacity_ = 0;
};

}  // namespace ksdvi::gdi
