#include "MainWindowFixture.h"
#include "common/IniFile.h"
#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportTableView.h"
#include "mock/WaitUntil.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <fstream>
#include <iterator>

namespace px {
namespace {

using test::MainWindowFixture;

QString Title(const char* text)
{
    return QString::fromUtf8(text);
}

class MainWindowTest : public MainWindowFixture
{};

// The letter key pressed while Shift is held, without a new press of Shift itself (which
// QTest would send along with the modifier).
void PressShiftedM(QWidget* target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::ShiftModifier, "M");
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_M, Qt::ShiftModifier, "M");
    QApplication::sendEvent(target, &release);
}

TEST_F(MainWindowTest, ADamagedDatabaseIsSaidAtStartAndLeftAlone)
{
    db_.Close();
    const std::string path = DatabasePath(folder_.Folder());
    const std::string garbage(4096, '\x5A');
    {
        std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
        out << garbage;
    }
    Window();
    ASSERT_FALSE(prompter_.Texts().empty());
    EXPECT_NE(prompter_.Texts().front().find("已损坏或不是数据库"), std::string::npos)
        << prompter_.Texts().front();
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), garbage);
}

TEST_F(MainWindowTest, TitleFollowsTheSearchForTheHost)
{
    MainWindow& w = Window();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleStart));
    EXPECT_TRUE(w.IsDetectionTimerActive());

    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleNotConnected));
    EXPECT_TRUE(w.IsDetectionTimerActive()) << "the search repeats every second";

    const int host = backend_.AddDevice(kHostVendorId, kPxProductId);
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected));
    EXPECT_FALSE(w.IsDetectionTimerActive());
    EXPECT_TRUE(w.IsWindowConnected());
    EXPECT_EQ(w.Link().GetHostModel(), HostModel::PX);

    // Another device goes away: the title falls back until the next tick finds the host again.
    const int mouse = backend_.AddDevice(0x046D, 0xC52B);
    backend_.RemoveDevice(mouse);
    w.OnDeviceRemoval();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleRemoved));
    EXPECT_TRUE(w.IsDetectionTimerActive());
    EXPECT_EQ(w.Link().GetHostModel(), HostModel::None);
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected));

    // The host itself goes away.
    backend_.RemoveDevice(host);
    w.OnDeviceRemoval();
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleNotConnected));
    EXPECT_FALSE(w.Link().IsConnected());
    EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(MainWindowTest, TheTitleNamesTheOpenFileAndItsModel)
{
    AddFile("一号店", 1);
    MainWindow& w = Window();
    w.MakeFileCurrent("一号店", FileType::QX);
    EXPECT_EQ(w.windowTitle(), "ZR4870PX设置系统 — 一号店 (QX)");
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), "ZR4870PX设置系统 — 一号店 (QX) ----------[未连接设备]");
    PlugHost(HostModel::QX);
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), "ZR4870PX设置系统 — 一号店 (QX) ----------[已连接设备]");
    w.OnDeviceRemoval();
    EXPECT_EQ(w.windowTitle(), "PX_SystemDlg — 一号店 (QX) ----------[未连接设备]");
}

TEST_F(MainWindowTest, TheDetectionTimerTicksEverySecond)
{
    MainWindow& w = Window();
    backend_.AddDevice(kHostVendorId, kPxProductId);
    const QTimer* timer = w.findChild<QTimer*>("hostSearchTimer");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1000);
    EXPECT_TRUE(test::WaitUntil(
        [&] { return w.windowTitle() == Title(MainWindow::kTitleConnected); }, 3000));
}

