#include "transfer/TableDownload.h"

#include "common/Gbk.h"
#include "hostlink/HostFixture.h"
#include "mock/ScratchDatabase.h"
#include "storage/Transaction.h"

#include <cstdlib>
#include <filesystem>

namespace px {
namespace {

class TableDownloadTest : public test::HostFixture
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }

    void AddMachines(int count, const std::string& address = "123", int type = 0)
    {
        Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(
                db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                            "values (?,?,'','f',?)",
                            {std::int64_t{i}, address, std::int64_t{type}}));
        ASSERT_TRUE(transaction.Commit());
    }

    test::ScratchDatabase scratch_{folder_};

    // Downloads a table of "f", keeping what the download told in said_.
    DownloadOutcome Download(Database& db, TableKind kind)
    {
        const DownloadReport report = DownloadTable(exchange_, db, kind, "f");
        said_.Append(report.notices);
        return report.outcome;
    }
    Notices said_;
    Database& db_ = scratch_.Db();
};

// An information machine's record with the receiver type's values as given (text, as the
// database might hold them: anything but 1 to 4, 1 or 2, 1 counts as none).
Bytes InfoRecord(int pager, const char* address, const char* machineType, const char* rate,
                 const char* polarity)
{
    const auto number = [](const char* text) { return *text ? std::atoi(text) : 0; };
    const ReceiverTypes types = {{0, {number(machineType), number(rate), number(polarity)}}};
    std::string why;
    return *InfoMachineTable().encode(InfoMachineRow{pager, address, "", 0}, types, why);
}

std::optional<Bytes> CallerRecord(const CallerRow& row, std::string& why)
{
    return CallerTable().encode(row, {}, why);
}

Bytes HandheldRecord(int number, const char* code)
{
    std::string why;
    return *HandheldTable().encode(HandheldRow{number, code, ""}, {}, why);
}

TEST_F(TableDownloadTest, RecordLayout)
{
    struct Case
    {
        int pager;
        const char* address;
        const char* machineType;
        const char* rate;
        const char* polarity;
        Bytes head;     // bytes 0..4
        Bytes address3; // bytes 8..10
    };
    const std::vector<Case> cases = {
        {499, "2097151", "4", "2", "1", {0x01, 0xF3, 0xFE, 0xF4, 0x02}, {0x1F, 0xFF, 0xFF}},
        {0, "123", "0", "0", "0", {0x00, 0x00, 0xF8, 0xF0, 0x02}, {0x00, 0x00, 0x7B}},
        {256, " 77x9", "", "1", "", {0x01, 0x00, 0xF9, 0xF0, 0x02}, {0x00, 0x00, 0x4D}},
        {5, "", "7", "3", "0", {0x00, 0x05, 0xF8, 0xF0, 0x02}, {0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        const Bytes r = InfoRecord(c.pager, c.address, c.machineType, c.rate, c.polarity);
        EXPECT_EQ(Bytes(r.begin(), r.begin() + 5), c.head) << c.pager;
        EXPECT_EQ(Bytes(r.begin() + 8, r.begin() + 11), c.address3) << c.pager;
        for (std::size_t i = 5; i <= 7; ++i)
            EXPECT_EQ(r[i], 0) << i;
        for (std::size_t i = 11; i < 29; ++i)
            EXPECT_EQ(r[i], 0) << i;
        EXPECT_EQ(r[29], 0xFF);
    }
}

TEST_F(TableDownloadTest, TheHostGetsTheRecordsOfTheFileInPagerOrder)
{
    ASSERT_TRUE(db_.Execute("update T_Type set Rate=2, Polarity=1 where TypeNo=2"));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                    "(499,'2097151','','f',2),(3,'123','','f',4),(8,'5','','f',0),"
                    "(1,'9','','other',0)"));
    ASSERT_EQ(Download(db_, TableKind::InfoMachines), DownloadOutcome::Sent);
    const Bytes& table = host_.State().tables.at(0x65);
    ASSERT_EQ(table.size(), 90u);
    EXPECT_EQ(Bytes(table.begin(), table.begin() + 4), (Bytes{0x00, 0x03, 0xF8, 0xF4}));
    EXPECT_EQ(Bytes(table.begin() + 60, table.begin() + 64), (Bytes{0x01, 0xF3, 0xFE, 0xF2}));
    EXPECT_EQ(Written().size(), 2u) << "90 bytes go in two packets";
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"下载Bp机信息发送成功"}));
    EXPECT_FALSE(test::Exists(folder_.File("Bp.txt")));
}

TEST_F(TableDownloadTest, AFullPxFileIs278Packets)
{
    AddMachines(500);
    ASSERT_EQ(Download(db_, TableKind::InfoMachines), DownloadOutcome::Sent);
    EXPECT_EQ(host_.State().tables.at(0x65).size(), 15000u);
    EXPECT_EQ(Written().size(), 278u);
}

TEST_F(TableDownloadTest, AnEmptyTableSendsNothing)
{
    EXPECT_EQ(Download(db_, TableKind::InfoMachines), DownloadOutcome::Empty);
    EXPECT_EQ(said_.Texts(), (std::vector<std::string>{"Bp机信息表中没有数据！"}));
    EXPECT_TRUE(Written().empty());
    Database closed;
    EXPECT_EQ(Download(closed, TableKind::InfoMachines), DownloadOutcome::NoDatabase);
}

TEST_F(TableDownloadTest, AFailedTransferStillRemovesTheRecordFile)
{
    AddMachines(3);
    backend_.RemoveDevice(device_);
    EXPECT_EQ(Download(db_, TableKind::InfoMachines), DownloadOutcome::Failed);
    EXPECT_FALSE(test::Exists(folder_.File("Bp.txt")));
}

