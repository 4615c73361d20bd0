#pragma once
// A painting drawer whose picture files come from memory: the pictures of
// tests/data, by file name, whatever folder a special names them in. Inputs
// then draw real pictures of every format without reading the disk, and a
// name an input makes up (/dev/zero, a FIFO) is never opened.

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "render/KsDviDrawer.h"

namespace ksdvi::fuzz {

class MemoryPictureDrawer : public KsDviDrawer {
public:
    // Reads the pictures once; every drawer shares them.
    static void LoadPictures();

protected:
    std::istream* OpenPictFileStream(PictInfo* p, int* size) override;
    void ClosePictFileStream(PictInfo* p, std::istream* s) override;

private:
    static std::map<std::string, std::string>& Pictures();
};

}  // namespace ksdvi::fuzz
