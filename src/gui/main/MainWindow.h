#pragma once

// The main window: the hub that owns the shared state (the document being edited, the link to
// the host, the data monitor and the progress window) and wires its parts together. Each part
// has one job: the three registration panels and the manual sender, the 文件 commands, the host
// status in the title, and the menus.

#include "common/Prompter.h"
#include "gui/main/MainWindowLayout.h"
#include "gui/main/WindowContext.h"
#include "hostlink/HostExchange.h"
#include "hostlink/HostLink.h"
#include "registry/RegistryViews.h"
#include "session/Workspace.h"
#include "settings/SettingsHost.h"
#include "transfer/RecordDecoding.h"

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QStatusBar;
class QTextEdit;
class QVBoxLayout;

namespace px {

class CallerGridView;
class CallerPanel;
class DemoHostMenu;
class ConfigFileDialog;
class CallerTypesDialog;
class FileCommands;
class HandheldPanel;
class HostStatus;
class InfoMachinePanel;
class MessagePanel;
class NetworkParamsDialog;
class QtDataMonitor;
class QtProgressSink;
class ReadBackBrowser;
class ReportTableView;

// The window's prompter: the user's, until the user has chosen to leave while a transfer ends;
// from then on nothing more is asked or told (the transfer was cancelled by that choice).
class LeavingPrompter final : public Prompter
{
public:
    explicit LeavingPrompter(Prompter& user) : user_(user) {}
    void Message(std::string_view text, std::string_view caption, MessageIcon icon) override
    {
        if (!leaving_)
            user_.Message(text, caption, icon);
    }
    bool AskOkCancel(std::string_view text, std::string_view caption) override
    {
        return !leaving_ && user_.AskOkCancel(text, caption);
    }
    void Leave() { leaving_ = true; }
    bool Leaving() const { return leaving_; }

private:
    Prompter& user_;
    bool leaving_ = false;
};

class MainWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kDetectionIntervalMs = 1000;
    // How often a window that is to close looks whether the transfer has ended.
    static constexpr int kLeaveRetryMs = 20;
    static constexpr const char* kTitleStart = "ZR4870PX设置系统";
    static constexpr const char* kTitleConnected = "ZR4870PX设置系统----------[已连接设备]";
    static constexpr const char* kTitleNotConnected = "ZR4870PX设置系统----------[未连接设备]";
    static constexpr const char* kTitleRemoved = "PX_SystemDlg----------[未连接设备]";
    static constexpr const char* kLeaveDuringTransfer =
        "正在与主机通信，退出将取消当前的传输。确定要退出吗？";

    explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    HostLink& Link() { return link_; }
    HostExchange& Exchange() { return *exchange_; }
    QtProgressSink& Progress() { return *progress_; }
    Workspace& CurrentWorkspace() { return workspace_; }
    // 0 number mode, 1 address mode of the manual sender.
    int MessageMode() const;

    // What the window asks the user through; tests put their own steps in.
    WindowHooks& Hooks() { return hooks_; }
    using FileChooser = std::function<QString(const QString& filter, bool save)>;
    void SetFileChooser(FileChooser chooser) { hooks_.chooseFile = std::move(chooser); }
    void SetReportViewer(std::function<void(const QString& title, const QString& text)> viewer)
    {
        hooks_.showReport = std::move(viewer);
    }
    void SetFileDialogRunner(std::function<int(ConfigFileDialog&)> runner)
    {
        hooks_.runFileDialog = std::move(runner);
    }
    void SetTypeDialogRunner(std::function<int(CallerTypesDialog&)> runner)
    {
        hooks_.runTypeDialog = std::move(runner);
    }
    void SetViewDialogRunner(std::function<int(ReadBackBrowser&)> runner)
    {
        hooks_.runViewDialog = std::move(runner);
    }

    const std::vector<CallerType>& CallerTypes() const;
    const std::string& CurrentFileName() const { return workspace_.FileName(); }
    FileType CurrentFileType() const { return workspace_.Type(); }
    bool IsWindowConnected() const;
    bool IsDetectionTimerActive() const;
    bool IsMonitorShown() const { return monitorShown_; }
    const std::vector<std::string>& KeyNames() const;
    const std::vector<std::string>& InfoMachineNumbers() const;
    QString DataFolder() const { return QString::fromStdString(workspace_.DataFolder()); }

