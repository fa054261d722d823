#include "common/GbkCodec.h"
#include "common/WindowsText.h"

#include <windows.h>

namespace px::gbk {

namespace {

constexpr UINT kCodePage = 936;

// Code page 936 is glibc's GBK table plus the user-defined areas, which it gives as
// private-use characters. Those are refused, so that a text the host gets from Windows is one
// it would get from Linux (the GBK test compares the two tables whole).
bool IsPrivateUse(wchar_t c)
{
    return c >= 0xE000 && c <= 0xF8FF;
}

// The character of one GBK sequence (one byte below 0x81, else two), or nothing when the
// sequence is not GBK.
std::optional<wchar_t> DecodeOne(const unsigned char* bytes, std::size_t length)
{
    wchar_t wide[2] = {};
    const int count =
        MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                            static_cast<int>(length), wide, 2);
    if (count != 1 || IsPrivateUse(wide[0]))
        return std::nullopt;
    return wide[0];
}

// How many bytes the sequence at the start of the input takes: a lead byte 0x81..0xFE takes
// a second one.
std::size_t SequenceLength(unsigned char lead)
{
    return lead >= 0x81 && lead <= 0xFE ? 2 : 1;
}

void AppendUtf8(std::string& text, wchar_t c)
{
    const auto code = static_cast<unsigned>(c);
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool ConverterPresent()
{
    return IsValidCodePage(kCodePage) != 0;
}

std::optional<GbkBytes> Encode(std::string_view utf8)
{
    const std::wstring wide = win::WideFromUtf8(utf8);
    GbkBytes out;
    out.reserve(wide.size() * 2);
    for (const wchar_t c : wide) {
        if (c < 0x80) {
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        // A surrogate (a character beyond the BMP) has no GBK form; nor has what code page
        // 936 would only replace with a look-alike.
        char bytes[4] = {};
        BOOL replaced = FALSE;
        const int length = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, bytes,
                                               sizeof bytes, nullptr, &replaced);
        if (length < 1 || length > 2 || replaced)
            return std::nullopt;
        const auto* encoded = reinterpret_cast<const unsigned char*>(bytes);
        const auto size = static_cast<std::size_t>(length);
        // Only what reads back as the same character is GBK here.
        if (SequenceLength(encoded[0]) != size || DecodeOne(encoded, size) != c)
            return std::nullopt;
        out.insert(out.end(), encoded, encoded + size);
    }
    return out;
}

std::optional<std::string> Decode(const char* data, std::size_t size, bool strict)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::string text;
    text.reserve(size * 3 / 2);
    std::size_t at = 0;
    while (at < size) {
        const std::size_t length = SequenceLength(bytes[at]);
        const std::optional<wchar_t> c =
            at + length <= size && bytes[at] != 0xFF ? DecodeOne(bytes + at, length) : std::nullopt;
        if (c) {
            AppendUtf8(text, *c);
            at += length;
            continue;
        }
        if (strict)
            return std::nullopt;
        // As glibc does: a replacement character, then on from the next byte.
        text += "\xEF\xBF\xBD";
        ++at;
    }
    return text;
}

} // namespace px::gbk
