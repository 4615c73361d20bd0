#pragma once
// The cases of parameterised tests declared in a file's unnamed namespace,
// known by their `name` member: in ctest's list, in failure messages and as
// the suffix of each test's name (INSTANTIATE_TEST_SUITE_P(..., ByName())).

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

template <class Case>
requires requires(Case const& c) { c.name; }
void PrintTo(Case const& c, std::ostream* out) { *out << c.name; }

struct ByName {
    template <class Case>
    std::string operator()(testing::TestParamInfo<Case> const& info) const {
        return info.param.name;
    }
};

}  // namespace
