#include "MemoryPictureDrawer.h"

#include <filesystem>

#include "FuzzEnvironment.h"

namespace ksdvi::fuzz {

std::map<std::string, std::string>& MemoryPictureDrawer::Pictures() {
    static std::map<std::string, std::string> pictures;
    return pictures;
}

void MemoryPictureDrawer::LoadPictures() {
    namespace fs = std::filesystem;
    std::vector<fs::path> files = {DataFile("figure.eps")};
    for (fs::directory_entry const& entry : fs::directory_iterator(DataFile("pictures"))) files.push_back(entry.path());
    files.push_back(fs::path(KSDVI_FUZZ_SEEDS) / "pictures" / "drawing.wmf");
    for (fs::path const& file : files) {
        std::vector<uint8_t> bytes = ReadFile(file.string());
        Pictures()[file.filename().string()] = std::string(bytes.begin(), bytes.end());
    }
}

std::istream* MemoryPictureDrawer::OpenPictFileStream(PictInfo* p, int* size) {
    if (!p) return nullptr;
    std::string name = std::filesystem::path(std::string(p->fileName.view())).filename().string();
    auto it = Pictures().find(name);
    if (it == Pictures().end()) return nullptr;
    if (size) *size = static_cast<int>(it->second.size());
    return new std::istringstream(it->second);
}

void MemoryPictureDrawer::ClosePictFileStream(PictInfo*, std::istream* s) { delete s; }

}  // namespace ksdvi::fuzz
