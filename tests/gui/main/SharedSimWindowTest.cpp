// The window in demonstration mode shares its simulated host with pxctl through the folder.

#include "cli/CliApp.h"
#include "common/Profile.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SimFolderWatcher.h"
#include "mock/FakeClock.h"
#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"
#include "sim/SimHostSession.h"
#include "storage/Schema.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace px {
namespace {

QString Title(const char* text)
{
    return QString::fromUtf8(text);
}

class SharedSimWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(DatabasePath(data_.Folder()), error)) << error;
        session_ = SimHostSession::Open(sim_.Folder(), HostModel::PX, error);
        ASSERT_NE(session_, nullptr) << error;
        workspace_ =
            std::make_unique<Workspace>(data_.Folder(), session_->Backend(), true, session_.get());
        window_ = std::make_unique<MainWindow>(
            AppServices{*workspace_, prompter_, clock_, pump_, profile_, QSize(1920, 1040)});
        // As the program wires it: the folder's plug state reaches the window as device events.
        session_->Backend().SetDeviceListener([this](bool added) {
            if (added)
                window_->OnDeviceArrival();
            else
                window_->OnDeviceRemoval();
        });
        watcher_ = std::make_unique<SimFolderWatcher>(
            *session_, MainWindow::kDetectionIntervalMs,
            [this](const std::string& e) { errors_.push_back(e); });
    }

    // pxctl in another shell: its own run, its own session on the same folder.
    int Pxctl(std::vector<std::string> args, std::string* out = nullptr)
    {
        std::vector<std::string> full = {"--data-dir", shell_.Text(), "--host",
                                         "sim:" + sim_.Text()};
        full.insert(full.end(), args.begin(), args.end());
        std::ostringstream o, e;
        test::FakeClock clock;
        MemoryProfile profile;
        cli::Environment env{o, e, false, profile, clock, [] { return std::string(); }};
        const int status = cli::Run(full, env);
        if (out != nullptr)
            *out = o.str();
        return status;
    }

    nlohmann::json OnDisk()
    {
        std::ifstream in(PathFromUtf8(sim_.File("state.json")));
        return nlohmann::json::parse(in);
    }

    test::TempFolder data_;
    test::TempFolder shell_;
    test::TempFolder sim_;
    test::ScriptedPrompter prompter_;
    test::FakeClock clock_;
    NullEventPump pump_;
    MemoryProfile profile_;
    std::unique_ptr<SimHostSession> session_;
    std::unique_ptr<Workspace> workspace_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<SimFolderWatcher> watcher_;
    std::vector<std::string> errors_;
};

TEST_F(SharedSimWindowTest, PlugAndUnplugFromTheShellChangeTheTitleWithinATick)
{
    MainWindow& w = *window_;
    w.OnDetectionTick();
    ASSERT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected));

    ASSERT_EQ(Pxctl({"sim", "unplug"}), 0);
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected)) << "not before the tick";
    watcher_->Poll();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleRemoved));
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleNotConnected));
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleNotConnected));

    // Plugging the host in changes the title at the next tick.
    ASSERT_EQ(Pxctl({"sim", "plug"}), 0);
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected));
    EXPECT_TRUE(errors_.empty());
}

TEST_F(SharedSimWindowTest, TheWindowSeesWhatTheShellPreparedAndNeverOverwritesIt)
{
    MainWindow& w = *window_;
    w.OnDetectionTick();
    ASSERT_EQ(Pxctl({"sim", "version", "PX 9.9"}), 0);
    ASSERT_EQ(Pxctl({"sim", "press", "123451"}), 0);

    w.Action(Command::ReadVersion)->trigger(); // read the version
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"当前设备版本号: PX 9.9"}));
    EXPECT_EQ(OnDisk()["presses"].size(), 1u) << "the window's command kept the queued press";

    ASSERT_EQ(Pxctl({"sim", "fault", "silent"}), 0);
    prompter_.Clear();
    w.Action(Command::ReadVersion)->trigger();
    EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{"读取版本号失败！"}));

    ASSERT_EQ(Pxctl({"sim", "fault", "none"}), 0);
    ASSERT_EQ(Pxctl({"sim", "unplug"}), 0);
    window_.reset(); // the window closes
    watcher_.reset();
    session_.reset();
    const nlohmann::json state = OnDisk();
    EXPECT_EQ(state["plugged"], false) << "an unplugged host does not come back plugged";
    EXPECT_EQ(state["version"], "PX 9.9");
    EXPECT_EQ(state["presses"].size(), 1u);
    EXPECT_EQ(state["fault"], "none");
}

// The badge's menu does what `pxctl sim` does, on the same folder, and the shell sees it.
class DemoMenuTest : public SharedSimWindowTest
{
protected:
    void Trigger(const char* action)
    {
        auto* found = window_->findChild<QAction*>(action);
        ASSERT_NE(found, nullptr) << action;
        found->trigger();
    }

