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
    const Outcome outcome = InitialiseHost(exchange_);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(host_.State().initialiseCount, 1);
    const Report sent = Written().at(0);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 7), (Bytes{0x01, 0x60, 0x00, 0x9E}));
    EXPECT_EQ(progress_.progressTexts.front(), "正在初始化设备.....");
    EXPECT_EQ(progress_.positions, (std::vector<int>{0, 20, 40, 60, 80, 100}));
    EXPECT_EQ(outcome.notices.Texts(), (std::vector<std::string>{"成功初始化主机！"}));
    EXPECT_FALSE(progress_.open);
}

TEST_F(MaintenanceTest, InitialiseWithoutAnswerFails)
{
    host_.State().fault = *ParseSimFault("silent");
    const Outcome outcome = InitialiseHost(exchange_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.notices.Texts(), (std::vector<std::string>{"初始化主机失败！"}));
    EXPECT_TRUE(told_.All().empty()) << "nothing is left behind for a later command";
    EXPECT_FALSE(progress_.open);
}

TEST_F(MaintenanceTest, PreambleFrameAndMessages)
{
    const Outcome sentOutcome = SendPreamble(exchange_);
    ASSERT_TRUE(sentOutcome.ok);
    EXPECT_EQ(sentOutcome.notices.Texts(), (std::vector<std::string>{"前导设置成功!"}));
    const Report sent = Written().at(0);
    EXPECT_EQ(Bytes(sent.begin() + 3, sent.begin() + 7), (Bytes{0x01, 0xB3, 0x00, 0x4B}));
    EXPECT_EQ(progress_.progressTexts.front(), "前导发送中.....");
    host_.State().fault = *ParseSimFault("silent");
    const Outcome failed = SendPreamble(exchange_);
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.notices.Texts(), (std::vector<std::string>{"前导设置失败!"}));
}

TEST_F(MaintenanceTest, ClockUsesPagerZeroOfAnyFileAndTheLocalTime)
{
    ASSERT_NO_FATAL_FAILURE(scratch_.Create());
    Database& db = scratch_.Db();
    ASSERT_TRUE(db.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                           "(3,'99','','current',0),(0,'1234567','','another file',0)"));
    clock_.SetLocal({2026, 12, 10, 9, 5, 7});
    const std::optional<Outcome> set = CalibrateClock(exchange_, db);
    ASSERT_TRUE(set && set->ok);
    EXPECT_EQ(host_.State().lastClock,
              (Bytes{0x12, 0xD6, 0x87, 0x30, 0x39, 0x30, 0x35, 0x30, 0x37, 0x23, 0xCA, 0xB1}));
    EXPECT_EQ(set->notices.Texts(), (std::vector<std::string>{"时钟校准成功！"}));

    host_.State().fault = *ParseSimFault("silent");
    const std::optional<Outcome> failed = CalibrateClock(exchange_, db);
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->ok);
    ASSERT_FALSE(failed->notices.Empty());
    EXPECT_EQ(failed->notices.Texts().back(), "时钟校准失败！");
}

TEST_F(MaintenanceTest, ClockWithoutAClockReceiverDoesNothing)
{
    ASSERT_NO_FATAL_FAILURE(scratch_.Create());
    Database& db = scratch_.Db();
    EXPECT_FALSE(CalibrateClock(exchange_, db));
    Database closed;
    EXPECT_FALSE(CalibrateClock(exchange_, closed));
    EXPECT_TRUE(Written().empty());
    EXPECT_TRUE(told_.All().empty());
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
    const Reading<std::string> version = ReadProgramVersion(exchange_);
    ASSERT_EQ(version.value, std::optional<std::string>(GetParam().shown));
    EXPECT_EQ(version.notices.Texts(),
              (std::vector<std::string>{"当前设备版本号: " + GetParam().shown}));
    EXPECT_EQ(monitor_.lines.back().text, "当前设备版本号: " + GetParam().shown + "\n");
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTest,
                         ::testing::Values(VersionCase{"ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNO"},
                                           VersionCase{"PX V1.0", "PX V1.0"},
                                           VersionCase{"\xFFV1", ""}));

TEST_F(MaintenanceTest, VersionFailureIsReported)
{
    host_.State().fault = *ParseSimFault("silent");
    const Reading<std::string> version = ReadProgramVersion(exchange_);
    EXPECT_EQ(version.value, std::nullopt);
    EXPECT_EQ(version.notices.Texts(), (std::vector<std::string>{"读取版本号失败！"}));
}

TEST_F(MaintenanceTest, AVersionThatCannotBeConvertedIsAFailureNotAnEmptyText)
{
    test::NoGbkConverter missing;
    const Reading<std::string> version = ReadProgramVersion(exchange_);
    EXPECT_EQ(version.value, std::nullopt);
    ASSERT_EQ(version.notices.Texts().size(), 1u);
    EXPECT_NE(version.notices.Texts()[0].find(kGbkUnavailableMessage), std::string::npos);
}

TEST_F(MaintenanceTest, FirmwareIsDownloadedWholeOrRefusedWhenTooLong)
{
    const Bytes image = Sequence(1000, 7);
    const Outcome upgraded = UpgradeFirmware(exchange_, WriteFile("fw.bin", image));
    ASSERT_TRUE(upgraded.ok);
    EXPECT_EQ(host_.State().tables.at(0x64), image);
    EXPECT_EQ(progress_.results.back(), "下载升级程序发送成功");
    EXPECT_TRUE(upgraded.notices.Empty());

    const std::size_t written = Written().size();
    const Outcome refused = UpgradeFirmware(exchange_, WriteFile("big.bin", Bytes(3'000'001, 1)));
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(Written().size(), written) << "nothing is sent";
    ASSERT_EQ(refused.notices.Texts().size(), 1u);
    EXPECT_NE(refused.notices.Texts()[0].find("3000001"), std::string::npos);
}

} // namespace
} // namespace px