TEST_F(MainWindowTest, AQxHostWithAPxFileEmptiesTheThreeViewsButKeepsTheFile)
{
    AddFile("px file", 0);
    MainWindow& w = Window();
    w.MakeFileCurrent("px file", FileType::PX);
    ASSERT_EQ(w.InfoMachineList()->Model()->RowCount(), 1);
    ASSERT_EQ(w.HandheldList()->Model()->RowCount(), 1);
    ASSERT_EQ(w.CallerGrid()->GridModel()->DataRowCount(), 1);

    backend_.AddDevice(kHostVendorId, kQxProductId);
    w.OnDetectionTick();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"当前连接的是QX主机，打开的文件是PX主机文件！"}));
    EXPECT_EQ(w.InfoMachineList()->Model()->RowCount(), 0);
    EXPECT_EQ(w.HandheldList()->Model()->RowCount(), 0);
    EXPECT_EQ(w.CallerGrid()->GridModel()->DataRowCount(), 0);
    EXPECT_EQ(w.CallerGrid()->GridModel()->rowCount(), 1) << "the blank row stays";
    EXPECT_TRUE(w.InfoMachineNumbers().empty());
    EXPECT_EQ(w.CurrentFileName(), "px file");
    EXPECT_EQ(w.CurrentFileType(), FileType::PX);
}

TEST_F(MainWindowTest, APxHostWithAQxFileOnlyWarns)
{
    AddFile("qx file", 1);
    MainWindow& w = Window();
    w.MakeFileCurrent("qx file", FileType::QX);
    backend_.AddDevice(kHostVendorId, kPxProductId);
    w.OnDetectionTick();
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{"当前连接的是PX主机，打开的文件是QX主机文件！"}));
    EXPECT_EQ(w.InfoMachineList()->Model()->RowCount(), 1);
    EXPECT_EQ(w.HandheldList()->Model()->RowCount(), 1);
    EXPECT_EQ(w.CallerGrid()->GridModel()->DataRowCount(), 1);
}

TEST_F(MainWindowTest, MatchingHostAndFileSayNothing)
{
    AddFile("qx file", 1);
    MainWindow& w = Window();
    w.MakeFileCurrent("qx file", FileType::QX);
    backend_.AddDevice(kHostVendorId, kQxProductId);
    w.OnDetectionTick();
    EXPECT_TRUE(prompter_.All().empty());
    EXPECT_EQ(w.InfoMachineList()->Model()->RowCount(), 1);
}

TEST_F(MainWindowTest, MakingAFileCurrentEnablesRegistrationAndRecordsItsName)
{
    AddFile("餐厅", 0);
    MainWindow& w = Window();
    const std::vector<const char*> buttons = {"saveInfoMachineButton", "deleteInfoMachineButton",
                                              "saveHandheldButton",    "deleteHandheldButton",
                                              "registerCallersButton", "sendMessageButton"};
    for (const char* name : buttons)
        EXPECT_FALSE(Find(name)->isEnabled()) << name;
    for (const char* name : {"manualCodeEdit", "plusOneCheck", "runFromEdit", "runToEdit"})
        EXPECT_FALSE(Find(name)->isEnabled()) << name;

    w.MakeFileCurrent("餐厅", FileType::PX);
    for (const char* name : buttons)
        EXPECT_TRUE(Find(name)->isEnabled()) << name;
    // The registration strip starts in automatic mode.
    for (const char* name : {"manualCodeEdit", "plusOneCheck", "runFromEdit", "runToEdit"})
        EXPECT_FALSE(Find(name)->isEnabled()) << name;
    EXPECT_FALSE(Find<QCheckBox>("manualModeCheck")->isChecked());
    EXPECT_EQ(ReadProfileString(folder_.File("zpreg.ini"), "File", "Name"), "餐厅");
    EXPECT_EQ(w.InfoMachineList()->Model()->Text(0, 1), "0000123");
    EXPECT_EQ(Find<QComboBox>("messagePagerCombo")->currentText(), "5");
}

