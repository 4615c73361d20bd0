#pragma once
// Korean documents name the faces of Korean Windows: Batang, Dotum, Gulim,
// Gungsuh and Malgun Gothic, in English or in Hangul (EUC-KR, as Korean
// Windows writes face names). Debian has none of them; these families of
// fonts-unfonts-core, fonts-nanum, fonts-baekmuk and Noto CJK take their places,
// the first installed one winning:
//   Batang(Che), Gungsuh(Che) (serif, myeongjo) -> UnBatang / UnGungseo, NanumMyeongjo, Baekmuk Batang
//   Dotum(Che), Gulim(Che) (sans, gothic)      -> UnDotum, NanumGothic, Baekmuk Dotum / Baekmuk Gulim
//   Malgun Gothic                               -> NanumGothic, NanumBarunGothic, UnDotum

#include <span>
#include <string_view>

namespace ksdvi::gdi {

// The families that stand in for `face`, best first; empty when `face` is not
// a Korean Windows face.
std::span<char const* const> KoreanStandIns(std::string_view face);

}  // namespace ksdvi::gdi
