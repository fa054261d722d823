#include "common/Csv.h"

#include <gtest/gtest.h>

namespace px {
namespace {

using Fields = std::vector<std::vector<std::string>>;

Fields FieldsOf(const std::vector<CsvRecord>& records)
{
    Fields fields;
    for (const CsvRecord& r : records)
        fields.push_back(r.fields);
    return fields;
}

TEST(CsvTest, WhatSpreadsheetsWriteIsReadBack)
{
    struct Case
    {
        const char* what;
        std::string text;
        Fields fields;
    };
    const std::vector<Case> cases = {
        {"plain, CR LF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
        {"LF and no final line end", "a,b\nc,d", {{"a", "b"}, {"c", "d"}}},
        {"empty fields", ",x,\r\n", {{"", "x", ""}}},
        {"quoted comma", "\"八号桌, 靠窗\",1\r\n", {{"八号桌, 靠窗", "1"}}},
        {"doubled quote", "\"say \"\"hi\"\"\"\r\n", {{"say \"hi\""}}},
        {"line break in a field", "\"a\r\nb\",c\r\n", {{"a\r\nb", "c"}}},
        {"blank lines are skipped", "a\r\n\r\n\r\nb\r\n", {{"a"}, {"b"}}},
        {"a quoted empty field is a record", "\"\"\r\n", {{""}}},
        {"blanks are kept", " a , b \r\n", {{" a ", " b "}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto records = ParseCsv(c.text, error);
        ASSERT_TRUE(records.has_value()) << c.what << ": " << error;
        EXPECT_EQ(FieldsOf(*records), c.fields) << c.what;
    }
}

TEST(CsvTest, RecordsKnowTheLineTheyStartOn)
{
    std::string error;
    const auto records = ParseCsv("h\r\n\"a\r\nb\"\r\n\r\nc\r\n", error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_EQ(records->size(), 3u);
    EXPECT_EQ((*records)[0].line, 1);
    EXPECT_EQ((*records)[1].line, 2);
    EXPECT_EQ((*records)[2].line, 5) << "after a two-line field and a blank line";
}

TEST(CsvTest, MalformedTextIsRefusedWithItsLine)
{
    struct Case
    {
        std::string text;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"a,b\r\n\"open", "line 2: a quoted field is not closed"},
        {"a\r\n\"open\r\nstill open\r\n", "line 2: a quoted field is not closed"},
        {"a\"b\r\n", "line 1: a quote inside a field"},
        {"x\r\n\"a\"b,c\r\n", "line 2: text after the closing quote"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseCsv(c.text, error).has_value()) << c.text;
        EXPECT_EQ(error.rfind(c.says, 0), 0u) << error;
    }
}

TEST(CsvTest, WrittenFieldsReadBackUnchanged)
{
    const std::vector<std::string> fields = {"plain",    "a,b", "say \"hi\"", "two\r\nlines",
                                             " padded ", "",    "一号店"};
    std::string error;
    const auto records = ParseCsv(CsvLine(fields) + CsvLine({"x"}), error);
    ASSERT_TRUE(records.has_value()) << error;
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[0].fields, fields);
    EXPECT_EQ(CsvLine({"a", "b"}), "a,b\r\n") << "plain fields stay unquoted";
}

} // namespace
} // namespace px
