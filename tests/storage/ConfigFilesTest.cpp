#include "storage/ConfigFiles.h"

#include "mock/DatabaseFixture.h"

namespace px {
namespace {

constexpr HostModel kNoHost = HostModel::None;
constexpr HostModel kPxHost = HostModel::PX;
constexpr HostModel kQxHost = HostModel::QX;

class ConfigFilesTest : public test::DatabaseFixture
{
protected:
    // One row in every registration table of a file, with values worth keeping.
    void Fill(const std::string& file)
    {
        AddMachine(file, 7, "2097151", 3, "O'Brien'); DROP TABLE T_Device1;--");
        ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values "
                                "(3,'1A2B','经理',?)",
                                {file}));
        ASSERT_TRUE(db_.Execute(
            "insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,DeviceNo3,"
            "DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,FileName) values "
            "('0123456789AB',70000,'八号桌','结账',1,2,3,4,5,6,7,-1,2,1,?)",
            {file}));
    }

    // Every column of every registration row of a file, FileName left out.
    std::vector<std::string> Rows(const std::string& file)
    {
        std::vector<std::string> rows;
        for (const char* table : {"T_Device1", "T_Device2", "T_Device3"}) {
            QueryResult rs(db_);
            EXPECT_TRUE(
                rs.Open(db_, std::string("select * from ") + table + " where FileName=?", {file}));
            for (; !rs.IsEof(); rs.MoveNext()) {
                std::string row = table;
                for (int i = 0; i < rs.GetFieldCount(); ++i) {
                    if (rs.GetFieldName(i) == "FileName")
                        continue;
                    std::string value;
                    rs.GetFieldValue(i, value);
                    row += "|" + rs.GetFieldName(i) + "=" + value;
                }
                rows.push_back(row);
            }
        }
        return rows;
    }
};

using Status = FileOutcome::Status;

void ExpectOutcome(const FileOutcome& outcome, Status status, const char* message)
{
    EXPECT_EQ(outcome.status, status) << outcome.message;
    EXPECT_EQ(outcome.message, message ? message : "");
}

TEST_F(ConfigFilesTest, NamesAreCheckedBeforeAnythingIsWritten)
{
    AddFile("餐厅", 0);
    const std::vector<std::string> listed = {"餐厅"};
    const struct
    {
        const char* what;
        FileOutcome outcome;
        Status status;
        const char* message; // nullptr: none
    } cases[] = {
        {"new, no name", CheckNewFileName("", listed), Status::Refused,
         "请填写文件名称再进行操作！"},
        {"new, taken", CheckNewFileName("餐厅", listed), Status::NameTaken,
         "所起的文件名已存在，请重新设置！"},
        {"new, free", CheckNewFileName("餐", listed), Status::Done, nullptr},
        {"open, listed", CheckFileToOpen("餐厅", listed), Status::Done, nullptr},
        {"open, not listed", CheckFileToOpen("餐", listed), Status::NameTaken,
         "要打开的文件在 已存在文件 列表中不存在，请核对后再打开！"},
        {"open, no name", CheckFileToOpen("", listed), Status::Refused,
         "请填写文件名称再进行操作！"},
        {"no current file", RequireCurrentFile(""), Status::Refused,
         "当前没有编辑的文件，请核对后再进行操作！"},
        {"a current file", RequireCurrentFile("x"), Status::Done, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectOutcome(c.outcome, c.status, c.message);
    }
    EXPECT_EQ(Count("select * from T_FileName"), 1);
}

TEST_F(ConfigFilesTest, NewInsertsTheFileAsTyped)
{
    const std::string name = "Joe's 店";
    ExpectOutcome(CreateConfigFile(db_, name, FileType::QX, HostModel::None), Status::Done,
                  nullptr);
    const auto file = FindConfigFile(db_, name);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->deviceType, FileType::QX);
    ExpectOutcome(CreateConfigFile(db_, name, FileType::QX, HostModel::None), Status::NameTaken,
                  "所起的文件名已存在，请重新设置！");
    EXPECT_EQ(Count("select * from T_FileName"), 1);
}

TEST_F(ConfigFilesTest, APxFileCannotBeMadeWhileAQxHostIsConnected)
{
    ExpectOutcome(CreateConfigFile(db_, "px", FileType::PX, HostModel::QX), Status::Refused,
                  "当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！");
    EXPECT_EQ(Count("select * from T_FileName"), 0) << "nothing is written, not even for a moment";
    ExpectOutcome(CreateConfigFile(db_, "qx", FileType::QX, HostModel::PX), Status::Done, nullptr);
}

