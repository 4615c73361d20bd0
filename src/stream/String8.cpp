#include "stream/String8.h"

#include <algorithm>

String8::String8(char const* s) {
    if (s) rep_ = std::make_unique<std::string>(s);
}

String8::String8(char const* s, int length) {
    if (s) rep_ = std::make_unique<std::string>(s, static_cast<size_t>(std::max(length, 0)));
}

String8::String8(std::string_view s) : rep_(std::make_unique<std::string>(s)) {}

String8::String8(String8 const& other) {
    if (other.rep_) rep_ = std::make_unique<std::string>(*other.rep_);
}

String8& String8::operator=(String8 const& other) {
    if (this != &other) {
        if (other.rep_)
            rep_ = std::make_unique<std::string>(*other.rep_);
        else
            rep_.reset();
    }
    return *this;
}

String8& String8::operator+=(String8 const& other) {
    // Appending to a null string makes it a string: the sum of two values is a value.
    if (!rep_) rep_ = std::make_unique<std::string>();
    if (other.rep_) rep_->append(*other.rep_);
    return *this;
}

String8 String8::SubStr(int start, int length) const {
    if (!rep_) return String8();
    int size = GetLength();
    start = std::clamp(start, 0, size);
    length = std::clamp(length, 0, size - start);
    return String8(rep_->c_str() + start, length);
}

String8 String8::DownCase() const {
    if (!rep_) return String8();
    String8 out(*this);
    for (char& c : *out.rep_)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

String8 operator+(String8 const& a, String8 const& b) {
    String8 sum(a);
    sum += b;
    return sum;
}

int operator==(String8 const& a, String8 const& b) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
    return a.view() == b.view();
}
