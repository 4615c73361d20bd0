// Fuzz target: the text after `src:` as ParseSourceSpecial reads it
// (sync/SourceSpecial.h). What it accepts has a positive line, a column of 0
// or more, and a file name of printable bytes no longer than the limit,
// taken from the input itself.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzEnvironment.h"
#include "sync/SourceSpecial.h"

using namespace ksdvi::fuzz;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetUpProcess();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* data, size_t size) {
    std::string_view const text(reinterpret_cast<char const*>(data), size);
    std::optional<ksdvi::SourceSpecial> special = ksdvi::ParseSourceSpecial(text);
    if (!special) return 0;
    if (special->line <= 0 || special->column < 0) std::abort();
    if (special->file.size() > ksdvi::kLongestSourceName) std::abort();
    if (!special->file.empty() && text.find(special->file) == std::string_view::npos) std::abort();
    for (char c : special->file)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) std::abort();
    return 0;
}
