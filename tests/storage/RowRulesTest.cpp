#include "storage/RowRules.h"

#include <functional>
#include <gtest/gtest.h>

namespace px {
namespace {

using namespace std::string_literals;

// Each rule at the edges of what it accepts: the last value in, the first value out.
TEST(RowRulesTest, EachRuleAcceptsUpToItsLimitsAndRefusesPastThem)
{
    const auto number = [](std::string (*rule)(long long)) {
        return [rule](const std::string& text) { return rule(std::stoll(text)); };
    };
    const auto text = [](std::string (*rule)(std::string_view)) {
        return [rule](const std::string& value) { return rule(value); };
    };
    const struct
    {
        const char* rule;
        std::function<std::string(const std::string&)> check;
        std::vector<std::string> accepted;
        std::vector<std::string> refused;
    } cases[] = {
        {"pager number", number(CheckPagerNumber), {"0", "499"}, {"-1", "500"}},
        {"address",
         text(CheckAddress),
         {"0", "1", "0000123", "2097151"},
         {"", "2097152", "9999999", "12345678", "12a", " 12", "-1"}},
        {"receiver type", number(CheckReceiverType), {"0", "4"}, {"-1", "5"}},
        {"handheld number", number(CheckHandheldNumber), {"1", "99"}, {"0", "100"}},
        {"handheld code",
         text(CheckHandheldCode),
         {"0001", "1a2b", "1A2B", "FFFE"},
         {"0000", "FFFF", "ffff", "1A2", "12345", "GHIJ", ""}},
        {"caller code",
         text(CheckCallerCode),
         {"ABCDE1", "a1b2c3", "0123456789AB"},
         {"ABCDE", "ABCDE12", "0123456789A", "0123456789ABC", "ABCDEG", ""}},
        {"caller number", number(CheckCallerNumber), {"0", "65535"}, {"-1", "65536"}},
        {"target pager", number(CheckTargetPager), {"-1", "0", "499"}, {"-2", "500"}},
        {"escalation", number(CheckEscalation), {"0", "2"}, {"-1", "3"}},
        {"code type", number(CheckCodeType), {"0", "1"}, {"-1", "2"}},
        {"stored text",
         text(CheckStoredText),
         {"", "八号桌", "O'Brien", "😀"},
         {"\xFF", "a\0b"s, "\xE5\x85"}},
        {"host text", text(CheckHostText), {"", "请到前台", "Table 8"}, {"😀", "\xFF", "a\0b"s}},
    };
    for (const auto& c : cases) {
        for (const std::string& value : c.accepted)
            EXPECT_EQ(c.check(value), "") << c.rule << " accepts '" << value << "'";
        for (const std::string& value : c.refused)
            EXPECT_NE(c.check(value), "") << c.rule << " refuses '" << value << "'";
    }
}

TEST(RowRulesTest, TheStricterCapacityIsTheQxOne)
{
    const Capacity px = CapacityFor(false);
    const Capacity qx = CapacityFor(true);
    EXPECT_EQ(px.infoMachines, 500);
    EXPECT_EQ(px.handhelds, 100);
    EXPECT_EQ(px.callerRows, 1999);
    EXPECT_EQ(qx.infoMachines, 20);
    EXPECT_EQ(qx.handhelds, 10);
    EXPECT_EQ(qx.callerRows, 200);
}

} // namespace
} // namespace px
