#include "common/Gbk.h"

#include "common/GbkTableDigests.h"
#include "mock/NoGbkConverter.h"

#include <gtest/gtest.h>
#include <string>

namespace px {
namespace {

TEST(GbkTest, ChineseTextRoundTrips)
{
    const auto bytes = ToGbk("呼叫A1");
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(*bytes, (GbkBytes{0xBA, 0xF4, 0xBD, 0xD0, 'A', '1'}));
    EXPECT_EQ(FromGbk(*bytes), "呼叫A1");
    EXPECT_EQ(ToGbk("#时"), (GbkBytes{0x23, 0xCA, 0xB1}));
}

TEST(GbkTest, CharactersGbkLacksAreRefused)
{
    GbkProblem problem = GbkProblem::None;
    EXPECT_FALSE(ToGbk("ok \xF0\x9F\x98\x80", &problem).has_value());
    EXPECT_EQ(problem, GbkProblem::Unencodable);
    EXPECT_FALSE(ToGbk("\xFF\xFE", &problem).has_value());
    EXPECT_EQ(problem, GbkProblem::NotUtf8);
    EXPECT_EQ(ToGbk(""), GbkBytes{});
}

TEST(GbkTest, WithoutAConverterEveryConversionFailsAndSaysSo)
{
    test::NoGbkConverter missing;
    EXPECT_FALSE(GbkAvailable());
    GbkProblem problem = GbkProblem::None;
    EXPECT_FALSE(ToGbk("abc", &problem).has_value()) << "not even ASCII passes unchecked";
    EXPECT_EQ(problem, GbkProblem::NoConverter);
    EXPECT_EQ(FromGbk(GbkBytes{'P', 'X'}), std::nullopt);
    EXPECT_EQ(GbkRefusal(problem, "unencodable"), kGbkUnavailableMessage);
}

TEST(GbkTest, SpreadsheetTextIsReadAsUtf8OrGbk)
{
    const std::string header = "特征码,中文名称\r\n";
    const GbkBytes gbk = *ToGbk(header);
    struct Case
    {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"UTF-8", header, TextEncoding::Utf8, header},
        {"UTF-8 with a byte order mark", "\xEF\xBB\xBF" + header, TextEncoding::Utf8WithBom,
         header},
        {"GBK", std::string(gbk.begin(), gbk.end()), TextEncoding::Gbk, header},
        {"ASCII only", "CodeNo\r\n", TextEncoding::Utf8, "CodeNo\r\n"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto text = DecodeUtf8OrGbk(c.bytes, error);
        ASSERT_TRUE(text.has_value()) << c.what << ": " << error;
        EXPECT_EQ(text->encoding, c.encoding) << c.what;
        EXPECT_EQ(text->utf8, c.text) << c.what;
    }
    std::string error;
    EXPECT_FALSE(DecodeUtf8OrGbk("\x80\xFF\xFE", error).has_value());
    EXPECT_EQ(error, "the file is neither UTF-8 nor GBK text");
    EXPECT_FALSE(DecodeUtf8OrGbk("\xEF\xBB\xBF\xB0\xA1", error).has_value()) << "a BOM, then GBK";
}

TEST(GbkTest, Utf8IsCheckedStrictly)
{
    struct Case
    {
        const char* what;
        std::string text;
        bool valid;
    };
    const Case cases[] = {
        {"ASCII", "PX V1.0", true},
        {"Chinese", "一号店", true},
        {"four-byte character", "\xF0\x9F\x98\x80", true},
        {"empty", "", true},
        {"a lone continuation byte", "a\x80", false},
        {"a cut-off character", "\xE4\xB8", false},
        {"an overlong slash", "\xC0\xAF", false},
        {"an overlong three-byte form", "\xE0\x80\xAF", false},
        {"a surrogate", "\xED\xA0\x80", false},
        {"past U+10FFFF", "\xF4\x90\x80\x80", false},
        {"GBK bytes", "\xBA\xF4\xBD\xD0", false},
        {"Latin-1", "caf\xE9", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.what;
}

TEST(GbkTest, CuttingNeverSplitsATwoByteCharacter)
{
    const GbkBytes text = *ToGbk("a呼叫b");
    struct Case
    {
        std::size_t limit;
        std::size_t kept;
    };
    for (const Case c : {Case{0, 0}, Case{1, 1}, Case{2, 1}, Case{3, 3}, Case{4, 3}, Case{5, 5},
                         Case{6, 6}, Case{100, 6}}) {
        EXPECT_EQ(CutGbk(text, c.limit).size(), c.kept) << c.limit;
    }
}

TEST(GbkTest, InvalidBytesReadAsReplacementCharacters)
{
    EXPECT_EQ(FromGbk(GbkBytes{'A', 0xFF, 'B'}), "A\xEF\xBF\xBD"
                                                 "B");
    EXPECT_EQ(FromGbk(GbkBytes{'A', 0xBA}), "A\xEF\xBF\xBD") << "a cut-off character";
}

// Where the tables of the systems' converters differ, ours must still agree: glibc's GBK on
// Linux, code page 936 on Windows. The same rows on both.
TEST(GbkTest, TheEdgesOfTheTableAreTheSameOnEverySystem)
{
    struct Case
    {
        const char* what;
        std::string gbk;
        const char* utf8; // nullptr: not GBK
    };
    const Case cases[] = {
        {"the last single byte", "\x7F", "\x7F"},
        {"0x80, the euro sign", "\x80", "€"},
        {"0xFF", "\xFF", nullptr},
        {"the first two-byte character", "\x81\x40", "丂"},
        {"a trail byte 0x7F", "\x81\x7F", nullptr},
        {"the trail byte after it", "\x81\x80", "亐"},
        {"a trail byte 0xFF", "\x81\xFF", nullptr},
        {"a trail byte below 0x40", "\x81\x39", nullptr},
        {"a lead byte alone at the end", "\x81", nullptr},
        {"the middle dot", "\xA1\xA4", "\xC2\xB7"},
        {"the em dash", "\xA1\xAA", "\xE2\x80\x94"},
        {"the horizontal bar", "\xA8\x44", "\xE2\x80\x95"},
        {"user-defined area 1, first", "\xAA\xA1", nullptr},
        {"user-defined area 1, last", "\xAF\xFE", nullptr},
        {"user-defined area 2, first", "\xF8\xA1", nullptr},
        {"user-defined area 2, last", "\xFE\xFE", nullptr},
        {"user-defined area 3, first", "\xA1\x40", nullptr},
        {"user-defined area 3, last", "\xA7\xA0", nullptr},
        {"a gap in symbol row A2", "\xA2\xAB", nullptr},
        {"vertical forms (GB18030, not GBK)", "\xA6\xD9", nullptr},
        {"a pinyin letter of GB18030 only", "\xA8\xBF", nullptr},
        {"the last character of row FE", "\xFE\x4F", "\xEF\xA8\xA9"},
        {"the radicals after it (GB18030 only)", "\xFE\x50", nullptr},
    };
    for (const Case& c : cases) {
        const auto text = FromGbkStrict(c.gbk);
        if (c.utf8 == nullptr) {
            EXPECT_FALSE(text.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(text.has_value()) << c.what;
        EXPECT_EQ(*text, c.utf8) << c.what;
        EXPECT_EQ(ToGbk(*text), GbkBytes(c.gbk.begin(), c.gbk.end())) << c.what << " back";
    }
    // Characters that only look like a GBK one are refused, not replaced by it.
    for (const char* unencodable :
         {"\xE3\x83\xBB" /* katakana middle dot */, "\xEE\x80\x80" /* U+E000, private use */,
          "\xC7\xB9" /* U+01F9 */, "\xE2\xBA\x81" /* U+2E81 */})
        EXPECT_FALSE(ToGbk(unencodable).has_value()) << unencodable;
}

std::uint64_t AddToDigest(std::uint64_t digest, const std::optional<std::string>& text)
{
    const std::string entry = text ? *text + "|" : "-|";
    for (const char byte : entry) {
        digest ^= static_cast<unsigned char>(byte);
        digest *= 1099511628211ull;
    }
    return digest;
}

constexpr std::uint64_t kDigestStart = 1469598103934665603ull;

std::string Utf8Of(unsigned code)
{
    std::string text;
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
    return text;
}

// Every byte sequence and every character of the basic plane, against glibc's table.
TEST(GbkTest, TheWholeTableIsGlibcsOnEverySystem)
{
    std::uint64_t singles = kDigestStart;
    for (int byte = 0; byte < 256; ++byte)
        singles = AddToDigest(singles, FromGbkStrict(std::string(1, static_cast<char>(byte))));
    EXPECT_EQ(singles, test::kGbkDecodeDigests[0]) << "single bytes";
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        std::uint64_t row = kDigestStart;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string bytes = {static_cast<char>(lead), static_cast<char>(trail)};
            row = AddToDigest(row, FromGbkStrict(bytes));
        }
        EXPECT_EQ(row, test::kGbkDecodeDigests[static_cast<std::size_t>(lead - 0x80)])
            << "the two-byte characters with lead byte " << std::hex << lead;
    }
    for (unsigned block = 0; block < 16; ++block) {
        std::uint64_t digest = kDigestStart;
        for (unsigned code = block * 4096; code < (block + 1) * 4096; ++code) {
            if (code >= 0xD800 && code < 0xE000)
                continue;
            const auto bytes = ToGbk(Utf8Of(code));
            digest = AddToDigest(digest, bytes ? std::optional<std::string>(
                                                     std::string(bytes->begin(), bytes->end()))
                                               : std::nullopt);
        }
        EXPECT_EQ(digest, test::kGbkEncodeDigests[block])
            << "the characters from U+" << std::hex << block * 4096;
    }
}

} // namespace
} // namespace px
