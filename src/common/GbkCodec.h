#pragma once

// The system's half of the GBK conversion: glibc's iconv (GbkIconv.cpp) or Windows' code page
// 936 (GbkWindows.cpp). Both accept and refuse exactly the same bytes and characters, those of
// glibc's GBK table: neither the single byte 0x80 (the euro sign in code page 936) nor the
// user-defined areas are GBK here.

#include "common/Gbk.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace px::gbk {

// Whether the system can convert between UTF-8 and GBK at all.
bool ConverterPresent();

// The GBK bytes of a valid UTF-8 text; nothing when a character has no GBK form.
std::optional<GbkBytes> Encode(std::string_view utf8);

// The UTF-8 text of GBK bytes. A sequence that is not GBK becomes U+FFFD and the conversion
// goes on after its first byte, or, when strict, ends the conversion with nothing.
std::optional<std::string> Decode(const char* data, std::size_t size, bool strict);

} // namespace px::gbk
