#include "MainWindowFixture.h"
#include "common/IniFile.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/widgets/ReportTableView.h"
#include "mock/WaitUntil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

namespace px {
namespace {

// The file dialog is answered by the test: it types a name, picks a model and presses the
// dialog's first button, the way a user would.
class FileCommandsTest : public test::MainWindowFixture
{
protected:
    struct Answer
    {
        std::string name;
        int type = 0;
        bool cancel = false;
    };

    void Answer(const std::string& name, int type = 0) { answers_.push_back({name, type, false}); }

    MainWindow& ScriptedWindow()
    {
        MainWindow& w = Window();
        w.SetFileDialogRunner([this](ConfigFileDialog& dialog) {
            seenTitles_.push_back(dialog.windowTitle().toStdString());
            seenButtons_.push_back(dialog.ConfirmButton()->text().toStdString());
            listed_ = dialog.List()->count();
            if (answers_.empty() || answers_.front().cancel)
                return static_cast<int>(QDialog::Rejected);
            const auto answer = answers_.front();
            answers_.erase(answers_.begin());
            dialog.NameEdit()->setText(QString::fromStdString(answer.name));
            (answer.type == 1 ? dialog.QxButton() : dialog.PxButton())->setChecked(true);
            dialog.ConfirmButton()->click();
            return dialog.result();
        });
        return w;
    }

    void Press(const char* name) { Find<QPushButton>(name)->click(); }
    void Type(const char* name, const QString& text) { Find<QLineEdit>(name)->setText(text); }
    QString Text(const char* name) { return Find<QLineEdit>(name)->text(); }

    std::vector<struct Answer> answers_;
    std::vector<std::string> seenTitles_;
    std::vector<std::string> seenButtons_;
    int listed_ = -1;
};

TEST_F(FileCommandsTest, NewMakesTheFileCurrentAndOpenReloadsIt)
{
    AddFile("一号店", 0);
    MainWindow& w = ScriptedWindow();
    Answer("二号店", 1);
    w.Action(Command::NewFile)->trigger();
    EXPECT_EQ(w.CurrentFileName(), "二号店");
    EXPECT_EQ(w.CurrentFileType(), FileType::QX);
    EXPECT_TRUE(Find("saveInfoMachineButton")->isEnabled());
    EXPECT_EQ(ReadProfileString(folder_.File("zpreg.ini"), "File", "Name"), "二号店");
    EXPECT_EQ(listed_, 1);

    Answer("一号店", 0);
    w.Action(Command::OpenFile)->trigger();
    EXPECT_EQ(w.CurrentFileName(), "一号店");
    EXPECT_EQ(w.InfoMachineList()->Model()->RowCount(), 1);
    EXPECT_EQ(seenTitles_, (std::vector<std::string>{"新建文件", "打开文件"}));
    EXPECT_EQ(seenButtons_, (std::vector<std::string>{"新建", "打开"}));

    Answer("一号店", 0);
    w.Action(Command::OpenFile)->trigger();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"当前要打开的文件已打开，请认真操作！"}));
}

TEST_F(FileCommandsTest, ANewPxFileIsRefusedInTheDialogWhileAQxHostIsConnected)
{
    ConfigFileDialog dialog(db_, prompter_, FileDialogMode::New, nullptr, HostModel::QX);
    dialog.NameEdit()->setText("三号店");
    dialog.PxButton()->setChecked(true);
    dialog.ConfirmButton()->click();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{
                  "当前连接的主机为QX主机，试图打开的文件是PX文件，请核对后再进行操作！"}));
    EXPECT_NE(dialog.result(), QDialog::Accepted) << "the dialog stays for another choice";
    EXPECT_EQ(dialog.NameEdit()->text(), "三号店");
    EXPECT_TRUE(ListConfigFiles(db_).empty()) << "no row made and removed again";

    dialog.QxButton()->setChecked(true);
    dialog.ConfirmButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const auto made = FindConfigFile(db_, "三号店");
    ASSERT_TRUE(made.has_value());
    EXPECT_EQ(made->deviceType, FileType::QX);
}

