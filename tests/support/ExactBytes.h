#pragma once
// Special text in a heap block of exactly its length plus the NUL the scan
// puts after it, so that AddressSanitizer reports any read past the end.

#include <cstring>
#include <memory>
#include <string_view>

class ExactBytes {
public:
    explicit ExactBytes(std::string_view text)
        : length_(static_cast<int>(text.size())), bytes_(new unsigned char[text.size() + 1]) {
        std::memcpy(bytes_.get(), text.data(), text.size());
        bytes_[text.size()] = 0;
    }
    unsigned char* Get() const { return bytes_.get(); }
    int Length() const { return length_; }

private:
    int length_;
    std::unique_ptr<unsigned char[]> bytes_;
};
