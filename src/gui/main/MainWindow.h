#pragma once

#include "common/Clock.h"
#include "common/EventPump.h"
#include "common/Profile.h"
#include "common/Prompter.h"
#include "hostlink/HostExchange.h"
#include "hostlink/HostLink.h"
#include "registry/RegistryViews.h"
#include "storage/Database.h"

#include <QDialog>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace px {

class ConfigFileDialog;
class CStationDlg;
class CallerTypesDialog;
class ExchangeSettingsHost;
class ReadBackBrowser;
class CallerGridView;
class QtDataMonitor;
class QtProgressSink;
class ReportTableView;

// What the main window works with; owned by whoever starts it.
struct AppServices
{
    QString dataFolder; // ends with '/'
    Prompter& prompter;
    Clock& clock;
    EventPump& pump;
    HidBackend& backend;
    Profile& profile;
    bool simulatedHost = false;
    // Run after every host command (the simulated host saves what it held back there).
    std::function<void()> afterHostCommand;
};

// The main window: the hub that owns the shared state and starts every command.
class MainWindow : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kDetectionTimerId = 256;
    static constexpr int kDetectionIntervalMs = 1000;
    // Shift held and this many clicks on the manual sender switch it to address mode and back.
    static constexpr int kGestureClicks = 7;
    // Commands of ours beyond the classic menu.
    static constexpr int kCmdExportJson = 33001;
    static constexpr int kCmdImportJson = 33002;
    static constexpr int kCmdVerify = 33003;
    static constexpr const char* kTitleStart = "ZR4870PX设置系统";
    static constexpr const char* kTitleConnected = "ZR4870PX设置系统----------[已连接设备]";
    static constexpr const char* kTitleNotConnected = "ZR4870PX设置系统----------[未连接设备]";
    static constexpr const char* kTitleRemoved = "PX_SystemDlg----------[未连接设备]";

    explicit MainWindow(const AppServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    HostLink& Link() { return link_; }
    HostExchange& Exchange() { return *exchange_; }
    QtProgressSink& Progress() { return *progress_; }
    // 0 number mode, 1 address mode of the manual sender.
    int MessageMode() const { return messageMode_; }
    // How the firmware upgrade asks for its file (a file dialog unless replaced).
    // How a file on disk is chosen (a file dialog unless replaced): filter like "*.bin";
    // save asks for a new file. Empty when cancelled.
    using FileChooser = std::function<QString(const QString& filter, bool save)>;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // How a report is shown (a dialog unless replaced).
    void SetReportViewer(std::function<void(const QString& title, const QString& text)> viewer)
    {
        showReport_ = std::move(viewer);
    }
    // How the file dialog is run (modally unless replaced); returns the dialog's result.
    void SetFileDialogRunner(std::function<int(ConfigFileDialog&)> runner) { runFileDialog_ = std::move(runner); }
    void SetTypeDialogRunner(std::function<int(CallerTypesDialog&)> runner) { runTypeDialog_ = std::move(runner); }
    void SetViewDialogRunner(std::function<int(ReadBackBrowser&)> runner) { runViewDialog_ = std::move(runner); }
    const std::vector<CallerType>& CallerTypes() const { return callerTypes_; }
    const std::string& CurrentFileName() const { return currentFile_; }
    FileType CurrentFileType() const { return currentFileType_; }
    bool IsWindowConnected() const { return windowConnected_; }
    bool IsDetectionTimerActive() const { return detectionTimer_->isActive(); }
    bool IsMonitorShown() const { return monitorShown_; }
    const std::vector<std::string>& KeyNames() const { return keyNames_; }
    const std::vector<std::string>& InfoMachineNumbers() const { return infoMachineNumbers_; }
    const std::string& ConnectionString() const { return connectionString_; }
    const QString& DataFolder() const { return services_.dataFolder; }

    // Makes a configuration file the one being edited: reloads the three views, enables the
    // registration controls and records the name in zpreg.ini.
    void MakeFileCurrent(const std::string& name, FileType fileType);
    void ReloadRegistrationViews(const std::string& fileName);
    void EnableRegistration(bool on);

    QAction* Command(int id) const;
    QWidget* Control(int id) const;
    ReportTableView* InfoMachineList() const;
    ReportTableView* HandheldList() const;
    CallerGridView* CallerGrid() const;
    CStationDlg* StationDialog() const { return station_.get(); }

public slots:
    void OnDetectionTick();
    void OnDeviceArrival();
    void OnDeviceRemoval();
    void ClearMonitor();
    void OnCommand(int id);
    void OnSendMessage();
    void OnSaveInfoMachine();
    void OnDeleteInfoMachine();
    void OnInfoMachineSelected();
    void OnSaveHandheld();
    void OnDeleteHandheld();
    void OnHandheldSelected();
    void OnRegisterCallers();
    void OnManualToggled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void Initialise();
    void SetMonitorVisible(bool visible);
    bool OpenDatabase();
    // Runs a host command unless another one is talking to the host.
    void RunHostCommand(const std::function<void()>& command);
    void CountGestureClick(QEvent* event, bool& swallow);
    void ToggleMessageMode();
    void NewFile();
    void OpenFile();
    void DeleteFiles();
    void SaveFileAs();
    HostModel HostModelCode() const { return link_.GetHostModel(); }
    void LoadCallerTypeList();
    void ReadBackIntoBrowser(int mode);
    void ExportFile();
    void ImportFile();
    void VerifyFile();
    void ImportFromBrowser(int mode, HostModel hostModel,
                           const std::vector<std::vector<std::string>>& rows);
    void OnGridEdited(int row, int column, const QString& text);
    void FilterCodeEdit(int id);
    std::uint32_t TimeSeed() const { return static_cast<std::uint32_t>(services_.clock.EpochSeconds()); }
    QRect Scaled(int x, int y, int w, int h) const;
    int ScaledY(int dlu) const;

    AppServices services_;
    HostLink link_;
    std::unique_ptr<QtDataMonitor> monitor_;
    std::unique_ptr<QtProgressSink> progress_;
    std::unique_ptr<HostExchange> exchange_;
    // The network dialog lives as long as the window, so it keeps what was typed.
    std::unique_ptr<ExchangeSettingsHost> settingsHost_;
    std::unique_ptr<CStationDlg> station_;
    FileChooser chooseFile_;
    std::function<void(const QString&, const QString&)> showReport_;
    std::function<int(ConfigFileDialog&)> runFileDialog_;
    std::function<int(CallerTypesDialog&)> runTypeDialog_;
    std::function<int(ReadBackBrowser&)> runViewDialog_;
    Database database_;
    std::string connectionString_;

    QWidget* canvas_ = nullptr;
    QMenu* gridMenu_ = nullptr;
    std::map<int, QWidget*> controls_;
    std::map<int, QAction*> commands_;
    QTimer* detectionTimer_;

    std::vector<std::string> keyNames_;
    std::vector<std::string> infoMachineNumbers_;
    std::vector<CallerType> callerTypes_;
    // The feature code of the grid row where the latest edit or right click started.
    std::string rememberedCode_;
    std::string currentFile_;
    FileType currentFileType_ = FileType::None;
    bool windowConnected_ = false;
    bool notConnected_ = true;
    bool monitorHidden_ = false;
    bool monitorShown_ = false;
    // The Shift key's toggle state, flipped by every press of Shift.
    bool shiftToggle_ = true;
    double scale_ = 1.5;
    int messageMode_ = 0;
    int gestureClicks_ = 0;
    QPoint lastGesturePosition_;
    ulong lastGestureTimestamp_ = 0;
};

} // namespace px
