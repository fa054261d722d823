#include "registry/RegistryViews.h"

#include "mock/ScratchDatabase.h"
#include "mock/TempFolder.h"

#include <gtest/gtest.h>

namespace px {
namespace {

class RegistryViewsTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }
    test::TempFolder folder_;
    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
};

TEST_F(RegistryViewsTest, InformationMachinesComeInPagerOrderWithTheirDerivedLists)
{
    ASSERT_TRUE(
        db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                    "(7,'2097151','b','f',2),(0,'123','clock','f',4),(3,'5','a','f',0),"
                    "(9,'1','other file','g',1)"));
    const InfoMachineView view = LoadInfoMachineView(db_, "f");
    ASSERT_EQ(view.rows.size(), 3u);
    EXPECT_EQ(view.rows[0].deviceNo, 0);
    EXPECT_EQ(view.rows[0].typeName, "LW3");
    EXPECT_EQ(view.rows[2].address, "2097151");
    EXPECT_EQ(view.rows[2].typeName, "num");
    // Pager number 0 has no entry in the device option list, but one in the sender's list.
    EXPECT_EQ(view.numberList, (std::vector<std::string>{"", "3", "7"}));
    EXPECT_EQ(view.senderEntries, (std::vector<std::string>{"0", "3", "7"}));
}

TEST_F(RegistryViewsTest, CallerRowsComeInDescendingCodeOrderWithDevicesAndEscalationAsShown)
{
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device3 "
        "(CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo8,ZhuiHu,"
        "CodeType,FileName) values ('ABCDE2',1,'一号','结账',12,-1,3,2,0,'f'),"
        "('ABCDE1',1,'一号','呼叫',-1,-1,-1,0,0,'f'),('ABCDE3',1,'一号','加水',5,6,7,1,0,'f')"));
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,FileName) values ('ABCDE4','f')"));
    const auto rows = LoadCallerGridView(db_, "f");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0][0], "ABCDE4");
    EXPECT_EQ(rows[0][12], "不追呼") << "a row stored without escalation shows none";
    EXPECT_EQ(rows[1][0], "ABCDE3");
    EXPECT_EQ(rows[1][12], "追呼");
    EXPECT_EQ(rows[2][0], "ABCDE2");
    EXPECT_EQ(rows[2][4], "12");
    EXPECT_EQ(rows[2][5], "") << "-1 means no device";
    EXPECT_EQ(rows[2][11], "3");
    EXPECT_EQ(rows[2][12], "删除追呼");
    EXPECT_EQ(rows[3][0], "ABCDE1");
}

// The grid is where a bad row is mended, so it shows what is stored even when the rules refuse
// it: an unknown escalation by its number, not as none.
TEST_F(RegistryViewsTest, AKeyTheRulesRefuseStillShowsAsStored)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,CallNo,DeviceNo1,ZhuiHu,CodeType,"
                            "FileName) values ('ABCDE1',1,500,7,0,'f')"));
    const auto rows = LoadCallerGridView(db_, "f");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][4], "500");
    EXPECT_EQ(rows[0][12], "7");
    EXPECT_EQ(LoadRows(db_, CallerTable(), "f").refused.size(), 1u) << "the rules do refuse it";
}

TEST_F(RegistryViewsTest, CallerTypesStartWithTheBuiltInSingleKeyThenByKeyCount)
{
    ASSERT_TRUE(db_.Execute("delete from T_CallType"));
    ASSERT_TRUE(db_.Execute("insert into T_CallType values ('B',3,7),('A',2,18),('C',1,1)"));
    const auto types = LoadCallerTypes(db_);
    ASSERT_EQ(types.size(), 4u);
    EXPECT_EQ(types[0].name, "单键0");
    EXPECT_EQ(types[0].keyCount, 1);
    EXPECT_EQ(types[0].keySelection, 0u);
    EXPECT_EQ(types[1].name, "C");
    EXPECT_EQ(types[2].name, "A");
    EXPECT_EQ(types[2].keySelection, 18u);
    EXPECT_EQ(types[3].name, "B");
}

} // namespace
} // namespace px