TEST_F(MainWindowTest, StartUpFillsTheListsAndInitialValues)
{
    MainWindow& w = Window();
    EXPECT_EQ(w.KeyNames().size(), 9u);
    auto* callerTypes = Find<QComboBox>("callerTypeCombo");
    ASSERT_GT(callerTypes->count(), 1);
    EXPECT_EQ(callerTypes->itemText(0), "单键0");
    EXPECT_EQ(callerTypes->currentIndex(), 0);
    auto* receiverTypes = Find<QComboBox>("receiverTypeCombo");
    EXPECT_EQ(receiverTypes->count(), 5);
    EXPECT_EQ(receiverTypes->itemText(2), "数字");
    EXPECT_EQ(receiverTypes->currentIndex(), 0);
    EXPECT_EQ(Find<QComboBox>("messageTypeCombo")->currentText(), "字符");
    EXPECT_EQ(Find<QComboBox>("messagePolarityCombo")->currentText(), "-");
    EXPECT_EQ(Find<QComboBox>("messageBaudCombo")->currentText(), "1200");
    EXPECT_EQ(Find<QLineEdit>("runFromEdit")->text(), "1");
    EXPECT_EQ(Find<QLineEdit>("runToEdit")->text(), "1");
    EXPECT_EQ(Find<QLineEdit>("addressEdit")->maxLength(), 7);
    EXPECT_EQ(Find<QLineEdit>("handheldCodeEdit")->maxLength(), 4);
    EXPECT_EQ(Find<QLineEdit>("manualCodeEdit")->maxLength(), 5);
    for (const char* name :
         {"messageAddressEdit", "messageTypeCombo", "messagePolarityCombo", "messageBaudCombo"})
        EXPECT_TRUE(Find(name)->isHidden()) << name;
    EXPECT_FALSE(w.IsMonitorShown());
    EXPECT_EQ(w.CallerGrid()->GridModel()->rowCount(), 1) << "the grid holds its blank row";
}

TEST_F(MainWindowTest, WithoutADatabaseTheKeyNamesStayEmptyWithoutAMessage)
{
    db_.Close();
    std::filesystem::remove(PathFromUtf8(DatabasePath(folder_.Folder())));
    MainWindow& w = Window();
    EXPECT_TRUE(w.KeyNames().empty());
    EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(MainWindowTest, EscapeAndEnterDoNothing)
{
    MainWindow& w = Window();
    w.show();
    auto* monitor = Find<QTextEdit>("dataMonitor");
    monitor->setPlainText("kept");
    for (const char* name : {"pagerNumberEdit", "infoMachineRemarkEdit", "messageTextEdit"}) {
        QWidget* control = Find(name);
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            QTest::keyClick(control, key);
    }
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.result(), 0);
    EXPECT_EQ(monitor->toPlainText(), "kept") << "Enter must not press the default button 清除";
}

TEST_F(MainWindowTest, ShiftMShowsTheMonitorOnceWhileShiftIsHeld)
{
    MainWindow& w = Window();
    w.show();
    QWidget* edit = Find("infoMachineRemarkEdit");
    const int hiddenHeight = w.sizeHint().height();

    QTest::keyPress(edit, Qt::Key_Shift);
    PressShiftedM(edit);
    EXPECT_TRUE(w.IsMonitorShown());
    const int shownHeight = w.sizeHint().height();
    EXPECT_GT(shownHeight, hiddenHeight);

    // M again with Shift still held changes nothing.
    PressShiftedM(edit);
    EXPECT_TRUE(w.IsMonitorShown());
    EXPECT_EQ(w.sizeHint().height(), shownHeight);
    QTest::keyRelease(edit, Qt::Key_Shift);

    // A new press of Shift hides it again, by the same amount.
    QTest::keyPress(edit, Qt::Key_Shift);
    PressShiftedM(edit);
    EXPECT_FALSE(w.IsMonitorShown());
    EXPECT_EQ(w.sizeHint().height(), hiddenHeight);

    // M without Shift does nothing.
    QTest::keyRelease(edit, Qt::Key_Shift);
    QTest::keyClick(edit, Qt::Key_M);
    EXPECT_FALSE(w.IsMonitorShown());
}