    // The next demo dialog gets these steps and is accepted (or not).
    void AnswerDialog(std::function<void(QDialog&)> fill, int result = QDialog::Accepted)
    {
        window_->Hooks().runDemoDialog = [fill, result](QDialog& dialog) {
            fill(dialog);
            return result;
        };
    }

    std::string Status()
    {
        std::string out;
        EXPECT_EQ(Pxctl({"--json", "sim", "status"}, &out), 0);
        return out;
    }
};

TEST_F(DemoMenuTest, TheBadgeOpensTheMenu)
{
    auto* badge = window_->findChild<QToolButton*>("simulatedHostBadge");
    ASSERT_NE(badge, nullptr);
    ASSERT_NE(badge->menu(), nullptr);
    QStringList entries;
    for (const QAction* action : badge->menu()->actions())
        if (!action->isSeparator())
            entries << action->text();
    EXPECT_EQ(entries, (QStringList{"按键...", "拔出", "插入", "故障...", "查看记录"}));
}

TEST_F(DemoMenuTest, UnplugAndPlugReachTheTitleAndTheShell)
{
    MainWindow& w = *window_;
    w.OnDetectionTick();
    Trigger("demoUnplugAction");
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleRemoved)) << "the window hears it at once";
    EXPECT_EQ(w.Notice(), "模拟主机：已拔出");
    EXPECT_EQ(nlohmann::json::parse(Status())["plugged"], false);

    Trigger("demoPlugAction");
    w.OnDetectionTick();
    EXPECT_EQ(w.windowTitle(), Title(MainWindow::kTitleConnected));
    EXPECT_EQ(nlohmann::json::parse(Status())["plugged"], true);
}

TEST_F(DemoMenuTest, AKeyPressIsQueuedForTheHostsNextAnswer)
{
    AnswerDialog([](QDialog& dialog) {
        dialog.findChild<QLineEdit*>("keyCodeEdit")->setText(" 1a2b ");
        auto* status = dialog.findChild<QComboBox*>("keyStatusBox");
        status->setCurrentIndex(status->findData("66"));
    });
    Trigger("demoPressKeyAction");
    EXPECT_EQ(window_->Notice(), "模拟主机：已按下 1A2B，等待主机被询问");
    EXPECT_EQ(OnDisk()["presses"], nlohmann::json::array({"661A2B"}));

    // A code the host could not answer is refused with the reason; nothing is queued.
    AnswerDialog(
        [](QDialog& dialog) { dialog.findChild<QLineEdit*>("keyCodeEdit")->setText("12345"); });
    Trigger("demoPressKeyAction");
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("hexadecimal digits in pairs"), std::string::npos);
    // Cancel queues nothing either.
    AnswerDialog(
        [](QDialog& dialog) { dialog.findChild<QLineEdit*>("keyCodeEdit")->setText("AABB"); },
        QDialog::Rejected);
    Trigger("demoPressKeyAction");
    EXPECT_EQ(OnDisk()["presses"].size(), 1u);
}

TEST_F(DemoMenuTest, AFaultIsArmedAndClearedAndAnUnknownOneRefused)
{
    AnswerDialog([](QDialog& dialog) {
        auto* fault = dialog.findChild<QComboBox*>("faultBox");
        EXPECT_EQ(fault->currentText(), "none") << "the dialog starts from the armed fault";
        fault->setCurrentText("unplug-at:3");
    });
    Trigger("demoFaultAction");
    EXPECT_EQ(nlohmann::json::parse(Status())["fault"], "unplug-at:3");
    EXPECT_EQ(window_->Notice(), "模拟主机：已设置故障 unplug-at:3");

    AnswerDialog([](QDialog& dialog) {
        dialog.findChild<QComboBox*>("faultBox")->setCurrentText("unplug-at:K");
    });
    Trigger("demoFaultAction");
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("没有这种故障"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(Status())["fault"], "unplug-at:3") << "left as it was";

    AnswerDialog(
        [](QDialog& dialog) { dialog.findChild<QComboBox*>("faultBox")->setCurrentText("none"); });
    Trigger("demoFaultAction");
    EXPECT_EQ(nlohmann::json::parse(Status())["fault"], "none");
}

TEST_F(DemoMenuTest, TheLogShowsWhatWasExchanged)
{
    QString title;
    QString text;
    window_->SetReportViewer([&](const QString& t, const QString& x) {
        title = t;
        text = x;
    });
    Trigger("demoShowLogAction");
    EXPECT_EQ(text, "还没有通信记录。");

    window_->OnDetectionTick();
    window_->Action(Command::ReadVersion)->trigger();
    Trigger("demoShowLogAction");
    EXPECT_TRUE(title.endsWith("capture.log")) << title.toStdString();
    EXPECT_TRUE(text.contains("Write:")) << text.toStdString();
    EXPECT_TRUE(text.contains("Read :")) << text.toStdString();
}

} // namespace
} // namespace px
