#pragma once

// Texts are UTF-8 inside the program; the host speaks the Chinese code page GBK. These are the
// only conversions between the two. They rely on the system's converter (glibc's gconv module
// for GBK, code page 936 on Windows): where it is missing, every conversion fails and says so,
// rather than yielding an empty text that would pass for a real one.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

using GbkBytes = std::vector<std::uint8_t>;

enum class GbkProblem
{
    None,
    Unencodable, // a character GBK lacks (an emoji, ...)
    NotUtf8,     // the text itself is not valid UTF-8
    NoConverter, // the system cannot convert to or from GBK at all
};

// What the user is told when the system cannot convert to or from GBK.
inline constexpr const char* kGbkUnavailableMessage =
    "系统缺少GBK文字转换模块，无法转换中文文字（请安装glibc的gconv模块）";

// The message for a text that could not be converted: the missing converter, or what the
// caller says about a text the host cannot show.
inline std::string GbkRefusal(GbkProblem problem, std::string unencodable)
{
    return problem == GbkProblem::NoConverter ? std::string(kGbkUnavailableMessage)
                                              : std::move(unencodable);
}

// The GBK bytes of a UTF-8 text; nothing, with the reason, when it cannot be converted.
std::optional<GbkBytes> ToGbk(std::string_view utf8, GbkProblem* problem = nullptr);

// The UTF-8 text of GBK bytes; bytes that are not valid GBK become U+FFFD. Nothing only when
// the system has no converter.
std::optional<std::string> FromGbk(const std::uint8_t* data, std::size_t size);
inline std::optional<std::string> FromGbk(const GbkBytes& bytes)
{
    return FromGbk(bytes.data(), bytes.size());
}

// The UTF-8 text of GBK bytes only when every byte sequence is valid GBK; nothing otherwise
// (or when the system has no converter).
std::optional<std::string> FromGbkStrict(std::string_view gbk);

// How a text file from outside (a spreadsheet saved as CSV) was written.
enum class TextEncoding
{
    Utf8,
    Utf8WithBom,
    Gbk,
};
const char* EncodingName(TextEncoding encoding); // "UTF-8", "UTF-8 (BOM)", "GBK"

struct DecodedText
{
    std::string utf8;
    TextEncoding encoding = TextEncoding::Utf8;
};

// Reads a file's bytes as UTF-8 (with or without a byte order mark) or, failing that, as GBK,
// which spreadsheet programs in a Chinese locale write. Nothing, with the reason, for bytes
// that are neither.
std::optional<DecodedText> DecodeUtf8OrGbk(std::string_view bytes, std::string& error);

// Whether the system can convert between UTF-8 and GBK.
bool GbkAvailable();

// The longest start of the GBK bytes that fits in maxBytes without splitting a two-byte
// character.
GbkBytes CutGbk(const GbkBytes& bytes, std::size_t maxBytes);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Tests play a machine without the GBK converter module; false restores the converter.
void SimulateMissingGbkConverter(bool missing);

} // namespace px