TEST_F(ConfigFilesTest, AFailedInsertIsSaid)
{
    ASSERT_TRUE(db_.Execute("create trigger refuse before insert on T_FileName "
                            "begin select raise(abort, 'refused'); end"));
    ExpectOutcome(CreateConfigFile(db_, "f", FileType::PX, HostModel::None), Status::Refused,
                  "新建文件失败，请检查后重试！");
}

TEST_F(ConfigFilesTest, OpenRefusesPxFilesOnAQxHostAndTheCurrentFile)
{
    ExpectOutcome(CheckOpenFile(HostModel::QX, "a", FileType::PX, ""), Status::Refused,
                  "当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！");
    ExpectOutcome(CheckOpenFile(HostModel::QX, "a", FileType::QX, "b"), Status::Done, nullptr);
    ExpectOutcome(CheckOpenFile(HostModel::PX, "b", FileType::PX, "b"), Status::Refused,
                  "当前要打开的文件已打开，请认真操作！");
}

TEST_F(ConfigFilesTest, SaveAsCopiesEveryColumnReceiverTypesIncluded)
{
    AddFile("from", 0);
    Fill("from");
    AddFile("other", 0);
    AddMachine("other", 1);
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::PX, "from", FileType::PX), Status::Done,
                  "成功另存为文件！");
    EXPECT_EQ(Rows("to"), Rows("from"));
    EXPECT_EQ(Rows("to").size(), 3u);
    EXPECT_NE(Rows("to")[0].find("TypeNo=3"), std::string::npos);
}

TEST_F(ConfigFilesTest, SaveAsToAnotherModelRemovesTheNewFileAgain)
{
    AddFile("from", 0);
    Fill("from");
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::QX, "from", FileType::PX), Status::Refused,
                  "当前编辑的文件类型和要另存为的文件类型不匹配，请核对后再进行操作！");
    EXPECT_FALSE(FindConfigFile(db_, "to").has_value());
    EXPECT_TRUE(Rows("to").empty());
}

TEST_F(ConfigFilesTest, AFailedCopyLeavesTheDatabaseAsItWas)
{
    AddFile("from", 0);
    Fill("from");
    ASSERT_TRUE(
        db_.Execute("create trigger refuse before insert on T_Device3 when NEW.FileName='to' "
                    "begin select raise(abort, 'refused'); end"));
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::PX, "from", FileType::PX), Status::Refused,
                  "另存为文件失败，请检查后重试！");
    EXPECT_FALSE(FindConfigFile(db_, "to").has_value());
    EXPECT_TRUE(Rows("to").empty()) << "machines and handhelds copied before the failure are gone";
    EXPECT_EQ(Rows("from").size(), 3u);

    // The name is free for a retry once the fault is gone.
    ASSERT_TRUE(db_.Execute("drop trigger refuse"));
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::PX, "from", FileType::PX), Status::Done,
                  "成功另存为文件！");
    EXPECT_EQ(Rows("to"), Rows("from"));
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::PX, "from", FileType::PX), Status::NameTaken,
                  "所起的文件名已存在，请重新设置！");
}

TEST_F(ConfigFilesTest, SaveAsNeedsACurrentFileAndANewName)
{
    AddFile("from", 0);
    ExpectOutcome(CopyConfigFile(db_, "to", FileType::PX, "", FileType::PX), Status::Refused,
                  "当前没有编辑的文件，请核对后再进行操作！");
    ExpectOutcome(CopyConfigFile(db_, "", FileType::PX, "from", FileType::PX), Status::Refused,
                  "请填写文件名称再进行操作！");
    EXPECT_EQ(Count("select * from T_FileName"), 1);
}

TEST_F(ConfigFilesTest, DeleteRemovesTheRowsOfAllFourTablesAndNothingElse)
{
    AddFile("gone", 0);
    Fill("gone");
    AddFile("kept", 0);
    Fill("kept");
    ExpectOutcome(DeleteConfigFileNamed(db_, "gone"), Status::Done, "成功删除");
    EXPECT_FALSE(FindConfigFile(db_, "gone").has_value());
    EXPECT_TRUE(Rows("gone").empty());
    EXPECT_EQ(Rows("kept").size(), 3u);
}

TEST_F(ConfigFilesTest, AFailedDeleteLeavesTheFileWhole)
{
    AddFile("f", 0);
    Fill("f");
    ASSERT_TRUE(db_.Execute("create trigger keep before delete on T_Device3 "
                            "begin select raise(abort, 'kept'); end"));
    const FileOutcome outcome = DeleteConfigFileNamed(db_, "f");
    EXPECT_EQ(outcome.status, Status::Refused);
    EXPECT_NE(outcome.message.find("kept"), std::string::npos)
        << "the database's reason, not a success: " << outcome.message;
    EXPECT_TRUE(FindConfigFile(db_, "f").has_value());
    EXPECT_EQ(Rows("f").size(), 3u);
}

} // namespace
} // namespace px
