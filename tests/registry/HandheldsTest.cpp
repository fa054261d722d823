#include "registry/Handhelds.h"

#include "hostlink/HostFixture.h"
#include "mock/ScratchDatabase.h"
#include "registry/RegistryViews.h"
#include "storage/Transaction.h"

namespace px {
namespace {

class HandheldsTest : public test::HostFixture
{
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch_.Create());
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('f')"));
    }

    HandheldSaveResult Save(const std::string& number, const std::string& code, bool madeUp,
                            FileType fileType = FileType::PX, HostModel host = HostModel::None)
    {
        HandheldSaveResult result = SaveHandheld(db_, &exchange_, random_, "f", fileType, host,
                                                 {"1", number, code, "备注", madeUp});
        said_.Append(result.notices);
        return result;
    }

    Notices said_; // what the saves told, in order

    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
    Lcg random_{1};
};

TEST_F(HandheldsTest, TheCodeComesFromTheHostWithStatus66)
{
    host_.State().presses.push_back({0x66, 0x1A, 0x2B});
    const auto result = Save("5", "", false);
    EXPECT_TRUE(result.stored);
    EXPECT_EQ(result.number, 6);
    EXPECT_EQ(result.featureCode, "1A2B");
    const auto rows = LoadHandheldView(db_, "f");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].address, "1A2B");
    EXPECT_EQ(rows[0].remark, "备注");

    host_.State().presses.push_back({0x55, 0x1A, 0x2B});
    EXPECT_FALSE(Save("6", "", false).stored);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"请正确进行手持呼叫器进行设置！"}));
    said_ = {};
    EXPECT_FALSE(Save("6", "", false).stored);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"获取手持呼叫器特征码失败！"}));
}

TEST_F(HandheldsTest, MadeUpCodes)
{
    struct Case
    {
        const char* code;
        bool stored;
        const char* message;
    };
    for (const Case c :
         {Case{"FfFf", false, "自定义特征码错误！"}, Case{"0000", false, "自定义特征码错误！"},
          Case{"", false, "地址码不能为空！"},
          // Three digits would travel as 00 00, the host's empty slot: the rule of every
          // way in refuses it.
          Case{"000", false, "手持呼叫器 1：feature code \"000\" is not 4 hexadecimal digits"},
          Case{"12AB", true, nullptr}}) {
        said_ = {};
        const auto result = Save("1", c.code, true);
        EXPECT_EQ(result.stored, c.stored) << c.code;
        EXPECT_EQ(said_.Texts(),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    }
    EXPECT_TRUE(Written().empty()) << "a made-up code asks nothing of the host";
}

TEST_F(HandheldsTest, TheRandomCodeFollowsItsFormula)
{
    Lcg random(1);
    // The first draws of seed 1 are 41 and 18467: 41*12 % 256 = 0xEC, 18467*34 % 256 = 0xA6.
    EXPECT_EQ(RandomFeatureCode(random), "ECA6");
    Lcg again(1);
    EXPECT_EQ(RandomFeatureCode(again), "ECA6") << "the same seed gives the same code";
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        Lcg r(seed);
        const std::string code = RandomFeatureCode(r);
        EXPECT_NE(code, "0000");
        EXPECT_NE(code, "FFFF");
        EXPECT_EQ(code.size(), 4u);
    }
}

TEST_F(HandheldsTest, NumbersAndCapacity)
{
    Transaction transaction(db_);
    ASSERT_TRUE(transaction.Began());
    for (int i = 1; i <= 9; ++i)
        ASSERT_TRUE(
            db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values (?,'1234','f')",
                        {std::int64_t{i}}));
    ASSERT_TRUE(transaction.Commit());
    EXPECT_TRUE(Save("99", "ABCD", true, FileType::QX).stored);
    const auto full = Save("10", "ABCD", true, FileType::QX);
    EXPECT_FALSE(full.stored);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"最多可以输入10个手持呼叫器！"}));
    EXPECT_FALSE(full.fieldsChanged);

    said_ = {};
    const auto hundred = Save("50", "ABCD", true, FileType::PX);
    EXPECT_EQ(hundred.number, 100) << "the next number may be one the range refuses";
    EXPECT_FALSE(Save("100", "ABCD", true, FileType::PX).stored);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"手持呼叫器编号必须在1到99之间"}));
}

TEST_F(HandheldsTest, DeleteTakesTheSelectedNumber)
{
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device2 (DeviceNo,Address,FileName) values (3,'1234','f'),(3,'1234','g')"));
    DeleteHandheld(db_, "f", "");
    EXPECT_EQ(LoadHandheldView(db_, "f").size(), 1u);
    DeleteHandheld(db_, "f", "3");
    EXPECT_TRUE(LoadHandheldView(db_, "f").empty());
    EXPECT_EQ(LoadHandheldView(db_, "g").size(), 1u);
}

} // namespace
} // namespace px
