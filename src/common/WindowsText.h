#pragma once

// Windows only: between our UTF-8 and the UTF-16 of the system's wide calls, and the text of
// a system error. Kept out of every portable header, so that <windows.h> and its macros
// (which rename functions such as WriteProfileString) reach only the files that need them.

#include <string>
#include <string_view>

namespace px::win {

// Bytes that are not UTF-8 become U+FFFD (our texts are checked where they enter).
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The system's sentence for an error code (GetLastError()), without its final line break.
std::string ErrorText(unsigned long code);

} // namespace px::win
