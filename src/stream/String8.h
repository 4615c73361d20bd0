#pragma once
// An 8-bit string that can be null (absent), which differs from empty.

#include <memory>
#include <string>
#include <string_view>

class String8 {
public:
    String8() = default;     // null
    String8(char const* s);  // NOLINT: implicit like a C string; null s makes a null string
    String8(char const* s, int length);
    explicit String8(std::string_view s);
    String8(String8 const& other);
    String8(String8&& other) noexcept = default;
    String8& operator=(String8 const& other);
    String8& operator=(String8&& other) noexcept = default;
    ~String8() = default;

    int IsNull() const { return rep_ == nullptr; }
    int GetLength() const { return rep_ ? static_cast<int>(rep_->size()) : 0; }
    char& operator[](int i) const { return (*rep_)[static_cast<size_t>(i)]; }
    // The characters, NUL-terminated; "" for a null string so that callers never see a null pointer.
    operator char const*() const { return rep_ ? rep_->c_str() : ""; }
    char const* c_str() const { return rep_ ? rep_->c_str() : ""; }
    std::string_view view() const { return rep_ ? std::string_view(*rep_) : std::string_view(); }

    String8& operator+=(String8 const& other);
    String8 SubStr(int start, int length) const;
    String8 DownCase() const;

private:
    // Mutable through operator[] of a const string, as the interface asks.
    std::unique_ptr<std::string> rep_;
};

String8 operator+(String8 const& a, String8 const& b);
int operator==(String8 const& a, String8 const& b);
inline int operator!=(String8 const& a, String8 const& b) { return !(a == b); }
