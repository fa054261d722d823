#include "common/Gbk.h"

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
    EXPECT_FALSE(ToGbk("ok \xF0\x9F\x98\x80").has_value());
    EXPECT_FALSE(ToGbk("\xFF\xFE").has_value()) << "not UTF-8";
    EXPECT_EQ(ToGbk(""), GbkBytes{});
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
    EXPECT_EQ(FromGbk(GbkBytes{'A', 0xFF, 'B'}), "A\xEF\xBF\xBD" "B");
    EXPECT_EQ(FromGbk(GbkBytes{'A', 0xBA}), "A\xEF\xBF\xBD") << "a cut-off character";
}

} // namespace
} // namespace px
