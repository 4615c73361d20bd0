// A scan's state and its sentence: complete, growing (TeX still writing),
// or malformed, each problem named with its place.

#include <gtest/gtest.h>

#include "page/DocumentState.h"
#include "support/ScratchDocument.h"

namespace {

using ksdvi::DocumentState;

TEST(DocumentState, EachProblemIsNamedWithItsPlace) {
    DviBuilder whole;
    whole.Pre().Page(1).Page(2).Post();
    std::vector<uint8_t> const bytes = whole.bytes;
    auto cut = [&](size_t n) { return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(n)); };
    DviBuilder badOpcode;
    badOpcode.Pre().Bop(1).Op(250).Eop().Post();
    DviBuilder eopAlone;
    eopAlone.Pre().Op(140);
    DviBuilder version;
    version.Pre(1000, 9);

    struct Case {
        char const* what;
        std::vector<uint8_t> bytes;
        DocumentState state;
        std::string problem;
    } const cases[] = {
        {"whole", bytes, DocumentState::Complete, ""},
        {"cut inside page 2", cut(15 + 4 + 46 + 20), DocumentState::Growing,
         "file ends inside page 2 (incomplete: 1 complete pages)"},
        {"cut inside the postamble", cut(bytes.size() - 3), DocumentState::Growing,
         "file ends inside the postamble (incomplete: 2 complete pages)"},
        {"bad opcode", badOpcode.bytes, DocumentState::Malformed,
         "malformed: opcode 250 not allowed at offset 64 (page 1)"},
        {"eop first", eopAlone.bytes, DocumentState::Malformed, "malformed: eop without bop at offset 19 (page 1)"},
        {"identification byte 9", version.bytes, DocumentState::Malformed,
         "unsupported DVI identification byte 9 (expected 2 or 3, or 5 to 7 for XDV)"},
        {"no preamble",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         DocumentState::Malformed,
         "not a DVI file (no preamble)"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDocument doc(c.bytes);
        ksdvi::DocumentStatus status = ksdvi::StatusOf(doc.dvi);
        EXPECT_EQ(ksdvi::StateName(status.state), std::string(ksdvi::StateName(c.state)));
        EXPECT_EQ(status.problem, c.problem);
    }
}

}  // namespace
