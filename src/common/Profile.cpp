#include "common/Profile.h"

#include <charconv>

namespace px {

int MemoryProfile::GetInt(const std::string& section, const std::string& key, int def) const
{
    const auto it = values_.find({section, key});
    if (it == values_.end())
        return def;
    int value = def;
    const auto& text = it->second;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (ec == std::errc() && ptr == text.data() + text.size()) ? value : def;
}

void MemoryProfile::SetInt(const std::string& section, const std::string& key, int value)
{
    values_[{section, key}] = std::to_string(value);
}

std::string MemoryProfile::GetString(const std::string& section, const std::string& key,
                                     const std::string& def) const
{
    const auto it = values_.find({section, key});
    return it == values_.end() ? def : it->second;
}

void MemoryProfile::SetString(const std::string& section, const std::string& key,
                              const std::string& value)
{
    values_[{section, key}] = value;
}

} // namespace px
