#include "transfer/TableDownload.h"

#include "hostlink/HostFixture.h"
#include "storage/Schema.h"

#include <filesystem>

namespace px {
namespace {

class TableDownloadTest : public test::HostFixture
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(folder_.File("Database/DADE.db"), error)) << error;
        ASSERT_TRUE(db_.Open(connection_));
    }

    void AddMachines(int count, const std::string& address = "123", int type = 0)
    {
        ASSERT_TRUE(db_.BeginTransaction());
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                                    "values (?,?,'','f',?)",
                                    {std::int64_t{i}, address, std::int64_t{type}}));
        ASSERT_TRUE(db_.CommitTransaction());
    }

    std::string connection_ = MakeConnectionString(folder_.File("Database/DADE.db"));
    CADODatabase db_;
};

TEST_F(TableDownloadTest, RecordLayout)
{
    struct Case
    {
        int pager;
        const char* address;
        const char* machineType;
        const char* rate;
        const char* polarity;
        Bytes head;    // bytes 0..4
        Bytes address3; // bytes 8..10
    };
    const std::vector<Case> cases = {
        {499, "2097151", "4", "2", "1", {0x01, 0xF3, 0xFE, 0xF4, 0x02}, {0x1F, 0xFF, 0xFF}},
        {0, "123", "0", "0", "0", {0x00, 0x00, 0xF8, 0xF0, 0x02}, {0x00, 0x00, 0x7B}},
        {256, " 77x9", "", "1", "", {0x01, 0x00, 0xF9, 0xF0, 0x02}, {0x00, 0x00, 0x4D}},
        {5, "", "7", "3", "0", {0x00, 0x05, 0xF8, 0xF0, 0x02}, {0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        const InfoMachineRecord r = MakeInfoMachineRecord(c.pager, c.address, c.machineType, c.rate, c.polarity);
        EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), c.head) << c.pager;
        EXPECT_EQ(Bytes(r.begin() + 8, r.begin() + 11), c.address3) << c.pager;
        for (int i : {5, 6, 7})
            EXPECT_EQ(r[i], 0) << i;
        for (int i = 11; i < 29; ++i)
            EXPECT_EQ(r[i], 0) << i;
        EXPECT_EQ(r[29], 0xFF);
    }
}

TEST_F(TableDownloadTest, TheHostGetsTheRecordsOfTheFileInPagerOrder)
{
    ASSERT_TRUE(db_.Execute("update T_Type set Rate=2, Polarity=1 where TypeNo=2"));
    ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                            "(499,'2097151','','f',2),(3,'123','','f',4),(8,'5','','f',0),"
                            "(1,'9','','other',0)"));
    ASSERT_EQ(DownloadInfoMachines(exchange_, connection_, "f"), DownloadOutcome::Sent);
    const Bytes& table = host_.State().tables.at(0x65);
    ASSERT_EQ(table.size(), 90u);
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 4), (Bytes{0x00, 0x03, 0xF8, 0xF4}));
    EXPECT_EQ(Bytes(table.begin() + 60, table.begin() + 64), (Bytes{0x01, 0xF3, 0xFE, 0xF2}));
    EXPECT_EQ(Written().size(), 2u) << "90 bytes go in two packets";
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"下载Bp机信息发送成功"}));
    EXPECT_FALSE(std::filesystem::exists(folder_.File("Bp.txt")));
}

TEST_F(TableDownloadTest, AFullPxFileIs278Packets)
{
    AddMachines(500);
    ASSERT_EQ(DownloadInfoMachines(exchange_, connection_, "f"), DownloadOutcome::Sent);
    EXPECT_EQ(host_.State().tables.at(0x65).size(), 15000u);
    EXPECT_EQ(Written().size(), 278u);
}

TEST_F(TableDownloadTest, AnEmptyTableSendsNothing)
{
    EXPECT_EQ(DownloadInfoMachines(exchange_, connection_, "f"), DownloadOutcome::Empty);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Bp机信息表中没有数据！"}));
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(DownloadInfoMachines(exchange_, MakeConnectionString(folder_.File("none.db")), "f"),
              DownloadOutcome::NoDatabase);
}

TEST_F(TableDownloadTest, AFailedTransferStillRemovesTheRecordFile)
{
    AddMachines(3);
    backend_.RemoveDevice(device_);
    EXPECT_EQ(DownloadInfoMachines(exchange_, connection_, "f"), DownloadOutcome::Failed);
    EXPECT_FALSE(std::filesystem::exists(folder_.File("Bp.txt")));
}

} // namespace
} // namespace px
