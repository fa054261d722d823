#include "registry/InfoMachines.h"

#include "mock/DatabaseFixture.h"
#include "registry/RegistryViews.h"
#include "storage/Transaction.h"

namespace px {
namespace {

constexpr HostModel kNoHost = HostModel::None;
constexpr HostModel kPxHost = HostModel::PX;
constexpr HostModel kQxHost = HostModel::QX;

class InfoMachinesTest : public test::DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        AddFile("f", 0);
    }

    InfoMachineSaveResult Save(const std::string& pager, const std::string& address,
                               FileType fileType = FileType::PX, HostModel host = kNoHost,
                               bool advance = false, const std::string& remark = "", int type = 0)
    {
        InfoMachineFields fields{pager, "1", address, remark, type, advance};
        return SaveInfoMachine(db_, "f", fileType, host, fields);
    }

    void FillFile(int count)
    {
        Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        for (int i = 0; i < count; ++i)
            AddMachine("f", i);
        ASSERT_TRUE(transaction.Commit());
    }
};

TEST_F(InfoMachinesTest, TheNextPagerNumberFollowsTheHighest)
{
    AddMachine("f", 9);
    AddMachine("other", 40);
    const auto result = Save("5", "123");
    EXPECT_TRUE(result.stored);
    EXPECT_EQ(result.pagerNumber, 10);
    EXPECT_EQ(result.address, "123") << "without the advance the address stays";
    AddFile("empty", 0);
    const auto first =
        SaveInfoMachine(db_, "empty", FileType::PX, kNoHost, {"1", "1", "5", "", 0, false});
    EXPECT_EQ(first.pagerNumber, 2);
}

TEST_F(InfoMachinesTest, TheAddressIsStoredAsTypedAndAdvancedOnRequest)
{
    const auto result =
        Save("1", "123", FileType::PX, kNoHost, true, "O'Brien'); DROP TABLE T_Device1;--", 4);
    ASSERT_TRUE(result.stored);
    EXPECT_EQ(result.address, "0000124");
    const InfoMachineView view = LoadInfoMachineView(db_, "f");
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].address, "123");
    EXPECT_EQ(view.rows[0].remark, "O'Brien'); DROP TABLE T_Device1;--");
    EXPECT_EQ(view.rows[0].typeName, "LW3");
}

TEST_F(InfoMachinesTest, AdvancingTheAddress)
{
    struct Case
    {
        const char* address;
        const char* next;
    };
    for (const Case c : {Case{"123", "0000124"}, Case{"0", "0000001"}, Case{"2097150", "2097151"},
                         Case{"2097151", "1111110"}, Case{"9999999", "1111110"}}) {
        EXPECT_EQ(AdvanceAddress(c.address), c.next) << c.address;
    }
}

TEST_F(InfoMachinesTest, ASecondSaveOfAPagerNumberModifiesIt)
{
    ASSERT_TRUE(Save("3", "100", FileType::PX, kNoHost, false, "a", 1).stored);
    ASSERT_TRUE(Save("3", "200", FileType::PX, kNoHost, false, "b", 2).stored);
    const InfoMachineView view = LoadInfoMachineView(db_, "f");
    ASSERT_EQ(view.rows.size(), 1u);
    EXPECT_EQ(view.rows[0].address, "200");
    EXPECT_EQ(view.rows[0].typeName, "num");
}

struct RefusalCase
{
    const char* pager;
    const char* handheld;
    const char* address;
    const char* message;
    bool fieldsChange; // a bad number still moves on to the next pager number
};

// A case as the test's name shows it.
void PrintTo(const RefusalCase& c, std::ostream* out)
{
    *out << "pager '" << c.pager << "' handheld '" << c.handheld << "' address '" << c.address
         << "'";
}

class InfoMachineRefusalTest : public InfoMachinesTest,
                               public ::testing::WithParamInterface<RefusalCase>
{};

TEST_P(InfoMachineRefusalTest, NothingIsStored)
{
    const RefusalCase c = GetParam();
    AddMachine("f", 4);
    const auto result = SaveInfoMachine(db_, "f", FileType::PX, kNoHost,
                                        {c.pager, c.handheld, c.address, "", 0, true});
    EXPECT_FALSE(result.stored);
    EXPECT_EQ(result.notices.Texts(), (std::vector<std::string>{c.message}));
    EXPECT_EQ(result.fieldsChanged, c.fieldsChange);
    if (c.fieldsChange) {
        EXPECT_EQ(result.pagerNumber, 5);
    }
    EXPECT_EQ(Count("select * from T_Device1"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Checks, InfoMachineRefusalTest,
    ::testing::Values(RefusalCase{"", "1", "1", "传呼号必须是整数", true},
                      RefusalCase{"500", "1", "1", "传呼号必须在0到499之间", true},
                      RefusalCase{"3", "100", "1", "手持呼叫器编号必须在1到99之间", true},
                      RefusalCase{"3", "1", "", "地址码不能为空！", false},
                      RefusalCase{"3", "1", "2097152", "信息机地址输入有误，请正确输入！", false}));

TEST_F(InfoMachinesTest, AFullQxFileRefusesNewRowsAndModifications)
{
    FillFile(20);
    for (const char* pager : {"20", "3"}) {
        const auto refused = Save(pager, "1", FileType::QX);
        EXPECT_FALSE(refused.stored) << pager << ": a modification is refused too";
        EXPECT_EQ(refused.notices.Texts(), (std::vector<std::string>{"最多可以输入20个信息机！"}));
    }
    EXPECT_FALSE(Save("20", "1", FileType::QX, kPxHost).stored) << "the QX test comes first";
    EXPECT_FALSE(Save("20", "1", FileType::PX, kQxHost).stored) << "a QX host limits a PX file too";
    EXPECT_TRUE(Save("20", "1", FileType::PX, kPxHost).stored);
}

TEST_F(InfoMachinesTest, APxFileHoldsFiveHundred)
{
    FillFile(499);
    EXPECT_TRUE(Save("499", "1", FileType::PX).stored);
    const auto refused = Save("499", "1", FileType::PX);
    EXPECT_FALSE(refused.stored);
    EXPECT_EQ(refused.notices.Texts(), (std::vector<std::string>{"最多可以输入500个信息机！"}));
}

TEST_F(InfoMachinesTest, DeleteTakesTheSelectedRowOnly)
{
    AddMachine("f", 1);
    AddMachine("f", 2);
    AddMachine("g", 1);
    DeleteInfoMachine(db_, "f", "");
    EXPECT_EQ(Count("select * from T_Device1"), 3) << "nothing selected, nothing deleted";
    DeleteInfoMachine(db_, "f", "1");
    EXPECT_EQ(Count("select * from T_Device1 where FileName='f'"), 1);
    EXPECT_EQ(Count("select * from T_Device1 where FileName='g'"), 1);
}

TEST_F(InfoMachinesTest, ReceiverTypeNamesMapToPositions)
{
    const std::vector<std::pair<std::string, std::optional<int>>> cases = {
        {"BX-2", 0}, {"LW2/LW1", 1},         {"num", 2},        {"en", 3},
        {"LW3", 4},  {"数字", std::nullopt}, {"", std::nullopt}};
    for (const auto& [name, index] : cases)
        EXPECT_EQ(ReceiverTypeIndex(name), index) << name;
}

} // namespace
} // namespace px
