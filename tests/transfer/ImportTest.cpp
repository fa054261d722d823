#include "transfer/Import.h"

#include "hostlink/HostFixture.h"
#include "mock/ScratchDatabase.h"
#include "storage/ConfigFiles.h"
#include "transfer/ReadBack.h"
#include "transfer/TableDownload.h"

namespace px {
namespace {

constexpr HostModel kPxHost = HostModel::PX;
constexpr HostModel kQxHost = HostModel::QX;

class ImportTest : public test::HostFixture
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }

    // Each row of a table of a file as "column=value|..." in a fixed order.
    std::vector<std::string> Rows(const char* table, const std::string& file, const char* order)
    {
        std::vector<std::string> rows;
        QueryResult rs(db_);
        EXPECT_TRUE(rs.Open(
            db_, std::string("select * from ") + table + " where FileName=? order by " + order,
            {file}));
        for (; !rs.IsEof(); rs.MoveNext()) {
            std::string row;
            for (int i = 0; i < rs.GetFieldCount(); ++i) {
                if (rs.GetFieldName(i) == "FileName")
                    continue;
                std::string value;
                rs.GetFieldValue(i, value);
                row += rs.GetFieldName(i) + "=" + value + "|";
            }
            rows.push_back(row);
        }
        return rows;
    }

    ReadBackRows ReadBack(TableKind kind)
    {
        Reading<ReadBackRows> rows = ReadBackRowsOf(exchange_, kind);
        EXPECT_TRUE(rows.value.has_value()) << ::testing::PrintToString(rows.notices.Texts());
        return rows.value.value_or(ReadBackRows::Decode(kind, {}));
    }

    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
};

TEST_F(ImportTest, ARoundTripKeepsWhatTheRecordsCarry)
{
    ASSERT_TRUE(InsertConfigFile(db_, "src", FileType::PX));
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
        "(7,'0000123','前台','src',4),(499,'2097151','','src',2),(0,'55','钟','src',0)"));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device3 "
                    "(CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,DeviceNo4,"
                    "DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
                    "('a1b2c3',65535,'一二三四五六','O''Brien 结账',12,-1,3,4,5,6,7,499,2,0,'src'),"
                    "('0123456789ab',8,'八号','',-1,-1,-1,-1,-1,-1,-1,-1,1,1,'src')"));
    ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values "
                            "(5,'1a2b','经理','src'),(99,'00ff','','src')"));
    for (TableKind kind : {TableKind::InfoMachines, TableKind::Callers, TableKind::Handhelds})
        ASSERT_EQ(DownloadTable(exchange_, db_, kind, "src").outcome, DownloadOutcome::Sent);

    for (TableKind kind : {TableKind::InfoMachines, TableKind::Callers, TableKind::Handhelds}) {
        EXPECT_EQ(ImportRows(db_, ReadBack(kind), HostModel::PX, "dst", FileType::PX, true).outcome,
                  ImportOutcome::Imported);
    }
    EXPECT_EQ(FindConfigFile(db_, "dst")->deviceType, FileType::PX);

    // Addresses lose their leading zeros, remarks are gone, types come back as the code sent.
    EXPECT_EQ(Rows("T_Device1", "dst", "DeviceNo"),
              (std::vector<std::string>{"DeviceNo=0|Address=55|Remark=|TypeNo=0|",
                                        "DeviceNo=7|Address=123|Remark=|TypeNo=4|",
                                        "DeviceNo=499|Address=2097151|Remark=|TypeNo=2|"}));
    // Codes come back upper case and names cut at 10 bytes; numbers, devices and -1 stay.
    EXPECT_EQ(
        Rows("T_Device3", "dst", "CodeNo"),
        (std::vector<std::string>{
            "CodeNo=0123456789AB|CallNo=8|CallName=八号|KeyName=|DeviceNo1=-1|DeviceNo2=-1|"
            "DeviceNo3=-1|DeviceNo4=-1|DeviceNo5=-1|DeviceNo6=-1|DeviceNo7=-1|DeviceNo8=-1|"
            "ZhuiHu=1|CodeType=1|",
            "CodeNo=A1B2C3|CallNo=65535|CallName=一二三四五|KeyName=O'Brien 结账|DeviceNo1=12|"
            "DeviceNo2=-1|DeviceNo3=3|DeviceNo4=4|DeviceNo5=5|DeviceNo6=6|DeviceNo7=7|"
            "DeviceNo8=499|ZhuiHu=2|CodeType=0|"}));
    // Codes come back as four upper-case digits.
    EXPECT_EQ(Rows("T_Device2", "dst", "DeviceNo"),
              (std::vector<std::string>{"DeviceNo=5|Address=1A2B|Remark=|",
                                        "DeviceNo=99|Address=00FF|Remark=|"}));
}

TEST_F(ImportTest, TheFileModelMustFitTheHost)
{
    const ReadBackRows none(std::vector<CallerRow>{});
    struct Case
    {
        HostModel host;
        FileType fileType;
        bool accepted;
    };
    for (const Case c :
         {Case{kPxHost, FileType::QX, false}, Case{HostModel::None, FileType::PX, false},
          Case{HostModel::None, FileType::QX, false}, Case{kQxHost, FileType::PX, true},
          Case{kPxHost, FileType::PX, true}, Case{kQxHost, FileType::QX, true}}) {
        const auto result = ImportRows(db_, none, c.host,
                                       "f" + std::to_string(static_cast<int>(c.host)) +
                                           std::to_string(StoredFileType(c.fileType)),
                                       c.fileType, true);
        EXPECT_EQ(result.outcome,
                  c.accepted ? ImportOutcome::EmptyList : ImportOutcome::ModelMismatch)
            << c.host << "/" << c.fileType;
        EXPECT_EQ(result.message, c.accepted ? "" : "连接的机器型号与文件类型不匹配，请检查重试！");
    }
}

