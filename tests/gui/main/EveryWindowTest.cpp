// Every window and dialog as a user meets it on the smallest screen the program is made for
// (the tests' screen is 1024 by 768): each enabled control takes the click aimed at it, the
// whole window can be seen, and Tab goes as the page is read.

#include "MainWindowFixture.h"
#include "gui/DialogChecks.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/settings/DeviceParamsDialog.h"
#include "gui/settings/HandheldSettingsDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/settings/ReceiverAlertsDialog.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "gui/widgets/ReportDialog.h"
#include "settings/SettingsHost.h"
#include "sim/SimHostSession.h"
#include "storage/Schema.h"

#include <QAction>
#include <QTest>
#include <memory>

namespace px {
namespace {

using test::CoveredControls;
using test::OutOfReadingOrder;
using test::OutsideTheScreen;
using test::TabChain;

struct NamedWindow
{
    std::string name;
    std::unique_ptr<QWidget> window;
    bool tabbedAsRead; // a dialog of fixed places, whose Tab order is checked
};

class EveryWindowTest : public test::MainWindowFixture
{
protected:
    void SetUp() override
    {
        // The window opens on the screen the system gives it, not a desktop's.
        screenRoom_ = QSize();
        MainWindowFixture::SetUp();
    }

    // Every dialog the window opens, made as the window makes it.
    std::vector<NamedWindow> Dialogs()
    {
        AddFile("店", 0);
        settingsHost_ = std::make_unique<ExchangeSettingsHost>(Window().Exchange());
        ExchangeSettingsHost& settingsHost = *settingsHost_;
        std::vector<NamedWindow> dialogs;
        const auto add = [&dialogs](std::string name, QWidget* dialog, bool tabbed = false) {
            dialogs.push_back({std::move(name), std::unique_ptr<QWidget>(dialog), tabbed});
        };
        for (const FileDialogMode mode :
             {FileDialogMode::New, FileDialogMode::Open, FileDialogMode::Delete,
              FileDialogMode::SaveAs, FileDialogMode::Import})
            add("file dialog " + std::to_string(static_cast<int>(mode)),
                new ConfigFileDialog(db_, prompter_, mode), true);
        add("caller types", new CallerTypesDialog(db_, prompter_), true);
        for (const TableKind kind :
             {TableKind::InfoMachines, TableKind::Handhelds, TableKind::Callers})
            add("read-back browser " + std::to_string(static_cast<int>(kind)),
                new ReadBackBrowser(kind, HostModel::PX, folder_.File("none.txt"), prompter_),
                kind != TableKind::Handhelds);
        add("site sheet", new SiteSheetPreview(SiteSheet{}, [] { return QString(); }), true);
        add("report", new ReportDialog("report", "text", ReportDialog::Buttons::Close));
        add("question", new ReportDialog("question", "text", ReportDialog::Buttons::OkCancel));
        add("progress", new TransferProgressDialog(nullptr));
        add("device parameters",
            new DeviceParamsDialog(MachineParams{}, settingsHost, profile_, prompter_, db_));
        add("network parameters", new NetworkParamsDialog(settingsHost, clock_, prompter_));
        add("receiver alerts", new ReceiverAlertsDialog(Lw3Settings{}, Lw21Settings{}, settingsHost,
                                                        profile_, prompter_));
        add("handheld settings", new HandheldSettingsDialog(HandheldSettings{}, prompter_));
        return dialogs;
    }

    // Shows a window as a user meets it and says what is wrong with it.
    static void Check(const std::string& name, QWidget& window)
    {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window)) << name;
        EXPECT_EQ(CoveredControls(window), "") << name;
        EXPECT_EQ(OutsideTheScreen(window), "") << name;
        window.hide();
    }

    std::unique_ptr<ExchangeSettingsHost> settingsHost_;
};

TEST_F(EveryWindowTest, EveryControlTakesItsClicksAndEveryWindowFitsTheScreen)
{
    MainWindow& w = Window();
    AddFile("一号店", 0);
    w.MakeFileCurrent("一号店", FileType::PX); // every control of the window enabled
    Check("main window", w);
    for (const NamedWindow& dialog : Dialogs())
        Check(dialog.name, *dialog.window);
}

TEST_F(EveryWindowTest, TheDemonstrationDialogsTooOnTheirMenu)
{
    test::TempFolder sim;
    std::string error;
    ASSERT_TRUE(EnsureDatabase(DatabasePath(sim.Folder()), error)) << error;
    auto session = SimHostSession::Open(sim.Folder(), HostModel::PX, error);
    ASSERT_NE(session, nullptr) << error;
    Workspace workspace(sim.Folder(), session->Backend(), true, session.get());
    MainWindow demo(AppServices{workspace, prompter_, clock_, pump_, profile_});
    std::vector<std::string> checked;
    demo.Hooks().runDemoDialog = [&checked](QDialog& dialog) {
        checked.push_back(dialog.objectName().toStdString());
        Check(checked.back(), dialog);
        return static_cast<int>(QDialog::Rejected);
    };
    for (const char* action : {"demoPressKeyAction", "demoFaultAction"})
        demo.findChild<QAction*>(action)->trigger();
    EXPECT_EQ(checked.size(), 2u);
}

TEST_F(EveryWindowTest, EveryDialogIsTabbedInReadingOrder)
{
    for (const NamedWindow& dialog : Dialogs()) {
        if (!dialog.tabbedAsRead)
            continue;
        EXPECT_GE(TabChain(*dialog.window).size(), 2u) << dialog.name;
        EXPECT_EQ(OutOfReadingOrder(*dialog.window), "") << dialog.name;
    }
}

} // namespace
} // namespace px
