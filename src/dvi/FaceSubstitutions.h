#pragma once
// Which face a document registers when a binary face-name record asks for a
// face the reference device does not have. Each of the eight categories stands
// for one Korean or Japanese system face and lists name prefixes that belong to
// it; a name in no list gets the default face. The lists are the host's data.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace ksdvi {

struct FaceSubstitutions {
    static constexpr int CategoryCount = 8;

    // Lists naming the Windows faces and the Korean and Japanese families that
    // Debian packages (Noto CJK, Baekmuk, Un, Nanum, IPA, VL, Takao).
    static FaceSubstitutions Defaults();

    // The first category, searched from 0 and each list from its first entry,
    // with an entry that is a prefix of `face` (case-sensitive) gives its face;
    // otherwise the default face.
    std::string Substitute(std::string_view face) const;

    std::array<std::vector<std::string>, CategoryCount> lists;
    std::string defaultFace = "Batang";
};

}  // namespace ksdvi
