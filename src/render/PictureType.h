#pragma once
// The picture formats of KsDviDrawer::PictInfo::type, and how specials name
// them: a type word, or the last letters of a file name (letter case ignored).

#include <string_view>

enum PictureType {
    kPictureWmf = 0,
    kPictureEps = 1,
    kPictureJpeg = 2,
    kPictureGif = 3,
    kPicturePng = 4,
    kPictureBmp = 5,
};

// "WMF", "EPS", "JPG", "JPEG", "GIF", "PNG" or "BMP"; -1 for any other word.
int PictureTypeOfWord(std::string_view word);

// By the name's last three letters, or four for "JPEG"; -1 for other endings.
int PictureTypeOfFileName(std::string_view name);
