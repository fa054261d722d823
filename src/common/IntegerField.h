#pragma once

// Whole numbers typed into a field, and what the user is told when one is not acceptable: the
// field's name and the range, in the program's language ("传呼号必须在0到499之间").

#include <optional>
#include <string>
#include <string_view>

namespace px {

// The whole text as a decimal integer, with an optional sign (surrounding blanks and tabs
// allowed); nothing otherwise.
std::optional<long long> ParseWholeNumber(std::string_view text);

// "传呼号必须是整数" for a text that is no whole number.
std::string NotANumberPrompt(std::string_view field);
// "传呼号必须在0到499之间".
std::string RangePrompt(std::string_view field, long long low, long long high);

// Empty when the text is a whole number within the range (then stored in value), else the
// prompt that names the field.
std::string CheckWholeNumber(std::string_view text, std::string_view field, long long low,
                             long long high, int& value);

} // namespace px
