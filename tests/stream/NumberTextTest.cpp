#include "stream/NumberText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "support/GermanLocale.h"

namespace {

using ksdvi::FiniteNumber;
using ksdvi::FixedNumber;
using ksdvi::GeneralNumber;
using ksdvi::TakeNumber;

struct Written {
    double value;
    int precision;
};

constexpr Written kWritten[] = {{1.5, 3},    {-0.00001, 4}, {0.1667, 6}, {1234567.0, 6}, {1e-5, 6},     {72.27, 10},
                                {-842.0, 0}, {0.0, 2},      {2.5, 0},    {1e300, 4},     {-1.0 / 3, 8}, {595.2756, 3}};

// printf's text in the C locale, the reference whatever locale is current later.
std::vector<std::string> PrintfTexts(char const* format) {
    std::vector<std::string> out;
    for (Written const& w : kWritten) {
        char text[400];
        std::snprintf(text, sizeof text, format, w.precision, w.value);
        out.push_back(text);
    }
    return out;
}

struct Read {
    char const* text;
    std::optional<double> whole;  // FiniteNumber
    std::optional<double> taken;  // TakeNumber
    char const* rest;             // what TakeNumber leaves
};

Read const kRead[] = {
    {"1.5", 1.5, 1.5, ""},
    {"+2", 2, 2, ""},
    {"-.5", -0.5, -0.5, ""},
    {"2e3", 2000, 2000, ""},
    {"5.", 5, 5, ""},
    {" 842 595]", {}, 842, " 595]"},
    {"\n-1.25x", {}, -1.25, "x"},
    {"1,5", {}, 1, ",5"},
    {"", {}, {}, ""},
    {"abc", {}, {}, "abc"},
    {"+-1", {}, {}, "+-1"},
    {"inf", {}, {}, "inf"},
    {"nan", {}, {}, "nan"},
    {"1e999", {}, {}, "1e999"},
    {"0x10", {}, 0, "x10"},
    {".167 SlantFont", {}, 0.167, " SlantFont"},
};

void ExpectNumbersAsInC(std::vector<std::string> const& fixed, std::vector<std::string> const& general) {
    for (size_t i = 0; i < std::size(kWritten); ++i) {
        EXPECT_EQ(FixedNumber(kWritten[i].value, kWritten[i].precision), fixed[i]) << i;
        EXPECT_EQ(GeneralNumber(kWritten[i].value, kWritten[i].precision), general[i]) << i;
    }
    for (Read const& r : kRead) {
        EXPECT_EQ(FiniteNumber(r.text), r.whole) << r.text;
        std::string_view text = r.text;
        EXPECT_EQ(TakeNumber(text), r.taken) << r.text;
        EXPECT_EQ(text, r.rest) << r.text;
    }
}

}  // namespace

TEST(NumberText, AsCsPrintfAndStrtodInTheCLocale) { ExpectNumbersAsInC(PrintfTexts("%.*f"), PrintfTexts("%.*g")); }

// A German locale makes printf write "1,5" and strtod stop at "1.5"'s point;
// ksdvi's numbers stay C's.
TEST(NumberText, TheSameInAGermanLocale) {
    TempDir dir;
    std::string const locales = MakeGermanLocale(dir);
    if (locales.empty()) GTEST_SKIP() << "no locale definitions to make de_DE from";
    std::vector<std::string> const fixed = PrintfTexts("%.*f"), general = PrintfTexts("%.*g");
    InGermanLocale german(locales);
    ASSERT_TRUE(german.Active());
    ExpectNumbersAsInC(fixed, general);
    EXPECT_EQ(PrintfTexts("%.*f")[0], "1,500") << "the locale writes a decimal comma";
}