TEST_F(MainWindowTest, TheClearButtonEmptiesTheMonitor)
{
    Window();
    auto* monitor = Find<QTextEdit>("dataMonitor");
    monitor->setPlainText("Write:00");
    Find<QPushButton>("clearMonitorButton")->click();
    EXPECT_TRUE(monitor->toPlainText().isEmpty());
}

TEST_F(MainWindowTest, ExitClosesWithoutAQuestion)
{
    MainWindow& w = Window();
    w.show();
    w.Action(Command::Exit)->trigger();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_TRUE(prompter_.All().empty());
}

TEST_F(MainWindowTest, MenusHoldEveryCommandInOrder)
{
    struct Entry
    {
        const char* menu;
        std::vector<std::pair<const char*, const char*>> commands; // action name, text
    };
    const std::vector<Entry> expected = {
        {"文件",
         {{"newFileAction", "新建"},
          {"openFileAction", "打开"},
          {"saveFileAsAction", "另存为..."},
          {"deleteFilesAction", "删除"},
          {nullptr, ""},
          {"exportJsonAction", "导出为JSON..."},
          {"importJsonAction", "从JSON导入..."},
          {"verifyWithHostAction", "与主机核对..."},
          {nullptr, ""},
          {"importCallerSheetAction", "从表格导入呼叫器..."},
          {"exportCallerSheetAction", "导出呼叫器到表格..."},
          {"printSiteSheetAction", "打印站点资料..."},
          {nullptr, ""},
          {"importClassicDatabaseAction", "导入旧版数据库..."},
          {nullptr, ""},
          {"exitAction", "退出"}}},
        {"系统设置",
         {{"initialiseHostAction", "初始化主机"},
          {"deviceParamsAction", "设备参数"},
          {"upgradeFirmwareAction", "程序升级"},
          {"callerTypesAction", "呼叫器类型登记"},
          {"calibrateClockAction", "信息机校时"},
          {"receiverAlertsAction", "LW1/2/3"},
          {"networkParamsAction", "网络参数"},
          {"preambleAction", "前导设置"}}},
        {"回读数据",
         {{"readVersionAction", "程序版本号"},
          {nullptr, ""},
          {"readBackInfoMachinesAction", "信息机参数"},
          {"readBackCallersAction", "呼叫器参数"},
          {"readBackHandheldsAction", "手持呼叫器参数"},
          {"readBackHandheldSettingsAction", "手持呼叫器设置信息"}}},
        {"下载数据",
         {{"downloadInfoMachinesAction", "信息机参数"},
          {"downloadCallersAction", "呼叫器参数"},
          {"downloadHandheldsAction", "手持呼叫器参数"},
          {"downloadHandheldSettingsAction", "手持呼叫器设置信息"}}},
    };
    MainWindow& w = Window();
    auto* bar = w.findChild<QMenuBar*>("menuBar");
    ASSERT_NE(bar, nullptr);
    const auto menus = bar->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (qsizetype m = 0; m < menus.size(); ++m) {
        const Entry& menu = expected[static_cast<std::size_t>(m)];
        EXPECT_EQ(menus[m]->text(), QString::fromUtf8(menu.menu));
        const auto entries = menus[m]->menu()->actions();
        ASSERT_EQ(entries.size(), static_cast<qsizetype>(menu.commands.size()));
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const auto& [name, text] = menu.commands[static_cast<std::size_t>(i)];
            if (name == nullptr) {
                EXPECT_TRUE(entries[i]->isSeparator());
                continue;
            }
            EXPECT_EQ(entries[i]->objectName(), QString::fromUtf8(name));
            EXPECT_EQ(entries[i]->text(), QString::fromUtf8(text));
        }
    }
    auto* gridMenu = w.findChild<QMenu*>("callerGridMenu");
    ASSERT_NE(gridMenu, nullptr);
    ASSERT_EQ(gridMenu->actions().size(), 3);
    EXPECT_EQ(gridMenu->actions()[1]->objectName(), "deleteCallerKeysAction");
}

} // namespace
} // namespace px
