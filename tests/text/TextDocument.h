#pragma once
// Test documents of tests/data opened with the TeX installation's fonts, and
// the characters the interpreter reports on their pages.

#include <string>
#include <vector>

#include "dvi/KsDvi.h"
#include "support/Cli.h"
#include "support/RecordingDrawer.h"

struct TextDocument {
    explicit TextDocument(std::string const& name) {
        dvi.Open(String8(DataFile(name).c_str()), {}, {});
        dvi.NewPageWritten(0);
    }
    // The characters of a page in drawing order.
    std::vector<Call> Chars(int page) {
        std::vector<Call> chars;
        for (Call const& c : RecordingDrawer(dvi, page).calls)
            if (c.kind == "char") chars.push_back(c);
        return chars;
    }
    KsDvi dvi;
};
