#pragma once

// The one way between our text and the file system. Inside the program every file name is
// UTF-8; a std::filesystem::path made straight from a std::string would read the bytes in the
// system's code page on Windows (GBK or 1252, not UTF-8), so a Chinese name would be garbled.
// These go through UTF-16 there, and take the bytes as they are on POSIX systems.

#include <filesystem>
#include <string>
#include <string_view>

namespace px {

std::filesystem::path PathFromUtf8(std::string_view utf8);

// A path as UTF-8 text, for messages and for storing.
std::string Utf8FromPath(const std::filesystem::path& path);

// A file in a folder, both named in UTF-8.
inline std::filesystem::path PathIn(const std::filesystem::path& folder, std::string_view name)
{
    return folder / PathFromUtf8(name);
}

} // namespace px