TEST_F(ImportTest, AnExistingFileKeepsItsModelAndOnlyTheModesTableIsReplaced)
{
    ASSERT_TRUE(InsertConfigFile(db_, "f", FileType::QX));
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device1 (DeviceNo,Address,FileName) values (1,'1','f'),(2,'2','f')"));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values (1,'ABCD','f')"));
    const ReadBackRows rows(std::vector<InfoMachineRow>{{9, "900", "", 4}});
    const ImportResult asked = ImportRows(db_, rows, HostModel::QX, "f", FileType::PX, false);
    EXPECT_EQ(asked.outcome, ImportOutcome::NeedsConfirmation);
    EXPECT_EQ(asked.message, "当前数据库中存在2个设备，确定要用当前显示的1个设备覆盖？");
    EXPECT_EQ(Rows("T_Device1", "f", "DeviceNo").size(), 2u) << "nothing written before the answer";
    ASSERT_EQ(ImportRows(db_, rows, HostModel::QX, "f", FileType::PX, true).outcome,
              ImportOutcome::Imported);
    EXPECT_EQ(FindConfigFile(db_, "f")->deviceType, FileType::QX);
    EXPECT_EQ(Rows("T_Device1", "f", "DeviceNo"),
              (std::vector<std::string>{"DeviceNo=9|Address=900|Remark=|TypeNo=4|"}));
    EXPECT_EQ(Rows("T_Device2", "f", "DeviceNo").size(), 1u);
}

TEST_F(ImportTest, AnEmptyListWritesOnlyTheNewFileAndACancelNothing)
{
    const ImportResult empty = ImportRows(db_, ReadBackRows(std::vector<HandheldRow>{}),
                                          HostModel::PX, "new", FileType::PX, false);
    EXPECT_EQ(empty.outcome, ImportOutcome::EmptyList) << "nothing is asked";
    EXPECT_EQ(empty.message, "");
    EXPECT_TRUE(FindConfigFile(db_, "new").has_value());

    const ImportResult asked =
        ImportRows(db_, ReadBackRows(std::vector<HandheldRow>{{5, "1A2B", ""}}), HostModel::PX,
                   "other", FileType::PX, false);
    EXPECT_EQ(asked.outcome, ImportOutcome::NeedsConfirmation);
    EXPECT_EQ(asked.message, "当前数据库中存在0个记录，确定要用当前显示的1个记录覆盖？");
    EXPECT_FALSE(FindConfigFile(db_, "other").has_value())
        << "the new file is written with its rows or not at all";
}

TEST_F(ImportTest, AFailingRowLeavesTheFileAsItWas)
{
    ASSERT_TRUE(InsertConfigFile(db_, "f", FileType::PX));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values (1,'ABCD','f')"));
    ASSERT_TRUE(db_.Execute("create trigger refuse before insert on T_Device2 when NEW.DeviceNo=7 "
                            "begin select raise(abort, 'refused'); end"));
    const ImportResult failed = ImportRows(
        db_,
        ReadBackRows(std::vector<HandheldRow>{{5, "1A2B", ""}, {7, "3C4D", ""}, {8, "5E6F", ""}}),
        HostModel::PX, "f", FileType::PX, true);
    EXPECT_EQ(failed.outcome, ImportOutcome::Failed);
    EXPECT_EQ(failed.message, "写入数据库失败（第2行），文件 f 保持原样！");
    EXPECT_EQ(Rows("T_Device2", "f", "DeviceNo"),
              (std::vector<std::string>{"DeviceNo=1|Address=ABCD|Remark=|"}));

    // A host may hold what the file may not: such a row is refused with its reason.
    CallerRow unknownEscalation;
    unknownEscalation.codeNo = "A1B2C3";
    unknownEscalation.zhuiHu = 7;
    const ImportResult refused =
        ImportRows(db_, ReadBackRows(std::vector<CallerRow>{unknownEscalation}), HostModel::PX, "f",
                   FileType::PX, true);
    EXPECT_EQ(refused.outcome, ImportOutcome::Failed);
    EXPECT_EQ(refused.message,
              "写入数据库失败（第1行：escalation 7 is outside 0..2），文件 f 保持原样！");
}

TEST_F(ImportTest, AFailedReadBackLeavesNoFileAndNoHostNoReadBack)
{
    host_.State().tables[0x66] = Bytes(300, 0x11);
    host_.State().fault = *ParseSimFault("silent-after:1");
    const std::string path = ReadBackFilePath(exchange_, TableKind::Callers);
    WriteFile("RCall.txt", Bytes(100, 0x55)); // left over from an earlier read-back
    const Outcome cut = ReadBackTable(exchange_, TableKind::Callers);
    EXPECT_TRUE(cut.ok) << "the host was found";
    EXPECT_FALSE(ReadRecordFile(TableKind::Callers, path).has_value());

    backend_.RemoveDevice(device_);
    EXPECT_FALSE(ReadBackTable(exchange_, TableKind::Callers).ok);
}

} // namespace
} // namespace px
