#pragma once
// Text in the encodings documents carry, converted to UTF-8 through iconv.

#include <optional>
#include <string>
#include <string_view>

namespace ksdvi {

// `bytes` in `encoding` (an iconv name: "UTF-16BE", "EUC-KR", ...) as UTF-8;
// nullopt when the encoding is unknown or the bytes are not valid in it.
std::optional<std::string> ToUtf8(std::string_view bytes, char const* encoding);

}  // namespace ksdvi
