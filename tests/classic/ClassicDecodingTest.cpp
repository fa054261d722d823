// What the importer makes of the reader's output and of raw Jet values, without a database.

#include "classic/ClassicDump.h"
#include "classic/ClassicLibrary.h"

#include <gtest/gtest.h>

namespace px::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ClassicDumpTest, RoundTripsAndRefusesWhatBreaksItsLimits)
{
    const std::vector<JetField> row{Bytes{0x61, 0x00}, std::nullopt, Bytes{}};
    const std::string good = DumpHeaderLine() + DumpTableLine("T", 1) + DumpColumnLine("A", 10) +
                             DumpColumnLine("B", 4) + DumpColumnLine("C", 10) + DumpRowLine(row) +
                             DumpEndLine(1) + DumpDoneLine();
    std::string error;
    const auto dump = ParseClassicDump(good, {{"T", 5}}, error);
    ASSERT_TRUE(dump) << error;
    ASSERT_EQ(dump->tables.size(), 1u);
    EXPECT_EQ(dump->tables[0].columns[1].name, "B");
    EXPECT_EQ(dump->tables[0].rows.at(0), row);

    struct Case
    {
        const char* name;
        std::string text;
        std::uint64_t limit;
    };
    const std::string head = DumpHeaderLine() + DumpTableLine("T", 1) + DumpColumnLine("A", 10);
    const std::vector<Case> bad = {
        {"no done", head + DumpRowLine(row) + DumpEndLine(1), 5},
        {"fields not its columns", head + DumpRowLine(row) + DumpEndLine(1) + DumpDoneLine(), 5},
        {"more rows than counted", head + "row x61\nrow x62\n" + DumpEndLine(2) + DumpDoneLine(),
         5},
        {"rows over the limit", head + "row x61\n" + DumpEndLine(1) + DumpDoneLine(), 0},
        {"end miscounts", head + "row x61\n" + DumpEndLine(2) + DumpDoneLine(), 5},
        {"odd hexadecimal", head + "row x6\n" + DumpEndLine(1) + DumpDoneLine(), 5},
        {"another table", DumpHeaderLine() + DumpMissingLine("U") + DumpDoneLine(), 5},
        {"said over, yet within", head + DumpOverLine() + DumpEndLine(0) + DumpDoneLine(), 5},
        {"trailing text", good + "x\n", 5},
        {"no header", good.substr(DumpHeaderLine().size()), 5},
        {"a failure not in hexadecimal, in a table", head + "failed zz\n", 5},
        {"a failure not in hexadecimal, before a table", DumpHeaderLine() + "failed zz\n", 5},
    };
    for (const Case& c : bad) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParseClassicDump(c.text, {{"T", c.limit}}, error));
        EXPECT_FALSE(error.empty());
    }
    // The reader's own report of damage comes through.
    const auto failed = ParseClassicDump(head + DumpFailedLine("no usage map"), {{"T", 5}}, error);
    ASSERT_TRUE(failed) << error;
    EXPECT_EQ(failed->failure, "no usage map");
    ASSERT_EQ(failed->tables.size(), 1u) << "the table it stopped in";
    const auto before =
        ParseClassicDump(DumpHeaderLine() + DumpFailedLine("not a database"), {{"T", 5}}, error);
    ASSERT_TRUE(before) << error;
    EXPECT_EQ(before->failure, "not a database");
    EXPECT_TRUE(before->tables.empty());
}

TEST(JetValueTest, NumbersFromTheirBytesByType)
{
    struct Case
    {
        JetType type;
        Bytes bytes;
        std::optional<std::int64_t> value;
    };
    const std::vector<Case> cases = {
        {JetType::Byte, {0xff}, 255},
        {JetType::Integer, {0xff, 0xff}, -1},
        {JetType::Long, {0x00, 0x00, 0x00, 0x80}, INT32_MIN},
        {JetType::Double, {0, 0, 0, 0, 0, 0, 0x14, 0x40}, 5},            // 5.0
        {JetType::Double, {0, 0, 0, 0, 0, 0, 0x16, 0x40}, std::nullopt}, // 5.5
        {JetType::Single, {0, 0, 0xa0, 0x40}, 5},                        // 5.0f
        {JetType::Long, {1, 2, 3}, std::nullopt},
        {JetType::Text, {1, 2, 3, 4}, std::nullopt},
    };
    for (const Case& c : cases) {
        std::string why;
        EXPECT_EQ(DecodeJetInteger(c.bytes, c.type, why), c.value)
            << static_cast<int>(c.type) << " " << why;
        EXPECT_EQ(c.value.has_value(), why.empty());
    }
}

TEST(JetValueTest, TextsByVersionAndCodePage)
{
    struct Case
    {
        const char* name;
        JetType type;
        JetVersion version;
        std::uint16_t codePage;
        Bytes bytes;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"UTF-16", JetType::Text, JetVersion::Jet4, 0, {0x00, 0x4e, 0x41, 0x00}, "一A"},
        {"compressed", JetType::Text, JetVersion::Jet4, 0, {0xff, 0xfe, 'a', 'b'}, "ab"},
        {"compressed, then two bytes",
         JetType::Text,
         JetVersion::Jet4,
         0,
         {0xff, 0xfe, 'a', 0x00, 0x2d, 0x4e, 0x00, 'b'},
         "a中b"},
        {"odd UTF-16", JetType::Text, JetVersion::Jet4, 0, {0x41}, std::nullopt},
        {"lone surrogate", JetType::Text, JetVersion::Jet4, 0, {0x00, 0xd8}, std::nullopt},
        {"GBK", JetType::Text, JetVersion::Jet3, 936, {0xd2, 0xbb}, "一"},
        {"not GBK", JetType::Text, JetVersion::Jet3, 936, {0xff, 0xff}, std::nullopt},
        {"ASCII in 1252", JetType::Text, JetVersion::Jet3, 1252, {'o', 'k'}, "ok"},
        {"high bytes in 1252", JetType::Text, JetVersion::Jet3, 1252, {0xe9}, std::nullopt},
        {"memo in its row",
         JetType::Memo,
         JetVersion::Jet3,
         936,
         {2, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 'h', 'i'},
         "hi"},
        {"memo on its own pages",
         JetType::Memo,
         JetVersion::Jet3,
         936,
         {2, 0, 0, 0x00, 1, 0, 0, 0, 0, 0, 0, 0},
         std::nullopt},
        {"memo length wrong",
         JetType::Memo,
         JetVersion::Jet3,
         936,
         {5, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 'h'},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_EQ(DecodeJetText(c.bytes, c.type, c.version, c.codePage, why), c.text) << why;
        EXPECT_EQ(c.text.has_value(), why.empty());
    }
}

} // namespace
} // namespace px::test
