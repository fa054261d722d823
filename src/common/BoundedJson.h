#pragma once

// Reading JSON that comes from outside (a file a user picked, a folder another process
// writes). The document is measured before it is parsed: a file over the size limit or
// nested deeper than the format needs is refused without being parsed, so no input can
// exhaust the stack or the memory of whatever walks the value later.

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace px {

struct JsonLimits
{
    std::size_t maxBytes = std::size_t{64} * 1024 * 1024;
    int maxDepth = 8; // objects and arrays inside each other
};

// The parsed document, or nothing with the reason in error.
std::optional<nlohmann::json> ParseBoundedJson(std::string_view text, const JsonLimits& limits,
                                               std::string& error);

// Reads and parses a file under the same limits; a file over the size limit is refused from
// its size alone.
std::optional<nlohmann::json> ReadBoundedJsonFile(const std::string& path, const JsonLimits& limits,
                                                  std::string& error);

// A value for an error message: compact, cut to at most maxChars characters (with "..."),
// never invalid UTF-8.
std::string JsonSnippet(const nlohmann::json& value, std::size_t maxChars = 60);

} // namespace px