TEST_F(FileCommandsTest, OpeningByATypedNameTakesTheRadioButtonsModel)
{
    AddFile("qx", 1);
    MainWindow& w = ScriptedWindow();
    Answer("qx", 0); // typed, not selected: the radio still says PX
    w.Action(Command::OpenFile)->trigger();
    EXPECT_EQ(w.CurrentFileName(), "qx");
    EXPECT_EQ(w.CurrentFileType(), FileType::PX);
}

TEST_F(FileCommandsTest, TheFileDialogGrowsTheListAndNeverShrinksBelowItsTemplate)
{
    ConfigFileDialog dialog(db_, prompter_, FileDialogMode::Open);
    dialog.show();
    const QSize smallest = dialog.size();
    EXPECT_EQ(dialog.minimumSize(), smallest);
    const QRect list = dialog.List()->geometry();
    const QRect confirm = dialog.ConfirmButton()->geometry();
    const QRect name = dialog.NameEdit()->geometry();

    dialog.resize(smallest + QSize(120, 90));
    ASSERT_TRUE(test::WaitUntil([&] { return dialog.List()->width() == list.width() + 120; }));
    EXPECT_EQ(dialog.List()->geometry(), list.adjusted(0, 0, 120, 90));
    EXPECT_EQ(dialog.ConfirmButton()->geometry(), confirm.translated(120, 0))
        << "the buttons stay at the right";
    EXPECT_EQ(dialog.NameEdit()->geometry(), name) << "the name field keeps its place";

    dialog.resize(smallest - QSize(50, 50));
    ASSERT_TRUE(test::WaitUntil([&] { return dialog.size() == smallest; }));
    EXPECT_EQ(dialog.List()->geometry(), list);
}

TEST_F(FileCommandsTest, SelectingAListedFileFillsNameAndModel)
{
    AddFile("a", 0);
    AddFile("b", 1);
    ConfigFileDialog dialog(db_, prompter_, FileDialogMode::Open);
    dialog.List()->setCurrentRow(1);
    EXPECT_EQ(dialog.FileName(), "b");
    EXPECT_EQ(dialog.DeviceType(), FileType::QX);
    EXPECT_EQ(dialog.windowTitle(), "打开文件");
}

TEST_F(FileCommandsTest, DeleteModeRemovesADoubleClickedFileAndStaysOpen)
{
    AddFile("a", 0);
    AddFile("b", 0);
    ConfigFileDialog dialog(db_, prompter_, FileDialogMode::Delete);
    dialog.show();
    QListWidgetItem* item = dialog.List()->item(0);
    ASSERT_TRUE(test::WaitUntil([&] { return !dialog.List()->visualItemRect(item).isEmpty(); }));
    const QPoint at = dialog.List()->visualItemRect(item).center();
    // What a double click delivers: press, release, then the double click itself.
    QTest::mouseClick(dialog.List()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(dialog.List()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(test::WaitUntil([&] { return dialog.List()->count() == 1; }));
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"成功删除"}));
    EXPECT_TRUE(dialog.isVisible());
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(db_, "select * from T_FileName"));
    EXPECT_EQ(rs.GetRecordCount(), 1);
}

TEST_F(FileCommandsTest, NewPxFileWithAQxHostLeavesNoRow)
{
    PlugHost(HostModel::QX);
    MainWindow& w = ScriptedWindow();
    w.OnDetectionTick();
    Answer("px", 0);
    w.Action(Command::NewFile)->trigger();
    EXPECT_EQ(w.CurrentFileName(), "");
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(db_, "select * from T_FileName"));
    EXPECT_EQ(rs.GetRecordCount(), 0);
}

