// The standard TeX fonts and the outline faces made for them, used when a font
// has no map entry and its name is not an installed face. Heights always come
// from the font's size; the width factor narrows a face to the font's set width.

#include "render/BuiltinFaceTable.h"

#include <strings.h>

namespace ksdvi {

namespace {

// Sorted by TeX name; the first match wins.
constexpr BuiltinFace kFaces[] = {
    {"cccsc10", "Kestrel EM", 0.0, 0.0, 0, 0},      {"ccmi10", "Kestrel MI", 0.0, 0.0, 0, 0},
    {"ccr10", "Kestrel RM", 0.0, 0.0, 0, 0},        {"ccr5", "Kestrel RM", 0.0, 0.752, 0, 0},
    {"ccr6", "Kestrel RM", 0.0, 0.684, 0, 0},       {"ccr7", "Kestrel RM", 0.0, 0.642, 0, 0},
    {"ccr8", "Kestrel RM", 0.0, 0.605, 0, 0},       {"ccr9", "Kestrel RM", 0.0, 0.585, 0, 0},
    {"ccsl10", "Kestrel EM", 0.0, 0.0, 0, 1},       {"ccslc9", "Kestrel EM", 0.0, 0.506, 0, 1},
    {"ccti10", "Kestrel RM", 0.0, 0.0, 0, 1},       {"cmb10", "Kestrel RM", 0.0, 0.57, 700, 0},
    {"cmbsy10", "Kestrel SY", 0.0, 0.0, 700, 0},    {"cmbsy5", "Kestrel SY", 0.0, 1.035, 700, 0},
    {"cmbsy6", "Kestrel SY", 0.0, 0.962, 700, 0},   {"cmbsy7", "Kestrel SY", 0.0, 0.882, 700, 0},
    {"cmbsy8", "Kestrel SY", 0.0, 0.832, 700, 0},   {"cmbsy9", "Kestrel SY", 0.0, 0.807, 700, 0},
    {"cmbx10", "Kestrel RM", 0.0, 0.0, 700, 0},     {"cmbx12", "Kestrel RM", 0.0, 0.642, 700, 0},
    {"cmbx5", "Kestrel RM", 0.0, 0.852, 700, 0},    {"cmbx6", "Kestrel RM", 0.0, 0.784, 700, 0},
    {"cmbx7", "Kestrel RM", 0.0, 0.735, 700, 0},    {"cmbx8", "Kestrel RM", 0.0, 0.699, 700, 0},
    {"cmbx9", "Kestrel RM", 0.0, 0.675, 700, 0},    {"cmbxcd10", "Kestrel RM", 0.0, 0.0, 700, 0},
    {"cmbxsl10", "Kestrel EM", 0.0, 0.0, 700, 1},   {"cmbxti10", "Kestrel RM", 0.0, 0.0, 700, 1},
    {"cmbxti12", "Kestrel RM", 0.0, 0.656, 700, 1}, {"cmbxti7", "Kestrel RM", 0.0, 0.729, 700, 1},
    {"cmcsc10", "Kestrel EM", 0.0, 0.0, 0, 0},      {"cmcsc8", "Kestrel EM", 0.0, 0.664, 0, 0},
    {"cmcsc9", "Kestrel EM", 0.0, 0.629, 0, 0},     {"cmcscsl10", "Kestrel EM", 0.0, 0.0, 0, 1},
    {"cmdunh10", "Kestrel RM", 0.0, 0.56, 0, 0},    {"cmex10", "Kestrel EX", 0.0, 0.0, 0, 0},
    {"cmex7", "Kestrel EX", 0.0, 0.886, 0, 0},      {"cmex8", "Kestrel EX", 0.0, 0.827, 0, 0},
    {"cmex9", "Kestrel EX", 0.0, 0.8, 0, 0},        {"cmff10", "Kestrel SS", 0.0, 0.503, 0, 0},
    {"cmfi10", "Kestrel SS", 0.0, 0.647, 0, 1},     {"cmfib8", "Kestrel SS", 0.0, 0.772, 700, 1},
    {"cmfibs8", "Kestrel SS", 0.0, 0.772, 700, 1},  {"cminch", "Kestrel RM", 0.0, 0.581, 0, 0},
    {"cmitt10", "Kestrel TT", 0.0, 0.0, 0, 1},      {"cmitt12", "Kestrel TT", 0.0, 0.511, 0, 1},
    {"cmitt9", "Kestrel TT", 0.0, 0.53, 0, 1},      {"cmmi10", "Kestrel MI", 0.0, 0.0, 0, 0},
    {"cmmi12", "Kestrel MI", 0.0, 0.571, 0, 0},     {"cmmi5", "Kestrel MI", 0.0, 0.799, 0, 0},
    {"cmmi6", "Kestrel MI", 0.0, 0.713, 0, 0},      {"cmmi7", "Kestrel MI", 0.0, 0.663, 0, 0},
    {"cmmi8", "Kestrel MI", 0.0, 0.615, 0, 0},      {"cmmi9", "Kestrel MI", 0.0, 0.597, 0, 0},
    {"cmmib10", "Kestrel MI", 0.0, 0.0, 700, 0},    {"cmmib5", "Kestrel MI", 0.0, 0.887, 700, 0},
    {"cmmib6", "Kestrel MI", 0.0, 0.822, 700, 0},   {"cmmib7", "Kestrel MI", 0.0, 0.755, 700, 0},
    {"cmmib8", "Kestrel MI", 0.0, 0.711, 700, 0},   {"cmmib9", "Kestrel MI", 0.0, 0.69, 700, 0},
    {"cmr10", "Kestrel RM", 0.0, 0.0, 0, 0},        {"cmr12", "Kestrel RM", 0.0, 0.557, 0, 0},
    {"cmr17", "Kestrel RM", 0.0, 0.527, 0, 0},      {"cmr5", "Kestrel RM", 0.0, 0.752, 0, 0},
    {"cmr6", "Kestrel RM", 0.0, 0.684, 0, 0},       {"cmr7", "Kestrel RM", 0.0, 0.642, 0, 0},
    {"cmr8", "Kestrel RM", 0.0, 0.605, 0, 0},       {"cmr9", "Kestrel RM", 0.0, 0.585, 0, 0},
    {"cmsl10", "Kestrel EM", 0.0, 0.0, 0, 1},       {"cmsl12", "Kestrel EM", 0.0, 0.557, 0, 1},
    {"cmsl6", "Kestrel EM", 0.0, 0.648, 0, 1},      {"cmsl8", "Kestrel EM", 0.0, 0.605, 0, 1},
    {"cmsl9", "Kestrel EM", 0.0, 0.585, 0, 1},      {"cmsltt10", "Kestrel TT", 0.0, 0.0, 0, 1},
    {"cmsltt9", "Kestrel TT", 0.0, 0.537, 0, 1},    {"cmss10", "Kestrel SS", 0.0, 0.0, 0, 0},
    {"cmss12", "Kestrel SS", 0.0, 0.536, 0, 0},     {"cmss17", "Kestrel SS", 0.0, 0.514, 0, 0},
    {"cmss8", "Kestrel SS", 0.0, 0.582, 0, 0},      {"cmss9", "Kestrel SS", 0.0, 0.563, 0, 0},
    {"cmssbx10", "Kestrel SS", 0.0, 0.0, 700, 0},   {"cmssbxo10", "Kestrel SS", 0.0, 0.0, 700, 0},
    {"cmssdc10", "Kestrel SS", 0.0, 0.527, 700, 0}, {"cmssi10", "Kestrel SS", 0.0, 0.0, 0, 1},
    {"cmssi12", "Kestrel SS", 0.0, 0.536, 0, 1},    {"cmssi17", "Kestrel SS", 0.0, 0.514, 0, 1},
    {"cmssi8", "Kestrel SS", 0.0, 0.582, 0, 1},     {"cmssi9", "Kestrel SS", 0.0, 0.563, 0, 1},
    {"cmsslu30", "Kestrel SS", 0.0, 0.273, 0, 0},   {"cmssq8", "Kestrel SS", 0.0, 0.716, 0, 0},
    {"cmssqi8", "Kestrel SS", 0.0, 0.716, 0, 1},    {"cmssu30", "Kestrel SS ", 0.0, 0.301, 700, 0},
    {"cmsy10", "Kestrel SY", 0.0, 0.0, 0, 0},       {"cmsy5", "Kestrel SY", 0.0, 0.933, 0, 0},
    {"cmsy6", "Kestrel SY", 0.0, 0.833, 0, 0},      {"cmsy7", "Kestrel SY", 0.0, 0.776, 0, 0},
    {"cmsy8", "Kestrel SY", 0.0, 0.721, 0, 0},      {"cmsy9", "Kestrel SY", 0.0, 0.699, 0, 0},
    {"cmtcsc10", "Kestrel EM", 0.0, 0.601, 0, 0},   {"cmtex10", "Kestrel TT", 0.0, 0.0, 0, 0},
    {"cmtex8", "Kestrel TT", 0.0, 0.531, 0, 0},     {"cmtex9", "Kestrel TT", 0.0, 0.0, 0, 0},
    {"cmti10", "Kestrel RM", 0.0, 0.0, 0, 1},       {"cmti12", "Kestrel RM", 0.0, 0.56, 0, 1},
    {"cmti7", "Kestrel RM", 0.0, 0.669, 0, 1},      {"cmti8", "Kestrel RM", 0.0, 0.614, 0, 1},
    {"cmti9", "Kestrel RM", 0.0, 0.587, 0, 1},      {"cmtt10", "Kestrel TT", 0.0, 0.0, 0, 0},
    {"cmtt12", "Kestrel TT", 0.0, 0.515, 0, 0},     {"cmtt8", "Kestrel TT", 0.0, 0.531, 0, 0},
    {"cmtt9", "Kestrel TT", 0.0, 0.0, 0, 0},        {"cmu10", "Kestrel RM", 0.0, 0.61, 0, 0},
    {"cmvtt10", "Kestrel TT", 0.0, 0.0, 0, 0},      {"cmvtti10", "Kestrel TT", 0.0, 0.0, 0, 1},
    {"euex10", "Kestrel EX", 0.0, 0.0, 0, 0},       {"euex7", "Kestrel EX", 0.0, 0.886, 0, 0},
    {"euex8", "Kestrel EX", 0.0, 0.827, 0, 0},      {"euex9", "Kestrel EX", 0.0, 0.8, 0, 0},
    {"eufb10", "Kestrel EF", 0.0, 0.0, 700, 0},     {"eufb5", "Kestrel EF", 0.0, 0.811, 700, 0},
    {"eufb6", "Kestrel EF", 0.0, 0.753, 700, 0},    {"eufb7", "Kestrel EF", 0.0, 0.668, 700, 0},
    {"eufb8", "Kestrel EF", 0.0, 0.651, 700, 0},    {"eufb9", "Kestrel EF", 0.0, 0.632, 700, 0},
    {"eufm10", "Kestrel EF", 0.0, 0.0, 0, 0},       {"eufm5", "Kestrel EF", 0.0, 0.746, 0, 0},
    {"eufm6", "Kestrel EF", 0.0, 0.637, 0, 0},      {"eufm7", "Kestrel EF", 0.0, 0.6, 0, 0},
    {"eufm8", "Kestrel EF", 0.0, 0.551, 0, 0},      {"eufm9", "Kestrel EF", 0.0, 0.534, 0, 0},
    {"eurb10", "Kestrel EF", 0.0, 0.557, 700, 0},   {"eurb5", "Kestrel EF", 0.0, 0.776, 700, 0},
    {"eurb6", "Kestrel EF", 0.0, 0.693, 700, 0},    {"eurb7", "Kestrel EF", 0.0, 0.648, 700, 0},
    {"eurb8", "Kestrel EF", 0.0, 0.621, 700, 0},    {"eurb9", "Kestrel EF", 0.0, 0.582, 700, 0},
    {"eurm10", "Kestrel EF", 0.0, 0.506, 0, 0},     {"eurm5", "Kestrel EF", 0.0, 0.728, 0, 0},
    {"eurm6", "Kestrel EF", 0.0, 0.661, 0, 0},      {"eurm7", "Kestrel EF", 0.0, 0.61, 0, 0},
    {"eurm8", "Kestrel EF", 0.0, 0.568, 0, 0},      {"eurm9", "Kestrel EF", 0.0, 0.529, 0, 0},
    {"eusb10", "Kestrel EF", 0.0, 0.504, 700, 0},   {"eusb5", "Kestrel EF", 0.0, 0.7, 700, 0},
    {"eusb6", "Kestrel EF", 0.0, 0.633, 700, 0},    {"eusb7", "Kestrel EF", 0.0, 0.582, 700, 0},
    {"eusb8", "Kestrel EF", 0.0, 0.545, 700, 0},    {"eusb9", "Kestrel EF", 0.0, 0.518, 700, 0},
    {"eusm10", "Kestrel EF", 0.0, 0.446, 0, 0},     {"eusm5", "Kestrel EF", 0.0, 0.656, 0, 0},
    {"eusm6", "Kestrel EF", 0.0, 0.591, 0, 0},      {"eusm7", "Kestrel EF", 0.0, 0.542, 0, 0},
    {"eusm8", "Kestrel EF", 0.0, 0.507, 0, 0},      {"eusm9", "Kestrel EF", 0.0, 0.462, 0, 0},
    {"manfnt", "Kestrel RM", 0.0, 0.423, 0, 0},     {"msam10", "Kestrel SA", 0.0, 0.0, 0, 0},
    {"msam5", "Kestrel SA", 0.0, 0.921, 0, 0},      {"msam6", "Kestrel SA", 0.0, 0.851, 0, 0},
    {"msam7", "Kestrel SA", 0.0, 0.812, 0, 0},      {"msam8", "Kestrel SA", 0.0, 0.788, 0, 0},
    {"msam9", "Kestrel SA", 0.0, 0.771, 0, 0},      {"msbm10", "Kestrel SB", 0.0, 0.0, 0, 0},
    {"msbm5", "Kestrel SB", 0.0, 0.0, 0, 0},        {"msbm6", "Kestrel SB", 0.0, 0.0, 0, 0},
    {"msbm7", "Kestrel SB", 0.0, 0.0, 0, 0},        {"msbm8", "Kestrel SB", 0.0, 0.0, 0, 0},
    {"msbm9", "Kestrel SB", 0.0, 0.0, 0, 0},
};

}  // namespace

BuiltinFace const* FindBuiltinFace(char const* texName) {
    if (!texName) return nullptr;
    for (BuiltinFace const& face : kFaces)
        if (strcasecmp(face.texName, texName) == 0) return &face;
    return nullptr;
}

}  // namespace ksdvi
