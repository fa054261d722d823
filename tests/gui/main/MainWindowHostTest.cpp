#include "MainWindowFixture.h"
#include "gui/hostlink/QtHostViews.h"
#include "gui/hostlink/TransferProgressDialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <filesystem>

namespace px {
namespace {

class MainWindowHostTest : public test::MainWindowFixture
{
protected:
    QString Monitor() { return Find<QTextEdit>("dataMonitor")->toPlainText(); }
};

TEST_F(MainWindowHostTest, VersionCommandShowsAndLogsTheVersion)
{
    PlugHost();
    host_.State().version = "PX 2.5";
    MainWindow& w = Window();
    w.Action(Command::ReadVersion)->trigger();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"当前设备版本号: PX 2.5"}));
    const QStringList lines = Monitor().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "当前设备版本号: PX 2.5") << "the newest line is on top";
    EXPECT_TRUE(lines[1].startsWith("Read :0055AA0282"));
    EXPECT_EQ(lines[2], "Write:0055AA0182007C" + QString(116, '0'));
}

TEST_F(MainWindowHostTest, CancelDuringAReadBackEndsItWithoutAFile)
{
    PlugHost();
    host_.State().tables[0x65] = Bytes(10 * 54, 0x11);
    MainWindow& w = Window();
    w.show();
    bool clicked = false;
    QString result;
    pump_.hook = [&] {
        QApplication::processEvents();
        TransferProgressDialog* dialog = w.Progress().Window();
        if (dialog == nullptr)
            return;
        result = dialog->ResultText()->text();
        if (!clicked && dialog->Bar()->value() >= 3) {
            QTest::mouseClick(dialog->CancelButton(), Qt::LeftButton);
            clicked = true;
        }
    };
    const std::string file = folder_.File("RDevice.txt");
    EXPECT_FALSE(w.Exchange().ReadBack(0x84, file, "回读信息机"));
    EXPECT_TRUE(clicked);
    EXPECT_EQ(result, "回读信息机  取消读取");
    EXPECT_FALSE(test::Exists(file));
    EXPECT_EQ(w.Progress().Window(), nullptr) << "the progress window is gone";
    EXPECT_TRUE(w.isEnabled());
}

TEST_F(MainWindowHostTest, PauseOnlyTogglesItsText)
{
    PlugHost();
    MainWindow& w = Window();
    w.Progress().Show();
    QPushButton* pause = w.Progress().Window()->PauseButton();
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_EQ(pause->text(), "继续");
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_EQ(pause->text(), "暂停");
    EXPECT_EQ(w.Exchange().CancelRequest(), 0);
    w.Progress().Close();
}

TEST_F(MainWindowHostTest, ASecondCommandWhileOneWaitsIsRefused)
{
    PlugHost();
    host_.State().fault = *ParseSimFault("silent"); // initialise waits its full 5 s
    MainWindow& w = Window();
    bool triggered = false;
    pump_.hook = [&] {
        if (!triggered) {
            triggered = true;
            w.Action(Command::Preamble)->trigger(); // preamble, while initialise waits
        }
    };
    w.Action(Command::InitialiseHost)->trigger();
    EXPECT_TRUE(triggered);
    EXPECT_EQ(prompter_.Texts(),
              (std::vector<std::string>{HostExchange::kBusyMessage, "初始化主机失败！"}));
    EXPECT_EQ(host_.State().preambleCount, 0);
    for (const std::string& line : host_.Capture())
        EXPECT_EQ(line.find("Write:0055AA01B3"), std::string::npos) << "no preamble was sent";
}

TEST_F(MainWindowHostTest, ShiftAndSevenClicksSwitchTheSenderToAddressModeAndBack)
{
    MainWindow& w = Window();
    w.show();
    QWidget* frame = Find("messageGroup");
    const QPoint inside = frame->rect().center();
    for (int click = 1; click <= 7; ++click) {
        EXPECT_EQ(w.MessageMode(), 0) << click;
        QTest::mouseClick(frame, Qt::LeftButton, Qt::ShiftModifier, inside);
    }
    EXPECT_EQ(w.MessageMode(), 1);
    EXPECT_EQ(Find<QLabel>("messageTargetLabel")->text(), "信息机地址:");
    EXPECT_TRUE(Find("messagePagerCombo")->isHidden());
    for (const char* name :
         {"messageAddressEdit", "messageTypeCombo", "messagePolarityCombo", "messageBaudCombo"})
        EXPECT_FALSE(Find(name)->isHidden()) << name;
    EXPECT_TRUE(Find("messageTypeCombo")->isEnabled());

    // Clicks without Shift do not count.
    QTest::mouseClick(frame, Qt::LeftButton, Qt::NoModifier, inside);
    for (int click = 1; click <= 7; ++click)
        QTest::mouseClick(frame, Qt::LeftButton, Qt::ShiftModifier, inside);
    EXPECT_EQ(w.MessageMode(), 0);
    EXPECT_EQ(Find<QLabel>("messageTargetLabel")->text(), "信息机编号:");
    EXPECT_FALSE(Find("messagePagerCombo")->isHidden());
    EXPECT_TRUE(Find("messageTypeCombo")->isHidden());
    EXPECT_FALSE(Find("messageTypeCombo")->isEnabled());
}

TEST_F(MainWindowHostTest, WithShiftHeldPressesOutsideTheSenderAreSwallowed)
{
    MainWindow& w = Window();
    w.show();
    auto* monitor = Find<QTextEdit>("dataMonitor");
    monitor->setPlainText("kept");
    auto* clear = Find<QPushButton>("clearMonitorButton");
    QTest::mouseClick(clear, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(monitor->toPlainText(), "kept");
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_TRUE(monitor->toPlainText().isEmpty());
}

TEST_F(MainWindowHostTest, SendButtonSendsToTheSelectedPager)
{
    AddFile("餐厅", 0);
    PlugHost();
    MainWindow& w = Window();
    w.MakeFileCurrent("餐厅", FileType::PX);
    Find<QPlainTextEdit>("messageTextEdit")->setPlainText("请到前台");
    Find<QPushButton>("sendMessageButton")->click();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"Send information !"}));
    ASSERT_EQ(host_.State().messages.size(), 1u);
    const Bytes& payload = host_.State().messages[0];
    EXPECT_EQ(payload[0], 0x00);
    EXPECT_EQ(payload[1], 0x05) << "pager 5 of the file";
    EXPECT_EQ(w.Progress().Window(), nullptr);
}

TEST_F(MainWindowHostTest, TheMonitorKeepsItsNewestLinesOnly)
{
    Window();
    QtDataMonitor monitor(Find<QTextEdit>("dataMonitor"));
    for (int i = 0; i < QtDataMonitor::kMaxLines + 10; ++i)
        monitor.AddLine("line " + std::to_string(i));
    const QStringList lines = Monitor().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), QtDataMonitor::kMaxLines);
    EXPECT_EQ(lines.front(), QString("line %1").arg(QtDataMonitor::kMaxLines + 9));
    EXPECT_EQ(lines.back(), "line 10");
}

} // namespace
} // namespace px
