#pragma once
// What an unchanged test document gives through the pipeline, kept once per
// file for comparison with its mutants.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "DocumentRun.h"

namespace ksdvi::robustness {

inline std::string DataFile(std::string const& name) { return std::string(KSDVI_TEST_DATA) + "/" + name; }

struct PageSpan {
    int32_t texPage, start, end;
    bool operator==(PageSpan const&) const = default;
};

inline std::vector<PageSpan> PageTable(KsDvi const& dvi) {
    std::vector<PageSpan> spans;
    for (int i = 0; i < dvi.GetNPage(); ++i)
        spans.push_back({dvi.GetTeXPageNo(i), dvi.GetPageStartOffset(i), dvi.GetPageEndOffset(i)});
    return spans;
}

struct OriginalDocument {
    std::vector<uint8_t> bytes;
    std::vector<PageSpan> pages;
    std::vector<PageTrace> traces;
    size_t postOffset = 0;  // where the postamble starts
};

inline OriginalDocument const& OriginalOf(std::string const& name) {
    static std::map<std::string, OriginalDocument> cache;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    OriginalDocument o;
    o.bytes = ReadFileBytes(DataFile(name));
    DocumentRun run(DataFile(name));
    EXPECT_EQ(run.Document().GetMode(), KsDvi::Complete) << name;
    o.pages = PageTable(run.Document());
    o.traces = run.Trace();
    // post_post q[4] i[1] 223...: q is the postamble's offset.
    size_t i = o.bytes.size();
    while (i > 0 && o.bytes[i - 1] == 223) --i;
    for (size_t b = i - 5; b < i - 1; ++b) o.postOffset = o.postOffset << 8 | o.bytes[b];
    return cache.emplace(name, std::move(o)).first->second;
}

// A short name of a test document for test names: plain.dvi -> plain.
inline std::string Stem(std::string const& file) { return file.substr(0, file.find('.')); }

}  // namespace ksdvi::robustness
