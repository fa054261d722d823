#include "settings/SettingsInput.h"

#include <charconv>

namespace px {

std::optional<int> ParseInteger(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string RangePrompt(IntRange range)
{
    return "Please enter an integer between " + std::to_string(range.low) + " and " +
           std::to_string(range.high) + ".";
}

std::string CheckInteger(std::string_view text, IntRange range, int& value)
{
    const auto parsed = ParseInteger(text);
    if (!parsed)
        return kIntegerPrompt;
    if (!range.Contains(*parsed))
        return RangePrompt(range);
    value = *parsed;
    return {};
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
