#include "common/Gbk.h"

#include "mock/NoGbkConverter.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace px