    // Makes a configuration file the one being edited: reloads the three views, enables the
    // registration controls and records the name in zpreg.ini.
    void MakeFileCurrent(const std::string& name, FileType fileType);
    // No file is edited any more, as at start: the views empty, the registration controls off.
    void CloseCurrentFile();
    void ReloadRegistrationViews(const std::string& fileName);
    void EnableRegistration(bool on);

    // A command of the menus or of the caller grid's context menu.
    QAction* Action(Command command) const;
    ReportTableView* InfoMachineList() const;
    ReportTableView* HandheldList() const;
    CallerGridView* CallerGrid() const;
    NetworkParamsDialog* NetworkDialog() const { return network_.get(); }
    // Says what an operation did in the status line; Notice() is what it says now.
    void Notify(const QString& text);
    QString Notice() const;

public slots:
    void OnDetectionTick();
    void OnDeviceArrival();
    void OnDeviceRemoval();

public:
    // The profile section where the window's size and place are remembered.
    static constexpr const char* kWindowSection = "MAINWINDOW";

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Remembers the window's size and place, whatever way it closes. While a transfer runs it
    // asks first; leaving cancels the transfer and closes the window once it has ended.
    void done(int result) override;

private:
    // The controls where the template puts them, with the layout they sit in.
    QVBoxLayout* BuildCanvas();
    // The registration panels, the manual sender, the file commands and the host status.
    void BuildPanels();
    // The simulated host's badge (or its demonstration menu) beside the menus.
    void ShowSimulatedHost();
    void BuildMenus();
    void ConnectCommands();
    void Initialise();
    void SetMonitorVisible(bool visible);
    int DefaultCanvasHeight() const;
    int MonitorHeight() const;
    void StretchControls();
    // The room the screen gives the window, a size cut to it, and the size the window opens at.
    QSize ScreenRoom() const;
    QSize FitToScreen(QSize size) const;
    QSize DefaultSize() const;
    void RestoreGeometry();
    void SaveGeometry();
    void EnterInField(QWidget* widget);
    // Runs a host command unless another one is talking to the host.
    void RunHostCommand(const std::function<void()>& command);
    void OnHostFound(HostModel model);
    void ReloadCurrentFile();
    void ShowCallerTypes();
    void ReadBackIntoBrowser(TableKind kind);
    void ImportFromBrowser(const ReadBackRows& rows, HostModel hostModel);
    void UpgradeFirmware();

    LeavingPrompter prompter_;
    AppServices services_;
    Workspace& workspace_;
    HostLink link_;
    WindowHooks hooks_;
    std::unique_ptr<QtDataMonitor> monitor_;
    std::unique_ptr<QtProgressSink> progress_;
    std::unique_ptr<HostExchange> exchange_;
    std::unique_ptr<WindowContext> context_;
    // The network dialog lives as long as the window, so it keeps what was typed.
    ExchangeSettingsHost::DoneNotice doneNotice_;
    std::unique_ptr<ExchangeSettingsHost> settingsHost_;
    std::unique_ptr<NetworkParamsDialog> network_;

    QWidget* canvas_ = nullptr;
    QStatusBar* statusLine_ = nullptr;
    std::unique_ptr<MainControls> controls_;
    QTextEdit* dataMonitor_ = nullptr;
    std::map<Command, QAction*> actions_;
    InfoMachinePanel* infoMachines_ = nullptr;
    HandheldPanel* handhelds_ = nullptr;
    CallerPanel* callers_ = nullptr;
    MessagePanel* message_ = nullptr;
    FileCommands* files_ = nullptr;
    HostStatus* hostStatus_ = nullptr;
    DemoHostMenu* demoMenu_ = nullptr; // only with a simulated host's folder

    bool monitorHidden_ = false;
    bool monitorShown_ = false;
    // The Shift key's toggle state, flipped by every press of Shift.
    bool shiftToggle_ = true;
};

} // namespace px
