#pragma once

// Texts are UTF-8 inside the program; the host speaks the Chinese code page GBK. These are the
// only conversions between the two.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

using GbkBytes = std::vector<std::uint8_t>;

// The GBK bytes of a UTF-8 text; nothing when the text holds a character GBK lacks (or is not
// valid UTF-8).
std::optional<GbkBytes> ToGbk(std::string_view utf8);

// The UTF-8 text of GBK bytes; bytes that are not valid GBK become U+FFFD.
std::string FromGbk(const std::uint8_t* data, std::size_t size);
inline std::string FromGbk(const GbkBytes& bytes)
{
    return FromGbk(bytes.data(), bytes.size());
}

// The longest start of the GBK bytes that fits in maxBytes without splitting a two-byte
// character.
GbkBytes CutGbk(const GbkBytes& bytes, std::size_t maxBytes);

} // namespace px
