#include "common/Gbk.h"

#include "common/GbkCodec.h"

#include <atomic>

namespace px {

namespace {

// Set by tests that play a system without the converter.
std::atomic<bool> g_simulateMissing{false};

} // namespace

void SimulateMissingGbkConverter(bool missing)
{
    g_simulateMissing = missing;
}

bool GbkAvailable()
{
    // The system's converters do not come and go while the program runs.
    static const bool present = gbk::ConverterPresent();
    return present && !g_simulateMissing;
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
    if (!GbkAvailable())
        return fail(GbkProblem::NoConverter);
    auto bytes = gbk::Encode(utf8);
    if (!bytes)
        return fail(GbkProblem::Unencodable);
    if (problem != nullptr)
        *problem = GbkProblem::None;
    return bytes;
}

std::optional<std::string> FromGbk(const std::uint8_t* data, std::size_t size)
{
    if (!GbkAvailable())
        return std::nullopt;
    return gbk::Decode(reinterpret_cast<const char*>(data), size, false);
}

std::optional<std::string> FromGbkStrict(std::string_view gbk)
{
    if (!GbkAvailable())
        return std::nullopt;
    return gbk::Decode(gbk.data(), gbk.size(), true);
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
