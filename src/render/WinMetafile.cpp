#include "render/WinMetafile.h"

#include <fstream>
#include <vector>

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::streamoff kPlaceableHeader = 22, kStandardHeader = 18;
// A picture's metafile is at most a few megabytes; a header that claims more
// than this is damage, not a drawing.
constexpr uint64_t kLargestMetafile = uint64_t(1) << 28;

uint32_t Little(unsigned char const* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

int Signed16(unsigned char const* p) { return static_cast<int16_t>(Little(p, 2)); }

}  // namespace

WinMetafile::~WinMetafile() {
    if (handle_) ksdvi::gdi::DeleteMetaFile(handle_);
}

int WinMetafile::Read(std::istream& in) {
    if (loaded_) throw ReOpenError();
    std::streampos start = in.tellg();
    unsigned char header[24];
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || Little(header, 4) != kPlaceableKey) return 0;
    left_ = Signed16(header + 6);
    top_ = Signed16(header + 8);
    right_ = Signed16(header + 10);
    bottom_ = Signed16(header + 12);
    inch_ = Signed16(header + 14);
    unsigned char standard[kStandardHeader];
    in.seekg(start + kPlaceableHeader);
    if (!in.read(reinterpret_cast<char*>(standard), sizeof standard)) return 0;
    uint64_t bytes = uint64_t(Little(standard + 6, 4)) * 2;
    if (bytes < uint64_t(kStandardHeader) || bytes > kLargestMetafile) return 0;
    // A header may claim more than the file holds: nothing is allocated for that.
    in.seekg(0, std::ios::end);
    if (!in || uint64_t(in.tellg() - (start + std::streamoff(kPlaceableHeader))) < bytes) return 0;
    std::vector<ksdvi::gdi::BYTE> data(bytes);
    in.seekg(start + kPlaceableHeader);
    if (!in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(bytes))) return 0;
    handle_ = ksdvi::gdi::SetMetaFileBitsEx(static_cast<ksdvi::gdi::UINT>(bytes), data.data());
    loaded_ = handle_ != nullptr;
    return loaded_;
}

int WinMetafile::Open(String8 const& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return in ? Read(in) : 0;
}
