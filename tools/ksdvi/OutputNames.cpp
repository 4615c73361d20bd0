#include "OutputNames.h"

#include "InputSpool.h"

std::string DefaultPattern(std::string const& file, std::string const& extension) {
    std::string pattern;
    for (char c : DocumentStem(file)) pattern += c == '%' ? "%%" : std::string(1, c);
    return pattern + "-%d" + extension;
}

bool NamesPageNumber(std::string const& pattern) {
    for (size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (pattern[i + 1] == 'd') return true;
        ++i;
    }
    return false;
}

std::string OutputPath(std::string const& pattern, int pageNumber) {
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            out += std::to_string(pageNumber);
            ++i;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out.push_back('%');
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}
