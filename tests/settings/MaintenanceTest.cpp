#include "settings/Maintenance.h"

#include "hostlink/HostFixture.h"
#include "mock/NoGbkConverter.h"
#include "mock/ScratchDatabase.h"
#include "storage/Database.h"

namespace px {
namespace {

class MaintenanceTest : public test::HostFixture
{
protected:
    test::ScratchDatabase scratch_{folder_};
};

TEST_F(MaintenanceTest, InitialiseWalksTheBarAndReportsSuccess)
{
    ASSERT_TRUE(InitialiseHost(exchange_));
    EXPECT_EQ(host_.State().initialiseCount, 1);
    const Report sent = Written().at(0);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 7), (Bytes{0x01, 0x60, 0x00, 0x9E}));
    EXPECT_EQ(progress_.progressTexts.front(), "正在初始化设备.....");
    EXPECT_EQ(progress_.positions, (std::vector<int>{0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"成功初始化主机！"}));
    EXPECT_FALSE(progress_.open);
}

TEST_F(MaintenanceTest, InitialiseWithoutAnswerFails)
{
    host_.State().fault = *ParseSimFault("silent");
    EXPECT_FALSE(InitialiseHost(exchange_));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"初始化主机失败！"}));
    EXPECT_FALSE(progress_.open);
}

TEST_F(MaintenanceTest, PreambleFrameAndMessages)
{
    ASSERT_TRUE(SendPreamble(exchange_));
    const Report sent = Written().at(0);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 7), (Bytes{0x01, 0xB3, 0x00, 0x4B}));
    EXPECT_EQ(progress_.progressTexts.front(), "前导发送中.....");
    host_.State().fault = *ParseSimFault("silent");
    EXPECT_FALSE(SendPreamble(exchange_));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"前导设置成功!", "前导设置失败!"}));
}

TEST_F(MaintenanceTest, ClockUsesPagerZeroOfAnyFileAndTheLocalTime)
{
    ASSERT_NO_FATAL_FAILURE(scratch_.Create());
    Database& db = scratch_.Db();
    ASSERT_TRUE(db.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                           "(3,'99','','current',0),(0,'1234567','','another file',0)"));
    clock_.SetLocal({2026, 12, 10, 9, 5, 7});
    ASSERT_EQ(CalibrateClock(exchange_, db), std::optional<bool>(true));
    EXPECT_EQ(host_.State().lastClock,
              (Bytes{0x12, 0xD6, 0x87, 0x30, 0x39, 0x30, 0x35, 0x30, 0x37, 0x23, 0xCA, 0xB1}));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"时钟校准成功！"}));

    host_.State().fault = *ParseSimFault("silent");
    EXPECT_EQ(CalibrateClock(exchange_, db), std::optional<bool>(false));
    EXPECT_EQ(prompter_.Texts().back(), "时钟校准失败！");
}

TEST_F(MaintenanceTest, ClockWithoutAClockReceiverDoesNothing)
{
    ASSERT_NO_FATAL_FAILURE(scratch_.Create());
    Database& db = scratch_.Db();
    EXPECT_EQ(CalibrateClock(exchange_, db), std::nullopt);
    Database closed;
    EXPECT_EQ(CalibrateClock(exchange_, closed), std::nullopt);
    EXPECT_TRUE(Written().empty());
    EXPECT_TRUE(prompter_.All().empty());
}

struct VersionCase
{
    std::string stored;
    std::string shown;
};

class VersionTest : public test::HostFixture, public ::testing::WithParamInterface<VersionCase>
{};

TEST_P(VersionTest, TheVersionEndsAtFFOrAfter15Bytes)
{
    host_.State().version = GetParam().stored;
    ASSERT_EQ(ReadProgramVersion(exchange_), std::optional<std::string>(GetParam().shown));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"当前设备版本号: " + GetParam().shown}));
    EXPECT_EQ(monitor_.lines.back().text, "当前设备版本号: " + GetParam().shown + "\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         ::testing::Values(VersionCase{"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO"},
                                           VersionCase{"PX V1.0", "PX V1.0"},
                                           VersionCase{"\xFFV1", ""}));

TEST_F(MaintenanceTest, VersionFailureIsReported)
{
    host_.State().fault = *ParseSimFault("silent");
    EXPECT_EQ(ReadProgramVersion(exchange_), std::nullopt);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"读取版本号失败！"}));
}

TEST_F(MaintenanceTest, AVersionThatCannotBeConvertedIsAFailureNotAnEmptyText)
{
    test::NoGbkConverter missing;
    EXPECT_EQ(ReadProgramVersion(exchange_), std::nullopt);
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find(kGbkUnavailableMessage), std::string::npos);
}

TEST_F(MaintenanceTest, FirmwareIsDownloadedWholeOrRefusedWhenTooLong)
{
    const Bytes image = Sequence(1000, 7);
    ASSERT_TRUE(UpgradeFirmware(exchange_, WriteFile("fw.bin", image)));
    EXPECT_EQ(host_.State().tables.at(0x64), image);
    EXPECT_EQ(progress_.results.back(), "下载升级程序发送成功");
    EXPECT_TRUE(prompter_.All().empty());

    const std::size_t written = Written().size();
    EXPECT_FALSE(UpgradeFirmware(exchange_, WriteFile("big.bin", Bytes(3'000'001, 1))));
    EXPECT_EQ(Written().size(), written) << "nothing is sent";
    EXPECT_EQ(prompter_.All().size(), 1u);
}

} // namespace
} // namespace px
