#pragma once

// Integer and address fields of the settings dialogs and commands: what is accepted and the
// prompt shown for what is not.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace px {

struct IntRange
{
    int low;
    int high;

    bool Contains(int value) const { return value >= low && value <= high; }
};

// The whole text as a decimal integer that an int holds (surrounding blanks allowed); nothing
// otherwise.
std::optional<int> ParseInteger(std::string_view text);

// "Please enter an integer between LOW and HIGH."
std::string RangePrompt(IntRange range);

// Empty when the value lies within the range, else the range prompt.
std::string CheckRange(int value, IntRange range);

using IpAddress = std::array<std::uint8_t, 4>;

// "A.B.C.D", each 0..255.
std::optional<IpAddress> ParseIp(std::string_view text);
std::string FormatIp(const IpAddress& ip);

} // namespace px