TEST_F(FileCommandsTest, SaveAsWithoutAFileSaysSoAndAnotherModelIsRefused)
{
    AddFile("px", 0);
    MainWindow& w = ScriptedWindow();
    w.Action(Command::SaveFileAs)->trigger();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"当前没有编辑的文件，请核对后再进行操作！"}));
    EXPECT_TRUE(seenTitles_.empty()) << "no dialog without a current file";

    w.MakeFileCurrent("px", FileType::PX);
    prompter_.Clear();
    Answer("copy", 1);
    w.Action(Command::SaveFileAs)->trigger();
    EXPECT_EQ(seenTitles_.back(), "另存为文件");
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{
                  "当前编辑的文件类型和要另存为的文件类型不匹配，请核对后再进行操作！"}));
    EXPECT_EQ(w.CurrentFileName(), "px");

    prompter_.Clear();
    Answer("copy", 0);
    w.Action(Command::SaveFileAs)->trigger();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"成功另存为文件！"}));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(db_, "select * from T_Device3 where FileName='copy'"));
    EXPECT_EQ(rs.GetRecordCount(), 1);
}

TEST_F(FileCommandsTest, TheRegistrationStripAddsSelectsAndDeletesMachines)
{
    AddFile("f", 0);
    MainWindow& w = ScriptedWindow();
    w.MakeFileCurrent("f", FileType::PX);
    ReportTableView* list = w.InfoMachineList();
    ASSERT_EQ(list->Model()->RowCount(), 1); // pager 5 from the fixture

    Type("pagerNumberEdit", "0");
    Type("addressEdit", "2097151");
    Type("infoMachineRemarkEdit", "时钟");
    Find<QComboBox>("receiverTypeCombo")->setCurrentIndex(4);
    Find<QCheckBox>("advanceAddressCheck")->setChecked(true);
    Press("saveInfoMachineButton");
    EXPECT_TRUE(prompter_.All().empty());
    ASSERT_EQ(list->Model()->RowCount(), 2);
    EXPECT_EQ(list->Model()->Text(0, 0), "0");
    EXPECT_EQ(list->Model()->Text(0, 2), "LW3");
    EXPECT_EQ(Text("pagerNumberEdit"), "6") << "the next pager number";
    EXPECT_EQ(Text("addressEdit"), "1111110") << "the address wrapped";
    // Pager 0 has no entry in the grid's number list but one in the sender's drop-down.
    EXPECT_EQ(w.InfoMachineNumbers(), (std::vector<std::string>{"", "5"}));
    auto* sender = Find<QComboBox>("messagePagerCombo");
    ASSERT_EQ(sender->count(), 2);
    EXPECT_EQ(sender->itemText(0), "0");

    list->selectRow(1);
    EXPECT_EQ(Text("pagerNumberEdit"), "5");
    EXPECT_EQ(Text("addressEdit"), "0000123");
    EXPECT_EQ(Text("infoMachineRemarkEdit"), "r");
    EXPECT_EQ(Find<QComboBox>("receiverTypeCombo")->currentIndex(), 0);

    Press("deleteInfoMachineButton");
    EXPECT_EQ(list->Model()->RowCount(), 1);
    EXPECT_EQ(Text("pagerNumberEdit"), "0");
    EXPECT_TRUE(Text("addressEdit").isEmpty());

    list->clearSelection();
    Press("deleteInfoMachineButton");
    EXPECT_EQ(list->Model()->RowCount(), 1) << "nothing selected, nothing deleted";
}

TEST_F(FileCommandsTest, DownloadMenuSendsTheTable)
{
    AddFile("f", 0);
    PlugHost();
    MainWindow& w = ScriptedWindow();
    w.MakeFileCurrent("f", FileType::PX);
    w.Action(Command::DownloadInfoMachines)->trigger();
    ASSERT_TRUE(host_.State().tables.contains(0x65));
    EXPECT_EQ(host_.State().tables.at(0x65).size(), 30u);
}

} // namespace
} // namespace px
