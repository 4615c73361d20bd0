#include "stream/BinFileStream.h"

namespace ksdvi_detail {

MemoryBuf::pos_type MemoryBuf::seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) {
    off_type base = dir == std::ios::beg ? 0 : dir == std::ios::cur ? gptr() - eback() : egptr() - eback();
    off_type target = base + off;
    if (target < 0 || target > egptr() - eback()) return pos_type(off_type(-1));
    setg(eback(), eback() + target, egptr());
    return pos_type(target);
}

}  // namespace ksdvi_detail
