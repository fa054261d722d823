#include "common/Gbk.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace px {

namespace {

const char* g_codePage = "GBK";

struct IconvCloser
{
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle OpenIconv(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    // iconv_open reports failure as (iconv_t)-1.
    if (cd == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr)
        return nullptr;
    return IconvHandle(cd);
}

} // namespace

void SetGbkCodePageForTesting(const char* name)
{
    g_codePage = name != nullptr ? name : "GBK";
}

bool GbkAvailable()
{
    return OpenIconv(g_codePage, "UTF-8") != nullptr && OpenIconv("UTF-8", g_codePage) != nullptr;
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
        const unsigned char lead = byte(i);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0; // overlong
            else if (lead == 0xED)
                high = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90; // overlong
            else if (lead == 0xF4)
                high = 0x8F; // past U+10FFFF
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        if (byte(i + 1) < low || byte(i + 1) > high)
            return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
                return false;
        }
        i += length;
    }
    return true;
}

std::optional<GbkBytes> ToGbk(std::string_view utf8, GbkProblem* problem)
{
    const auto fail = [&](GbkProblem why) -> std::optional<GbkBytes> {
        if (problem != nullptr)
            *problem = why;
        return std::nullopt;
    };
    if (!IsValidUtf8(utf8))
        return fail(GbkProblem::NotUtf8);
    IconvHandle cd = OpenIconv(g_codePage, "UTF-8");
    if (!cd)
        return fail(GbkProblem::NoConverter);
    GbkBytes out(utf8.size() * 2 + 4);
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size();
    if (iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft) ==
        static_cast<std::size_t>(-1))
        return fail(GbkProblem::Unencodable);
    out.resize(out.size() - outLeft);
    if (problem != nullptr)
        *problem = GbkProblem::None;
    return out;
}

namespace {

// GBK bytes as UTF-8. A sequence that is not GBK shows as a replacement character, or, when
// strict, ends the conversion with nothing.
std::optional<std::string> DecodeGbk(const char* data, std::size_t size, bool strict)
{
    IconvHandle cd = OpenIconv("UTF-8", g_codePage);
    if (!cd)
        return std::nullopt;
    std::string text;
    char* in = const_cast<char*>(data); // iconv's signature; the input is only read
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char buffer[1024];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc =
            iconv(static_cast<iconv_t>(cd.get()), &in, &inLeft, &outPtr, &outLeft);
        text.append(buffer, sizeof buffer - outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            if (strict)
                return std::nullopt;
            // An invalid or cut-off sequence: a replacement character, then on after it.
            text += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    return text;
}

} // namespace

std::optional<std::string> FromGbk(const std::uint8_t* data, std::size_t size)
{
    return DecodeGbk(reinterpret_cast<const char*>(data), size, false);
}

std::optional<std::string> FromGbkStrict(std::string_view gbk)
{
    return DecodeGbk(gbk.data(), gbk.size(), true);
}

const char* EncodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8WithBom:
        return "UTF-8 (BOM)";
    case TextEncoding::Gbk:
        return "GBK";
    }
    return "";
}

std::optional<DecodedText> DecodeUtf8OrGbk(std::string_view bytes, std::string& error)
{
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (bytes.substr(0, kBom.size()) == kBom) {
        const std::string_view rest = bytes.substr(kBom.size());
        if (!IsValidUtf8(rest)) {
            error = "the file starts as UTF-8 (BOM) but holds bytes that are not UTF-8";
            return std::nullopt;
        }
        return DecodedText{std::string(rest), TextEncoding::Utf8WithBom};
    }
    if (IsValidUtf8(bytes))
        return DecodedText{std::string(bytes), TextEncoding::Utf8};
    if (!GbkAvailable()) {
        error = kGbkUnavailableMessage;
        return std::nullopt;
    }
    if (auto text = FromGbkStrict(bytes))
        return DecodedText{std::move(*text), TextEncoding::Gbk};
    error = "the file is neither UTF-8 nor GBK text";
    return std::nullopt;
}

GbkBytes CutGbk(const GbkBytes& bytes, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t width = bytes[end] >= 0x81 && bytes[end] <= 0xFE ? 2 : 1;
        if (end + width > maxBytes || end + width > bytes.size())
            break;
        end += width;
    }
    return GbkBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

} // namespace px
