#include "render/PictureType.h"

#include "dvi/SpecialParsing.h"

namespace {

struct TypeName {
    std::string_view name;
    PictureType type;
};

constexpr TypeName kTypeNames[] = {
    {"WMF", kPictureWmf}, {"EPS", kPictureEps}, {"JPG", kPictureJpeg}, {"JPEG", kPictureJpeg},
    {"GIF", kPictureGif}, {"PNG", kPicturePng}, {"BMP", kPictureBmp},
};

bool SameIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && StartsWith(reinterpret_cast<unsigned char const*>(text.data()), word);
}

}  // namespace

int PictureTypeOfWord(std::string_view word) {
    for (TypeName const& t : kTypeNames)
        if (SameIgnoringCase(word, t.name)) return t.type;
    return -1;
}

int PictureTypeOfFileName(std::string_view name) {
    for (TypeName const& t : kTypeNames)
        if (name.size() >= t.name.size() && SameIgnoringCase(name.substr(name.size() - t.name.size()), t.name))
            return t.type;
    return -1;
}
