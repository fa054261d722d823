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

TEST_F(ConfigFilesTest, DialogChecksTheNameInEveryMode)
{
    AddFile("餐厅", 0);
    const std::vector<std::string> listed = {"餐厅"};
    struct Case
    {
        FileDialogMode mode;
        std::string name;
        FileDialogStep step;
        const char* message; // nullptr: none
    };
    const std::vector<Case> cases = {
        {FileDialogMode::New, "", FileDialogStep::Stay, "请填写文件名称再进行操作！"},
        {FileDialogMode::New, "餐厅", FileDialogStep::StayClearName,
         "所起的文件名已存在，请重新设置！"},
        {FileDialogMode::SaveAs, "餐厅", FileDialogStep::StayClearName,
         "所起的文件名已存在，请重新设置！"},
        {FileDialogMode::Open, "餐厅", FileDialogStep::Accept, nullptr},
        {FileDialogMode::Open, "餐", FileDialogStep::StayClearName,
         "要打开的文件在 已存在文件 列表中不存在，请核对后再打开！"},
        {FileDialogMode::Import, "whatever", FileDialogStep::Accept, nullptr},
    };
    for (const Case& c : cases) {
        prompter_.Clear();
        EXPECT_EQ(ConfirmFileDialog(db_, prompter_, c.mode, c.name, FileType::PX, listed), c.step)
            << c.name;
        EXPECT_EQ(prompter_.Texts(),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.name;
    }
    EXPECT_EQ(Count("select * from T_FileName"), 1);
}

TEST_F(ConfigFilesTest, NewInsertsTheFileAsTyped)
{
    const std::string name = "Joe's 店";
    EXPECT_EQ(ConfirmFileDialog(db_, prompter_, FileDialogMode::New, name, FileType::QX, {}),
              FileDialogStep::Accept);
    const auto file = FindConfigFile(db_, name);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->deviceType, FileType::QX);
    EXPECT_TRUE(CompleteNewFile(db_, prompter_, HostModel::None, name, FileType::QX));
}

TEST_F(ConfigFilesTest, APxFileCannotBeMadeWhileAQxHostIsConnected)
{
    ASSERT_EQ(ConfirmFileDialog(db_, prompter_, FileDialogMode::New, "px", FileType::PX, {}),
              FileDialogStep::Accept);
    EXPECT_FALSE(CompleteNewFile(db_, prompter_, HostModel::QX, "px", FileType::PX));
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{
                  "当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！"}));
    EXPECT_FALSE(FindConfigFile(db_, "px").has_value());
    EXPECT_TRUE(CompleteNewFile(db_, prompter_, HostModel::PX, "qx", FileType::QX));
}

TEST_F(ConfigFilesTest, OpenRefusesPxFilesOnAQxHostAndTheCurrentFile)
{
    EXPECT_EQ(CompleteOpenFile(prompter_, HostModel::QX, "a", FileType::PX, ""), OpenStep::Refused);
    EXPECT_EQ(CompleteOpenFile(prompter_, HostModel::QX, "a", FileType::QX, "b"),
              OpenStep::MakeCurrent);
    EXPECT_EQ(CompleteOpenFile(prompter_, HostModel::PX, "b", FileType::PX, "b"),
              OpenStep::AlreadyOpen);
    EXPECT_EQ(prompter_.Texts().back(), "当前要打开的文件已打开，请认真操作！");
}

TEST_F(ConfigFilesTest, SaveAsCopiesEveryColumnReceiverTypesIncluded)
{
    AddFile("from", 0);
    Fill("from");
    AddFile("other", 0);
    AddMachine("other", 1);
    ASSERT_EQ(ConfirmFileDialog(db_, prompter_, FileDialogMode::SaveAs, "to", FileType::PX,
                                {"from", "other"}),
              FileDialogStep::Accept);
    EXPECT_FALSE(FindConfigFile(db_, "to").has_value())
        << "the name is written with the rows, never alone: a stop here leaves no empty copy";
    ASSERT_TRUE(CompleteSaveAs(db_, prompter_, "to", FileType::PX, "from", FileType::PX));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"成功另存为文件！"}));
    EXPECT_EQ(Rows("to"), Rows("from"));
    EXPECT_EQ(Rows("to").size(), 3u);
    EXPECT_NE(Rows("to")[0].find("TypeNo=3"), std::string::npos);
}

TEST_F(ConfigFilesTest, SaveAsToAnotherModelRemovesTheNewFileAgain)
{
    AddFile("from", 0);
    Fill("from");
    ASSERT_EQ(
        ConfirmFileDialog(db_, prompter_, FileDialogMode::SaveAs, "to", FileType::QX, {"from"}),
        FileDialogStep::Accept);
    EXPECT_FALSE(CompleteSaveAs(db_, prompter_, "to", FileType::QX, "from", FileType::PX));
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{
                  "当前编辑的文件类型和要另存为的文件类型不匹配，请核对后再进行操作！"}));
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
    ASSERT_EQ(
        ConfirmFileDialog(db_, prompter_, FileDialogMode::SaveAs, "to", FileType::PX, {"from"}),
        FileDialogStep::Accept);
    EXPECT_FALSE(CompleteSaveAs(db_, prompter_, "to", FileType::PX, "from", FileType::PX));
    EXPECT_FALSE(FindConfigFile(db_, "to").has_value());
    EXPECT_TRUE(Rows("to").empty()) << "machines and handhelds copied before the failure are gone";
    EXPECT_EQ(Rows("from").size(), 3u);

    // The name is free for a retry once the fault is gone.
    ASSERT_TRUE(db_.Execute("drop trigger refuse"));
    EXPECT_TRUE(CompleteSaveAs(db_, prompter_, "to", FileType::PX, "from", FileType::PX));
    EXPECT_EQ(Rows("to"), Rows("from"));
}

TEST_F(ConfigFilesTest, SaveAsNeedsACurrentFile)
{
    EXPECT_FALSE(CanSaveAs(prompter_, ""));
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"当前没有编辑的文件，请核对后再进行操作！"}));
    EXPECT_TRUE(CanSaveAs(prompter_, "x"));
}

TEST_F(ConfigFilesTest, DeleteRemovesTheRowsOfAllFourTablesAndNothingElse)
{
    AddFile("gone", 0);
    Fill("gone");
    AddFile("kept", 0);
    Fill("kept");
    EXPECT_EQ(ConfirmFileDialog(db_, prompter_, FileDialogMode::Delete, "gone", FileType::PX,
                                {"gone", "kept"}),
              FileDialogStep::Deleted);
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"成功删除"}));
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
    EXPECT_EQ(ConfirmFileDialog(db_, prompter_, FileDialogMode::Delete, "f", FileType::PX, {"f"}),
              FileDialogStep::Stay);
    EXPECT_TRUE(prompter_.All().empty()) << "no success message";
    EXPECT_TRUE(FindConfigFile(db_, "f").has_value());
    EXPECT_EQ(Rows("f").size(), 3u);
}

} // namespace
} // namespace px
