#include "dvi/FaceSubstitutions.h"

namespace ksdvi {

namespace {

constexpr char const* kCategoryFaces[FaceSubstitutions::CategoryCount] = {
    "Batang", "Dotum", "Gulim", "Gungsuh", "MS Gothic", "MS PGothic", "MS Mincho", "MS PMincho",
};

}  // namespace

FaceSubstitutions FaceSubstitutions::Defaults() {
    FaceSubstitutions s;
    // Hangul names are in EUC-KR, as Korean Windows writes them.
    s.lists[0] = {"Batang", "\xB9\xD9\xC5\xC1", "Noto Serif CJK KR", "Baekmuk Batang", "UnBatang", "NanumMyeongjo"};
    s.lists[1] = {"Dotum", "\xB5\xB8\xBF\xF2", "Noto Sans CJK KR", "Baekmuk Dotum", "UnDotum", "NanumGothic"};
    s.lists[2] = {"Gulim", "\xB1\xBC\xB8\xB2", "Baekmuk Gulim", "UnGraphic", "NanumBarunGothic"};
    s.lists[3] = {"Gungsuh", "\xB1\xC3\xBC\xAD", "UnGungseo"};
    s.lists[4] = {"MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic"};
    s.lists[5] = {"MS PGothic", "IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"};
    s.lists[6] = {"MS Mincho", "IPAMincho", "TakaoMincho"};
    s.lists[7] = {"MS PMincho", "IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoPMincho"};
    return s;
}

std::string FaceSubstitutions::Substitute(std::string_view face) const {
    for (int category = 0; category < CategoryCount; ++category)
        for (std::string const& prefix : lists[category])
            if (face.starts_with(prefix)) return kCategoryFaces[category];
    return defaultFace;
}

}  // namespace ksdvi
