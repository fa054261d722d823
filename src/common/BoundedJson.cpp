#include "common/BoundedJson.h"

#include "common/FileIo.h"

namespace px {

namespace {

// The deepest nesting of objects and arrays in the text, counted outside strings; stops
// counting as soon as the limit is passed.
int NestingDepth(std::string_view text, int limit)
{
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '[':
        case '{':
            if (++depth > deepest) {
                deepest = depth;
                if (deepest > limit)
                    return deepest;
            }
            break;
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        default:
            break;
        }
    }
    return deepest;
}

// At most maxChars bytes of text, never ending inside a UTF-8 character, "..." when cut.
std::string Shortened(std::string text, std::size_t maxChars)
{
    if (text.size() <= maxChars)
        return text;
    std::size_t cut = maxChars;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut) + "...";
}

} // namespace

std::optional<nlohmann::json> ParseBoundedJson(std::string_view text, const JsonLimits& limits,
                                               std::string& error)
{
    if (text.size() > limits.maxBytes) {
        error = "the document is " + std::to_string(text.size()) + " bytes, more than the " +
                std::to_string(limits.maxBytes) + " this program reads";
        return std::nullopt;
    }
    if (NestingDepth(text, limits.maxDepth) > limits.maxDepth) {
        error =
            "the document is nested more than " + std::to_string(limits.maxDepth) + " levels deep";
        return std::nullopt;
    }
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        // The parser's message gives the byte position of the fault, then the text it last
        // read, which can be a whole long value: that part is cut short.
        error = "not valid JSON (" + Shortened(e.what(), 160) + ")";
        return std::nullopt;
    }
}

std::optional<nlohmann::json> ReadBoundedJsonFile(const std::string& path, const JsonLimits& limits,
                                                  std::string& error)
{
    const std::optional<std::string> text = ReadFileUpTo(path, limits.maxBytes, error);
    if (!text)
        return std::nullopt;
    return ParseBoundedJson(*text, limits, error);
}

std::string JsonSnippet(const nlohmann::json& value, std::size_t maxChars)
{
    return Shortened(value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                     maxChars);
}

} // namespace px
