#pragma once
// Numbers as ksdvi reads and writes them in PostScript, PDF, CFF and map
// files: "1.5" whatever the process's LC_NUMERIC. strtod, sscanf and printf
// follow it, and a program embedding ksdvi (GTK sets the user's locale) would
// have them read and write "1,5".

#include <optional>
#include <string>
#include <string_view>

namespace ksdvi {

// The whole text as a finite number: "1.5", "+2", "-.5", "2e3"; none for
// anything else, for infinities and NaN.
std::optional<double> FiniteNumber(std::string_view text);

// A finite number after any leading white space, as strtod reads one; `text`
// then starts after it. None, and `text` unchanged, when it holds none.
std::optional<double> TakeNumber(std::string_view& text);

// printf's "%.<decimals>f" and "%.<digits>g" in the C locale.
std::string FixedNumber(double value, int decimals);
std::string GeneralNumber(double value, int digits);

}  // namespace ksdvi
