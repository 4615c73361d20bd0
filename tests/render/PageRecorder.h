#pragma once
// What a page holds, as the interpreter reports it: characters and rules with
// their boxes and the specials with the point where they stand, in DVI units.

#include <string>
#include <vector>

#include "interp/KsDviDrawerBase.h"

namespace ksdvi::test {

class PageRecorder : public KsDviDrawerBase {
public:
    struct Item {
        enum Kind { Char, Rule, Special } kind;
        int h, v;
        int width = 0, height = 0, depth = 0;  // a rule's height lies above v
        std::string text;                      // specials
    };

    PageRecorder(KsDvi& dvi, int page) {
        if (Open(dvi, page)) Draw(-1);
        Close();
    }
    std::vector<Item> items;

protected:
    void PutChar(int h, int v, unsigned short, int width, int height, int depth) override {
        items.push_back({Item::Char, h, v, width, height, depth, {}});
    }
    void PutRule(int h, int v, int height, int width) override {
        items.push_back({Item::Rule, h, v, width, height, 0, {}});
    }
    void DoSpecial(unsigned int length, InstPtr text) override {
        items.push_back(
            {Item::Special, GetH(), GetV(), 0, 0, 0, std::string(reinterpret_cast<char const*>(text.Get()), length)});
    }
};

}  // namespace ksdvi::test
