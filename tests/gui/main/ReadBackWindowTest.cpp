#include "MainWindowFixture.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "mock/WaitUntil.h"
#include "settings/HandheldSettings.h"
#include "settings/NetworkParams.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>

namespace px {
namespace {

class ReadBackWindowTest : public test::MainWindowFixture
{
protected:
    std::vector<std::vector<std::string>> shown_;
    std::string recordFile_;
};

TEST_F(ReadBackWindowTest, AFailedReadBackStillOpensTheBrowserWithTheMissingFileMessage)
{
    PlugHost();
    host_.State().fault = *ParseSimFault("silent");
    MainWindow& w = Window();
    bool opened = false;
    w.SetViewDialogRunner([&](ReadBackBrowser& browser) {
        opened = true;
        browser.show();
        EXPECT_TRUE(test::WaitUntil([&] { return !prompter_.All().empty(); }));
        shown_ = browser.ShownRows();
        return 0;
    });
    w.Action(Command::ReadBackCallers)->trigger();
    EXPECT_TRUE(opened);
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"无法找到回读文件RCall.txt文件！"}));
    EXPECT_EQ(w.Notice(), "") << "a failed read-back claims nothing in the status line";
}

TEST_F(ReadBackWindowTest, WithoutAHostThereIsNoBrowser)
{
    MainWindow& w = Window();
    bool opened = false;
    w.SetViewDialogRunner([&](ReadBackBrowser&) {
        opened = true;
        return 0;
    });
    w.Action(Command::ReadBackInfoMachines)->trigger();
    EXPECT_FALSE(opened);
}

TEST_F(ReadBackWindowTest, TheBrowserImportsIntoTheChosenFileAndTheRecordFileGoes)
{
    PlugHost();
    // Two information machines as the host keeps them: pager 3 at 123, pager 7 at 2097151.
    Bytes table(60, 0);
    table[1] = 3;
    table[3] = 0xF4;
    table[10] = 123;
    table[31] = 7;
    table[33] = 0xF0;
    table[38] = 0x1F;
    table[39] = 0xFF;
    table[40] = 0xFF;
    host_.State().tables[0x65] = table;
    MainWindow& w = Window();
    w.OnDetectionTick();
    w.SetFileDialogRunner([](ConfigFileDialog& chooser) {
        EXPECT_EQ(chooser.windowTitle(), "选择覆盖文件名或新建");
        chooser.NameEdit()->setText("回读");
        chooser.ConfirmButton()->click();
        return chooser.result();
    });
    QString noticeWhileShown;
    w.SetViewDialogRunner([&](ReadBackBrowser& browser) {
        noticeWhileShown = w.Notice();
        shown_ = browser.ShownRows();
        recordFile_ = folder_.File("RDevice.txt");
        EXPECT_TRUE(test::Exists(recordFile_)) << "the file lives while the browser is open";
        prompter_.Answer(true);
        browser.ImportButton()->click();
        return 0;
    });
    w.Action(Command::ReadBackInfoMachines)->trigger();
    EXPECT_EQ(noticeWhileShown, "已回读 2 条信息机记录");
    EXPECT_EQ(w.Notice(), "已导入 2 条信息机记录到文件 回读");
    ASSERT_EQ(shown_.size(), 2u);
    EXPECT_EQ(shown_[0][0], "3");
    EXPECT_EQ(shown_[0][1], "123");
    EXPECT_EQ(shown_[1][1], "2097151");
    EXPECT_FALSE(test::Exists(recordFile_));
    QueryResult rs(db_);
    ASSERT_TRUE(
        rs.Open(db_, "select * from Q_Device1Query where FileName='回读' order by DeviceNo"));
    ASSERT_EQ(rs.GetRecordCount(), 2);
    std::string type;
    rs.GetFieldValue("TypeName", type);
    EXPECT_EQ(type, "LW3");
}

// A parameter read-back, from the menu or from a settings dialog, is said in the status line.
TEST_F(ReadBackWindowTest, ParameterReadBacksAreSaidInTheStatusLine)
{
    PlugHost();
    host_.State().tables[kCmdHandheldSettings] = *BuildHandheldRecord(HandheldSettings{});
    host_.State().tables[kCmdNetwork] = BuildNetworkRecord(NetworkParams{});
    MainWindow& w = Window();
    w.OnDetectionTick();

    QString noticeWhileShown;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(test::WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
        noticeWhileShown = w.Notice();
        QApplication::activeModalWidget()->close();
    });
    w.Action(Command::ReadBackHandheldSettings)->trigger();
    EXPECT_EQ(noticeWhileShown, "已回读手持呼叫器设置");

    w.NetworkDialog()->show();
    w.NetworkDialog()->findChild<QPushButton*>("id1055")->click(); // 回读
    EXPECT_EQ(w.Notice(), "已回读网络参数");
    w.NetworkDialog()->hide();

    // A read-back that fails claims nothing.
    w.Notify("");
    host_.State().fault = *ParseSimFault("silent");
    w.NetworkDialog()->show();
    w.NetworkDialog()->findChild<QPushButton*>("id1055")->click();
    EXPECT_EQ(w.Notice(), "");
}

} // namespace
} // namespace px
