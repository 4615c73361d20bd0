#pragma once
// Walks every loaded font of a document: buckets 0 to 72, and within a bucket
// the most recently loaded font first.

#include "dvi/KsDvi.h"

class KsDvi::ItrnFontItr {
public:
    explicit ItrnFontItr(KsDvi& dvi);
    ItrnFontItr const& operator++();
    ItrnFont* operator()() const { return current_; }
    int IsFinished() const { return current_ == nullptr; }

private:
    void SeekFrom(int bucket);

    KsDvi* dvi_;
    int bucket_ = 0;
    ItrnFont* current_ = nullptr;
};
