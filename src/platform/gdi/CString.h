// CString: the MFC string the drawing calls and hosts pass around, over
// std::string (8-bit, as the library's ANSI calls use it).
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

namespace ksdvi::gdi {

class CString {
public:
    CString() = default;
    CString(const char* s) : s_(s ? s : "") {}
    CString(const char* s, int n) : s_(s ? std::string(s, std::size_t(n < 0 ? 0 : n)) : std::string()) {}
    CString(std::string s) : s_(std::move(s)) {}

    int GetLength() const { return int(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    char GetAt(int i) const { return s_.at(std::size_t(i)); }
    operator const char*() const { return s_.c_str(); }
    const std::string& Str() const { return s_; }

    CString& operator+=(const CString& o) {
        s_ += o.s_;
        return *this;
    }
    CString& operator+=(char c) {
        s_ += c;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) { return a += b; }
    friend bool operator==(const CString& a, const CString& b) { return a.s_ == b.s_; }
    int Compare(const char* o) const { return s_.compare(o ? o : ""); }
    int Find(const char* sub, int start = 0) const;
    CString Left(int n) const { return s_.substr(0, std::size_t(n < 0 ? 0 : n)); }
    CString Right(int n) const;

private:
    std::string s_;
};

}  // namespace ksdvi::gdi
