#include "common/BoundedJson.h"

#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

std::string Nested(int depth)
{
    return std::string(static_cast<std::size_t>(depth), '[') +
           std::string(static_cast<std::size_t>(depth), ']');
}

struct DepthCase
{
    const char* what;
    std::string text;
    bool accepted;
};

TEST(BoundedJsonTest, NestingIsCountedOutsideStringsOnly)
{
    const JsonLimits limits{1024, 3};
    const std::vector<DepthCase> cases = {
        {"at the limit", Nested(3), true},
        {"one level too deep", Nested(4), false},
        {"brackets inside a string", R"({"a": "[[[[[[{{{{"})", true},
        {"an escaped quote does not end the string", R"({"a": "\"[[[[[["})", true},
        {"objects and arrays together", R"({"a": [{"b": [1]}]})", false},
        {"siblings do not add up", "[[1],[2],[3],[4],[5]]", true},
    };
    for (const DepthCase& c : cases) {
        std::string error;
        const auto parsed = ParseBoundedJson(c.text, limits, error);
        EXPECT_EQ(parsed.has_value(), c.accepted) << c.what << ": " << error;
        if (!c.accepted) {
            EXPECT_NE(error.find("nested more than 3"), std::string::npos) << c.what;
        }
    }
}

TEST(BoundedJsonTest, AHugelyNestedDocumentIsRefusedWithoutParsing)
{
    std::string error;
    EXPECT_FALSE(ParseBoundedJson(Nested(200000), JsonLimits{}, error));
    EXPECT_NE(error.find("nested"), std::string::npos);
    EXPECT_LT(error.size(), 100u) << "the message must not print the document";
}

TEST(BoundedJsonTest, SizeAndSyntaxAreReported)
{
    std::string error;
    EXPECT_FALSE(ParseBoundedJson("[1, 2, 3]", JsonLimits{5, 8}, error));
    EXPECT_NE(error.find("more than the 5"), std::string::npos) << error;

    EXPECT_FALSE(ParseBoundedJson("{\"a\": }", JsonLimits{}, error));
    EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;

    // The parser quotes the token it stopped at; a long one is cut, not repeated whole.
    EXPECT_FALSE(ParseBoundedJson("{\"a\": " + std::string(5000, '7') + "x}", JsonLimits{}, error));
    EXPECT_NE(error.find("not valid JSON"), std::string::npos) << error;
    EXPECT_LT(error.size(), 200u) << error;
}

TEST(BoundedJsonTest, AFileOverTheLimitIsRefusedFromItsSize)
{
    test::TempFolder folder;
    const std::string path = folder.File("big.json");
    {
        std::ofstream out(PathFromUtf8(path));
        out << "[" << std::string(100, ' ') << "]";
    }
    std::string error;
    EXPECT_FALSE(ReadBoundedJsonFile(path, JsonLimits{50, 8}, error));
    EXPECT_NE(error.find("more than the 50"), std::string::npos) << error;
    EXPECT_TRUE(ReadBoundedJsonFile(path, JsonLimits{200, 8}, error)) << error;
    EXPECT_FALSE(ReadBoundedJsonFile(folder.File("missing.json"), JsonLimits{}, error));
    EXPECT_NE(error.find("cannot read"), std::string::npos) << error;
}

TEST(BoundedJsonTest, SnippetsAreShortAndKeepCharactersWhole)
{
    EXPECT_EQ(JsonSnippet(nlohmann::json{1, 2}), "[1,2]");
    // "一" is three bytes; a cut in its middle must step back before it.
    const std::string snippet = JsonSnippet(nlohmann::json("一二三四"), 5);
    EXPECT_EQ(snippet, "\"一...");
}

} // namespace
} // namespace px
