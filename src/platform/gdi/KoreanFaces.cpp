#include "platform/gdi/KoreanFaces.h"

#include <strings.h>

#include <array>

namespace ksdvi::gdi {

namespace {

constexpr char const* kMyeongjo[] = {"UnBatang", "NanumMyeongjo", "Baekmuk Batang", "Noto Serif CJK KR"};
constexpr char const* kGungseo[] = {"UnGungseo", "UnBatang", "NanumMyeongjo", "Baekmuk Batang", "Noto Serif CJK KR"};
constexpr char const* kDotum[] = {"UnDotum", "NanumGothic", "Baekmuk Dotum", "Noto Sans CJK KR"};
constexpr char const* kGulim[] = {"UnDotum", "NanumGothic", "Baekmuk Gulim", "Noto Sans CJK KR"};
constexpr char const* kMalgun[] = {"NanumGothic", "NanumBarunGothic", "UnDotum", "Noto Sans CJK KR"};

struct Alias {
    char const* face;
    std::span<char const* const> standIns;
};

// Each face by its English name, then its Hangul name in EUC-KR and in UTF-8.
constexpr std::array kAliases = {
    Alias{"Batang", kMyeongjo},
    Alias{"\xB9\xD9\xC5\xC1", kMyeongjo},
    Alias{"\xEB\xB0\x94\xED\x83\x95", kMyeongjo},
    Alias{"BatangChe", kMyeongjo},
    Alias{"\xB9\xD9\xC5\xC1\xC3\xBC", kMyeongjo},
    Alias{"\xEB\xB0\x94\xED\x83\x95\xEC\xB2\xB4", kMyeongjo},
    Alias{"Gungsuh", kGungseo},
    Alias{"\xB1\xC3\xBC\xAD", kGungseo},
    Alias{"\xEA\xB6\x81\xEC\x84\x9C", kGungseo},
    Alias{"GungsuhChe", kGungseo},
    Alias{"\xB1\xC3\xBC\xAD\xC3\xBC", kGungseo},
    Alias{"\xEA\xB6\x81\xEC\x84\x9C\xEC\xB2\xB4", kGungseo},
    Alias{"Dotum", kDotum},
    Alias{"\xB5\xB8\xBF\xF2", kDotum},
    Alias{"\xEB\x8F\x8B\xEC\x9B\x80", kDotum},
    Alias{"DotumChe", kDotum},
    Alias{"\xB5\xB8\xBF\xF2\xC3\xBC", kDotum},
    Alias{"\xEB\x8F\x8B\xEC\x9B\x80\xEC\xB2\xB4", kDotum},
    Alias{"Gulim", kGulim},
    Alias{"\xB1\xBC\xB8\xB2", kGulim},
    Alias{"\xEA\xB5\xB4\xEB\xA6\xBC", kGulim},
    Alias{"GulimChe", kGulim},
    Alias{"\xB1\xBC\xB8\xB2\xC3\xBC", kGulim},
    Alias{"\xEA\xB5\xB4\xEB\xA6\xBC\xEC\xB2\xB4", kGulim},
    Alias{"Malgun Gothic", kMalgun},
    Alias{"\xB8\xBC\xC0\xBA \xB0\xED\xB5\xF1", kMalgun},
    Alias{"\xEB\xA7\x91\xEC\x9D\x80 \xEA\xB3\xA0\xEB\x94\x95", kMalgun},
};

}  // namespace

std::span<char const* const> KoreanStandIns(std::string_view face) {
    for (Alias const& alias : kAliases) {
        std::string_view name = alias.face;
        if (name.size() == face.size() && strncasecmp(name.data(), face.data(), name.size()) == 0)
            return alias.standIns;
    }
    return {};
}

}  // namespace ksdvi::gdi
