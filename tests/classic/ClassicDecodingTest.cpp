// What the importer makes of the reader's output and of raw Jet values, without a database.

#include "classic/ClassicDump.h"
#include "classic/ClassicLibrary.h"

#include <gtest/gtest.h>

namespace px::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ClassicDumpTest, RoundTripsAndRefusesWhatBreaksItsLimits)
{
    const std::vector<JetField> row{Bytes{0x61, 0x00}, JetField{}, Bytes{},
                                    UnreadableField{"a memo that cannot be read: page 9"}};
    const std::string columns = DumpColumnLine("A", 10) + DumpColumnLine("B", 4) +
                                DumpColumnLine("C", 10) + DumpColumnLine("M", 12);
    const std::string good = DumpHeaderLine() + DumpTableLine("T", 1) + columns + DumpRowLine(row) +
                             DumpEndLine(1) + DumpDoneLine();
    std::string error;
    const auto dump = ParseClassicDump(good, {{"T", 5}}, error);
    ASSERT_TRUE(dump) << error;
    ASSERT_EQ(dump->tables.size(), 1u);
    EXPECT_EQ(dump->tables[0].columns[1].name, "B");
    EXPECT_EQ(dump->tables[0].rows.at(0), row);
    EXPECT_EQ(dump->tables[0].rowsFound, 1u);

    // Rows found beyond the stated count, or beyond the limit, are counted for the caller to
    // judge; only those within the limit are given.
    const std::string head = DumpHeaderLine() + DumpTableLine("T", 1) + DumpColumnLine("A", 10);
    const auto beyond = ParseClassicDump(
        head + "row x61\nrow x62\n" + DumpEndLine(4) + DumpDoneLine(), {{"T", 2}}, error);
    ASSERT_TRUE(beyond) << error;
    EXPECT_EQ(beyond->tables[0].rows.size(), 2u);
    EXPECT_EQ(beyond->tables[0].rowsFound, 4u);

    // A memo may be longer than a field in its row, up to what a memo holds.
    const std::string memoHead = DumpHeaderLine() + DumpTableLine("T", 1) + DumpColumnLine("M", 12);
    const std::string longMemo = "row x" + std::string(2 * 5000, '6') + "\n";
    EXPECT_TRUE(
        ParseClassicDump(memoHead + longMemo + DumpEndLine(1) + DumpDoneLine(), {{"T", 5}}, error))
        << error;

    struct Case
    {
        const char* name;
        std::string text;
        std::uint64_t limit;
    };
    const std::vector<Case> bad = {
        {"no done", head + DumpRowLine(row) + DumpEndLine(1), 5},
        {"fields not its columns", head + DumpRowLine(row) + DumpEndLine(1) + DumpDoneLine(), 5},
        {"rows over the limit", head + "row x61\n" + DumpEndLine(1) + DumpDoneLine(), 0},
        {"end miscounts", head + "row x61\n" + DumpEndLine(2) + DumpDoneLine(), 5},
        {"fewer rows given than found within the limit",
         head + "row x61\n" + DumpEndLine(3) + DumpDoneLine(), 5},
        {"odd hexadecimal", head + "row x6\n" + DumpEndLine(1) + DumpDoneLine(), 5},
        {"a text longer than a row holds",
         head + "row x" + std::string(2 * 5000, '6') + "\n" + DumpEndLine(1) + DumpDoneLine(), 5},
        {"a memo longer than a memo holds",
         memoHead + "row x" + std::string(2 * (kMaxJetMemoBytes + 1), '6') + "\n" + DumpEndLine(1) +
             DumpDoneLine(),
         5},
        {"a value not read, without why", head + "row ?\n" + DumpEndLine(1) + DumpDoneLine(), 5},
        {"a value not read, why not hexadecimal",
         head + "row ?zz\n" + DumpEndLine(1) + DumpDoneLine(), 5},
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
        JetVersion version;
        std::uint16_t codePage;
        Bytes bytes;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"UTF-16", JetVersion::Jet4, 0, {0x00, 0x4e, 0x41, 0x00}, "一A"},
        {"compressed", JetVersion::Jet4, 0, {0xff, 0xfe, 'a', 'b'}, "ab"},
        {"compressed, then two bytes",
         JetVersion::Jet4,
         0,
         {0xff, 0xfe, 'a', 0x00, 0x2d, 0x4e, 0x00, 'b'},
         "a中b"},
        {"odd UTF-16", JetVersion::Jet4, 0, {0x41}, std::nullopt},
        {"lone surrogate", JetVersion::Jet4, 0, {0x00, 0xd8}, std::nullopt},
        {"GBK", JetVersion::Jet3, 936, {0xd2, 0xbb}, "一"},
        {"not GBK", JetVersion::Jet3, 936, {0xff, 0xff}, std::nullopt},
        {"ASCII in 1252", JetVersion::Jet3, 1252, {'o', 'k'}, "ok"},
        {"high bytes in 1252", JetVersion::Jet3, 1252, {0xe9}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        EXPECT_EQ(DecodeJetText(c.bytes, c.version, c.codePage, why), c.text) << why;
        EXPECT_EQ(c.text.has_value(), why.empty());
    }
}

} // namespace
} // namespace px::test