TEST_F(TableDownloadTest, CallerRecordLayout)
{
    std::string error;
    CallerRow row;
    row.codeNo = "A1B2C3";
    row.callNo = 300;
    row.callName = "八号桌";
    row.devices = {12, -1, -1, -1, -1, -1, -1, -1};
    row.zhuiHu = 2;
    const auto record = CallerRecord(row, error);
    ASSERT_TRUE(record.has_value()) << error;
    const Bytes& r = *record;
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 8),
              (Bytes{0x55, 0xA1, 0xB2, 0xC3, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(r.begin() + 8, r.begin() + 10), (Bytes{0x2C, 0x01}));
    EXPECT_EQ(Bytes(r.begin() + 10, r.begin() + 16), *ToGbk("八号桌"));
    EXPECT_EQ(Bytes(r.begin() + 16, r.begin() + 20), Bytes(4, 0xFF));
    EXPECT_EQ(Bytes(r.begin() + 20, r.begin() + 68), Bytes(48, 0xFF)) << "an empty KeyName";
    EXPECT_EQ(Bytes(r.begin() + 68, r.begin() + 70), (Bytes{0x0C, 0x00}));
    EXPECT_EQ(Bytes(r.begin() + 76, r.begin() + 78), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(r[84], 0x02);
    EXPECT_EQ(Bytes(r.begin() + 85, r.end()), Bytes(15, 0xFF));

    row.codeNo = "0123456789ab";
    row.codeType = 1;
    const auto longCode = CallerRecord(row, error);
    ASSERT_TRUE(longCode.has_value());
    EXPECT_EQ(Bytes(longCode->begin(), longCode->begin() + 8),
              (Bytes{0x5A, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xFF}));
}

TEST_F(TableDownloadTest, CallerTextsAreCutWithoutSplittingACharacter)
{
    std::string error;
    CallerRow row;
    row.codeNo = "123451";
    row.callName = "一二三四五六"; // 12 GBK bytes: the sixth character does not fit
    row.keyName = std::string(47, 'x') + "呼";
    const auto record = CallerRecord(row, error);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(Bytes(record->begin() + 10, record->begin() + 20), *ToGbk("一二三四五"));
    EXPECT_EQ((*record)[20 + 46], 'x');
    EXPECT_EQ((*record)[20 + 47], 0xFF) << "half a character is not sent";
}

TEST_F(TableDownloadTest, CallerRowsThatCannotTravelAreRefused)
{
    std::string error;
    CallerRow row;
    row.codeNo = "123456789012345";
    EXPECT_FALSE(CallerRecord(row, error).has_value());
    EXPECT_NE(error.find("14"), std::string::npos);
    row.codeNo = "12345678901234";
    EXPECT_TRUE(CallerRecord(row, error).has_value()) << "14 digits fill the field";
    row.keyName = "\xF0\x9F\x98\x80";
    EXPECT_FALSE(CallerRecord(row, error).has_value());
}

// A code's hexadecimal pairs count as far as their characters are digits: 0 when the first is
// not one or the pair is missing.
TEST_F(TableDownloadTest, HexPairsAndHandheldRecords)
{
    EXPECT_EQ(HandheldRecord(5, "1a2b"), (Bytes{0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(HandheldRecord(12, "12"), (Bytes{0x0C, 0x12, 0x00, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(HandheldRecord(1, "1GG1"), (Bytes{0x01, 0x01, 0x00, 0xFF, 0xFF, 0xFF}));
}

TEST_F(TableDownloadTest, CallersAndHandheldsReachTheHost)
{
    Transaction transaction(db_);
    ASSERT_TRUE(transaction.Began());
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CodeType,FileName) values (?,?,0,'f')",
            {"ABC" + std::to_string(100 + i), std::int64_t{i}}));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values (5,'1a2b','f')"));
    ASSERT_TRUE(transaction.Commit());
    EXPECT_EQ(Download(db_, TableKind::Callers), DownloadOutcome::Sent);
    EXPECT_EQ(host_.State().tables.at(0x66).size(), 2000u);
    EXPECT_EQ(Written().size(), 38u);
    EXPECT_EQ(Download(db_, TableKind::Handhelds), DownloadOutcome::Sent);
    EXPECT_EQ(host_.State().tables.at(0x68), (Bytes{0x05, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(said_.Texts(),
              (std::vector<std::string>{"下载呼叫器信息成功！", "手持呼叫器匹配表设置成功！"}));
    EXPECT_FALSE(test::Exists(folder_.File("Call.txt")));
    EXPECT_FALSE(test::Exists(folder_.File("ShouChi.txt")));

    said_ = {};
    host_.State().fault = *ParseSimFault("silent-after:1");
    EXPECT_EQ(Download(db_, TableKind::Callers), DownloadOutcome::Failed);
    EXPECT_EQ(Download(db_, TableKind::Handhelds), DownloadOutcome::Failed);
    EXPECT_EQ(said_.Texts(),
              (std::vector<std::string>{"下载呼叫器信息失败！", "手持呼叫器匹配表设置失败！"}));
}

TEST_F(TableDownloadTest, EmptyCallerAndHandheldTablesAreSilent)
{
    EXPECT_EQ(Download(db_, TableKind::Callers), DownloadOutcome::Empty);
    EXPECT_EQ(Download(db_, TableKind::Handhelds), DownloadOutcome::Empty);
    EXPECT_TRUE(said_.Empty());
    EXPECT_TRUE(Written().empty());
}

} // namespace
} // namespace px
