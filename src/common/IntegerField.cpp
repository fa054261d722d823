#include "common/IntegerField.h"

#include <charconv>

namespace px {

std::optional<long long> ParseWholeNumber(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    std::string_view trimmed = text.substr(first, last - first + 1);
    if (trimmed.size() > 1 && trimmed.front() == '+' && trimmed[1] != '-')
        trimmed.remove_prefix(1);
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (ec != std::errc() || ptr != trimmed.data() + trimmed.size())
        return std::nullopt;
    return value;
}

std::string NotANumberPrompt(std::string_view field)
{
    return std::string(field) + "必须是整数";
}

std::string RangePrompt(std::string_view field, long long low, long long high)
{
    return std::string(field) + "必须在" + std::to_string(low) + "到" + std::to_string(high) +
           "之间";
}

std::string CheckWholeNumber(std::string_view text, std::string_view field, long long low,
                             long long high, int& value)
{
    const std::optional<long long> number = ParseWholeNumber(text);
    if (!number)
        return NotANumberPrompt(field);
    if (*number < low || *number > high)
        return RangePrompt(field, low, high);
    value = static_cast<int>(*number);
    return {};
}

} // namespace px
