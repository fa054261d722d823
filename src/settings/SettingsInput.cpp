#include "settings/SettingsInput.h"

#include "common/IntegerField.h"

#include <limits>

namespace px {

std::optional<int> ParseInteger(std::string_view text)
{
    const auto value = ParseWholeNumber(text);
    if (!value || *value < std::numeric_limits<int>::min() ||
        *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string RangePrompt(IntRange range)
{
    return "Please enter an integer between " + std::to_string(range.low) + " and " +
           std::to_string(range.high) + ".";
}

std::string CheckRange(int value, IntRange range)
{
    return range.Contains(value) ? std::string() : RangePrompt(range);
}

std::optional<IpAddress> ParseIp(std::string_view text)
{
    IpAddress ip{};
    std::size_t part = 0;
    while (part < 4) {
        const auto dot = text.find('.');
        const std::string_view piece = text.substr(0, dot);
        if (piece.empty() || piece.size() > 3)
            return std::nullopt;
        const auto value = ParseInteger(piece);
        if (!value || *value < 0 || *value > 255 || piece.front() == '+' || piece.front() == ' ')
            return std::nullopt;
        ip[part++] = static_cast<std::uint8_t>(*value);
        if (dot == std::string_view::npos)
            break;
        if (part == 4)
            return std::nullopt;
        text.remove_prefix(dot + 1);
    }
    if (part != 4)
        return std::nullopt;
    return ip;
}

std::string FormatIp(const IpAddress& ip)
{
    return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
           std::to_string(ip[3]);
}

} // namespace px
