#include "stream/TextConversion.h"

#include <cerrno>
#include <memory>
#include <type_traits>

#include <iconv.h>

namespace ksdvi {

namespace {

struct IconvCloser {
    void operator()(iconv_t cd) const { iconv_close(cd); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

}  // namespace

std::optional<std::string> ToUtf8(std::string_view bytes, char const* encoding) {
    iconv_t cd = iconv_open("UTF-8", encoding);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    Converter converter(cd);

    std::string in(bytes);
    std::string out;
    char* from = in.data();
    size_t left = in.size();
    char chunk[256];
    while (left > 0) {
        char* to = chunk;
        size_t room = sizeof chunk;
        size_t done = iconv(cd, &from, &left, &to, &room);
        out.append(chunk, static_cast<size_t>(to - chunk));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) return std::nullopt;
    }
    char* to = chunk;
    size_t room = sizeof chunk;
    if (iconv(cd, nullptr, nullptr, &to, &room) == static_cast<size_t>(-1)) return std::nullopt;
    out.append(chunk, static_cast<size_t>(to - chunk));
    return out;
}

}  // namespace ksdvi
