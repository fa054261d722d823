#include "gui/main/MainWindow.h"

#include "common/Utf8Path.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/hostlink/QtHostViews.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/main/CallerPanel.h"
#include "gui/main/DemoHostMenu.h"
#include "gui/main/FileCommands.h"
#include "gui/main/HandheldPanel.h"
#include "gui/main/HostStatus.h"
#include "gui/main/InfoMachinePanel.h"
#include "gui/main/MenuBuilder.h"
#include "gui/main/MessagePanel.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/settings/DeviceParamsDialog.h"
#include "gui/settings/HandheldSettingsDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/settings/ReceiverAlertsDialog.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportDialog.h"
#include "gui/widgets/ReportTableView.h"
#include "gui/widgets/ScreenFit.h"
#include "settings/Maintenance.h"
#include "settings/SettingsHost.h"
#include "transfer/Import.h"
#include "transfer/ReadBack.h"
#include "transfer/TableDownload.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace px {

namespace {

// The dialogs the window opens, modally, unless a test puts its own steps in.
WindowHooks DefaultHooks(QWidget* window)
{
    WindowHooks hooks;
    hooks.chooseFile = [window](const QString& filter, bool save) {
        QFileDialog dialog(window, QString(), QString(), filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, !save);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };
    hooks.showReport = [window](const QString& title, const QString& text) {
        ReportDialog(title, text, ReportDialog::Buttons::Close, window).exec();
    };
    hooks.confirmReport = [window](const QString& title, const QString& text) {
        return ReportDialog(title, text, ReportDialog::Buttons::OkCancel, window).exec() ==
               QDialog::Accepted;
    };
    hooks.runFileDialog = [](ConfigFileDialog& dialog) { return dialog.exec(); };
    hooks.runTypeDialog = [](CallerTypesDialog& dialog) { return dialog.exec(); };
    hooks.runViewDialog = [](ReadBackBrowser& dialog) { return dialog.exec(); };
    hooks.runDemoDialog = [](QDialog& dialog) { return dialog.exec(); };
    return hooks;
}

// The host's backend, made by whoever started the window before it.
HidBackend& ReadyBackend(Workspace& workspace)
{
    std::string error;
    HidBackend* backend = workspace.Backend(error);
    if (backend == nullptr)
        throw std::runtime_error("the window needs a host: " + error);
    return *backend;
}

} // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent)
    : QDialog(parent), prompter_(services.prompter), services_{services.workspace,
                                                               prompter_,
                                                               services.clock,
                                                               services.pump,
                                                               services.profile,
                                                               services.screenRoom,
                                                               services.classicReaderProgram},
      workspace_(services.workspace),
      link_(ReadyBackend(services.workspace), services.clock, services.pump),
      hooks_(DefaultHooks(this))
{
    setObjectName("mainWindow");
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);
    auto* layout = BuildCanvas();
    monitor_ = std::make_unique<QtDataMonitor>(dataMonitor_);
    progress_ = std::make_unique<QtProgressSink>(this);
    exchange_ = std::make_unique<HostExchange>(link_, services_.clock, *monitor_, *progress_,
                                               workspace_.DataFolder());
    // The progress window's Cancel is honoured by the running transfer after its current
    // packet. Pause only changes its own text: the host expects each read-back packet within
    // 200 ms and paces downloads itself, so holding a transfer would make it fail.
    connect(progress_.get(), &QtProgressSink::cancelRequested, this,
            [this](int value) { exchange_->RequestCancel(value); });

    // A status line under the controls says what an import or a read-back did.
    statusLine_ = new QStatusBar(this);
    statusLine_->setObjectName("statusLine");
    layout->addWidget(statusLine_);
    context_ = std::make_unique<WindowContext>(
        WindowContext{services_, workspace_, link_, *exchange_, hooks_, this,
                      [this](const std::function<void()>& command) { RunHostCommand(command); },
                      [this](const QString& text) { Notify(text); }});
    hooks_.previewSheet = [this](const SiteSheet& sheet) {
        SiteSheetPreview preview(
            sheet, [this] { return context_->chooseFile("*.pdf", true); }, this);
        preview.exec();
    };

    BuildPanels();

    // What a settings dialog read back from the host is said in the status line too.
    doneNotice_ = [this](const std::string& text) { Notify(QString::fromStdString(text)); };
    settingsHost_ = std::make_unique<ExchangeSettingsHost>(*exchange_, doneNotice_);
    network_ = std::make_unique<NetworkParamsDialog>(*settingsHost_, services_.clock,
                                                     services_.prompter, this);

    BuildMenus();
    ConnectCommands();
    ShowSimulatedHost();
    qApp->installEventFilter(this);
    Initialise();
}

QVBoxLayout* MainWindow::BuildCanvas()
{
    QFont font;
    font.setFamilies({"SimSun", "宋体", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    font.setPointSize(9);
    setFont(font);
    // Dialog units of the 9 point template font: 6 by 12 pixels per 4 by 8 units at 96 dpi.
    const qreal dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const double scale = 1.5 * dpi / 96.0;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // The controls sit where the template puts them at the default size, which is also the
    // smallest; a larger window gives its room to the caller grid and the two lists.
    canvas_ = new QWidget(this);
    canvas_->setObjectName("canvas");
    controls_ = std::make_unique<MainControls>(canvas_, scale);
    // The narrowest window still shows every control: the caller strip takes two bands.
    canvas_->setMinimumSize(
        controls_->Scaled(0, 0, kNarrowWindowWidthDlu, kWindowHeightDlu).size());
    layout->addWidget(canvas_, 1);
    dataMonitor_ = controls_->Get<QTextEdit>(MainControl::DataMonitor);
    auto* version = controls_->Get<QLabel>(MainControl::VersionLabel);
    version->setText(QString(" 版本号: V") + kProgramVersion);
    version->resize(std::max(version->width(), version->sizeHint().width()), version->height());

    return layout;
}

void MainWindow::BuildPanels()
{
    infoMachines_ = new InfoMachinePanel(*controls_, *context_, this);
    handhelds_ = new HandheldPanel(*controls_, *context_, this);
    callers_ = new CallerPanel(*controls_, *context_, this);
    message_ = new MessagePanel(*controls_, *context_, this);
    files_ = new FileCommands(*context_, this);
    hostStatus_ = new HostStatus(this, link_, *exchange_, services_.prompter);
    connect(infoMachines_, &InfoMachinePanel::changed, this, &MainWindow::ReloadCurrentFile);
    connect(handhelds_, &HandheldPanel::changed, this, &MainWindow::ReloadCurrentFile);
    connect(callers_, &CallerPanel::changed, this, &MainWindow::ReloadCurrentFile);
    connect(files_, &FileCommands::fileChosen, this, &MainWindow::MakeFileCurrent);
    connect(files_, &FileCommands::fileClosed, this, &MainWindow::CloseCurrentFile);
    connect(files_, &FileCommands::callersChanged, this,
            [this] { ReloadRegistrationViews(workspace_.FileName()); });
    connect(hostStatus_, &HostStatus::hostFound, this, &MainWindow::OnHostFound);
    connect(controls_->Get<QPushButton>(MainControl::ClearMonitorButton), &QPushButton::clicked,
            dataMonitor_, &QTextEdit::clear);
}

void MainWindow::ShowSimulatedHost()
{
    auto* menuBar = qobject_cast<QMenuBar*>(layout()->menuBar());
    std::string simError;
    if (SimHostSession* sim = workspace_.Sim(simError)) {
        demoMenu_ = new DemoHostMenu(*sim, *context_, this);
        menuBar->setCornerWidget(demoMenu_->Badge());
    } else if (workspace_.IsSimulated()) {
        auto* badge = new QLabel("模拟主机 (simulated host)", this);
        badge->setObjectName("simulatedHostBadge");
        badge->setStyleSheet("color: rgb(160, 40, 40); padding: 0 8px;");
        menuBar->setCornerWidget(badge);
    }
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

void MainWindow::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName("menuBar");
    for (const MenuSpec& spec : MainWindowMenus()) {
        QMenu* menu = bar->addMenu(QString::fromUtf8(spec.title));
        menu->setObjectName(QString::fromUtf8(spec.name));
        AddMenuEntries(menu, spec.entries, actions_);
    }
    layout()->setMenuBar(bar);
}

void MainWindow::ConnectCommands()
{
    const auto on = [this](Command command, auto handler) {
        connect(actions_.at(command), &QAction::triggered, this, handler);
    };
    // 文件: every edit is already stored, so leaving asks nothing.
    on(Command::NewFile, [this] { files_->NewFile(); });
    on(Command::OpenFile, [this] { files_->OpenFile(); });
    on(Command::SaveFileAs, [this] { files_->SaveFileAs(); });
    on(Command::DeleteFiles, [this] { files_->DeleteFiles(); });
    on(Command::ExportJson, [this] { files_->ExportJson(); });
    on(Command::ImportJson, [this] { files_->ImportJson(); });
    on(Command::VerifyWithHost, [this] { files_->VerifyWithHost(); });
    on(Command::ImportCallerSheet, [this] { files_->ImportCallerSheet(); });
    on(Command::ExportCallerSheet, [this] { files_->ExportCallerSheet(); });
    on(Command::PrintSiteSheet, [this] { files_->PrintSiteSheet(); });
    on(Command::ImportClassicDatabase, [this] { files_->ImportClassicDatabase(); });
    on(Command::Exit, [this] { reject(); });
    // 系统设置
    on(Command::InitialiseHost, [this] {
        RunHostCommand([this] { InitialiseHost(*exchange_).notices.ShowWith(services_.prompter); });
    });
    on(Command::DeviceParams, [this] {
        RunDeviceParamsCommand(*exchange_, services_.profile, workspace_.Db(), services_.prompter,
                               this, doneNotice_);
    });
    on(Command::UpgradeFirmware, [this] { UpgradeFirmware(); });
    on(Command::CallerTypes, [this] { ShowCallerTypes(); });
    on(Command::CalibrateClock, [this] {
        RunHostCommand([this] {
            // Without an information machine numbered 0 there is nobody to set the clock by:
            // said where it needs no box to close.
            if (const auto outcome = CalibrateClock(*exchange_, workspace_.Db()))
                outcome->notices.ShowWith(services_.prompter);
            else
                Notify(QString::fromUtf8(kNoClockReceiver));
        });
    });
    on(Command::ReceiverAlerts, [this] {
        RunReceiverAlertsCommand(*exchange_, services_.profile, services_.prompter, this,
                                 doneNotice_);
    });
    on(Command::NetworkParams, [this] { network_->exec(); });
    on(Command::Preamble, [this] {
        RunHostCommand([this] { SendPreamble(*exchange_).notices.ShowWith(services_.prompter); });
    });
    // 回读数据
    on(Command::ReadVersion, [this] {
        RunHostCommand(
            [this] { ReadProgramVersion(*exchange_).notices.ShowWith(services_.prompter); });
    });
    on(Command::ReadBackInfoMachines, [this] { ReadBackIntoBrowser(TableKind::InfoMachines); });
    on(Command::ReadBackCallers, [this] { ReadBackIntoBrowser(TableKind::Callers); });
    on(Command::ReadBackHandhelds, [this] { ReadBackIntoBrowser(TableKind::Handhelds); });
    on(Command::ReadBackHandheldSettings,
       [this] { RunHandheldSettingsReadBack(*exchange_, services_.prompter, this, doneNotice_); });
    // 下载数据
    const auto download = [this](TableKind kind) {
        return [this, kind] {
            RunHostCommand([this, kind] {
                DownloadTable(*exchange_, workspace_.Db(), kind, workspace_.FileName())
                    .notices.ShowWith(services_.prompter);
            });
        };
    };
    on(Command::DownloadInfoMachines, download(TableKind::InfoMachines));
    on(Command::DownloadCallers, download(TableKind::Callers));
    on(Command::DownloadHandhelds, download(TableKind::Handhelds));
    on(Command::DownloadHandheldSettings, [this] {
        RunHandheldSettingsDownload(*exchange_, services_.profile, services_.prompter, this);
    });
}

void MainWindow::Initialise()
{
    // A database that cannot be opened leaves the key names empty without a message; one
    // that opens but is damaged, busy or not ours is said at once, rather than showing as an
    // empty list of files. The file itself is left as it is.
    std::string problem;
    if (workspace_.Open()) {
        if (workspace_.Check(problem))
            callers_->LoadKeyNames();
        else
            services_.prompter.Message(problem);
    }
    hostStatus_->Start();
    SetMonitorVisible(false);
    // The frame's size is known once the window exists.
    winId();
    resize(DefaultSize());
    RestoreGeometry();
    EnableRegistration(false);
    callers_->LoadCallerTypes();
}

int MainWindow::MessageMode() const
{
    return message_->Mode();
}

const std::vector<CallerType>& MainWindow::CallerTypes() const
{
    return callers_->CallerTypes();
}

const std::vector<std::string>& MainWindow::KeyNames() const
{
    return callers_->KeyNames();
}

const std::vector<std::string>& MainWindow::InfoMachineNumbers() const
{
    return callers_->PagerNumbers();
}

bool MainWindow::IsWindowConnected() const
{
    return hostStatus_->IsConnected();
}

bool MainWindow::IsDetectionTimerActive() const
{
    return hostStatus_->IsSearching();
}

QAction* MainWindow::Action(Command command) const
{
    const auto it = actions_.find(command);
    return it != actions_.end() ? it->second : callers_->GridAction(command);
}

ReportTableView* MainWindow::InfoMachineList() const
{
    return infoMachines_->List();
}

ReportTableView* MainWindow::HandheldList() const
{
    return handhelds_->List();
}

CallerGridView* MainWindow::CallerGrid() const
{
    return callers_->Grid();
}

void MainWindow::ShowCallerTypes()
{
    if (!workspace_.Open())
        return;
    CallerTypesDialog dialog(workspace_.Db(), services_.prompter, this);
    if (hooks_.runTypeDialog(dialog) == QDialog::Accepted)
        callers_->LoadCallerTypes();
}

void MainWindow::UpgradeFirmware()
{
    const QString image = hooks_.chooseFile("*.bin", false);
    if (!image.isEmpty())
        RunHostCommand([&] {
            px::UpgradeFirmware(*exchange_, image.toStdString())
                .notices.ShowWith(services_.prompter);
        });
}

void MainWindow::ReadBackIntoBrowser(TableKind kind)
{
    bool hostFound = false;
    RunHostCommand([&] {
        const Outcome read = ReadBackTable(*exchange_, kind);
        read.notices.ShowWith(services_.prompter);
        hostFound = read.ok;
    });
    if (!hostFound)
        return;
    // The browser opens whatever the outcome; without a file it says so.
    const std::string path = ReadBackFilePath(*exchange_, kind);
    const char* rowsTitle = WithTable(kind, [](const auto& table) { return table.rowsTitle; });
    {
        ReadBackBrowser browser(kind, link_.GetHostModel(), path, services_.prompter, this);
        if (browser.Rows())
            Notify(QString("已回读 %1 条%2记录")
                       .arg(browser.Rows()->Count())
                       .arg(QString::fromUtf8(rowsTitle)));
        browser.SetImportHandler([this, &browser](const ReadBackRows& rows) {
            ImportFromBrowser(rows, browser.ConnectedModel());
        });
        hooks_.runViewDialog(browser);
    }
    std::error_code ec;
    std::filesystem::remove(PathFromUtf8(path), ec);
}

void MainWindow::ImportFromBrowser(const ReadBackRows& rows, HostModel hostModel)
{
    if (!workspace_.Open())
        return;
    ConfigFileDialog chooser(workspace_.Db(), services_.prompter, FileDialogMode::Import, this);
    if (hooks_.runFileDialog(chooser) != QDialog::Accepted)
        return;
    const auto import = [&](bool confirmed) {
        return ImportRows(workspace_.Db(), rows, hostModel, chooser.FileName(),
                          chooser.DeviceType(), confirmed);
    };
    ImportResult result = import(false);
    if (result.outcome == ImportOutcome::NeedsConfirmation) {
        if (!services_.prompter.AskOkCancel(result.message, "提示"))
            return;
        result = import(true);
    }
    if (!result.message.empty())
        services_.prompter.Message(result.message);
    if (result.outcome == ImportOutcome::Imported)
        Notify(QString("已导入 %1 条%2记录到文件 %3")
                   .arg(rows.Count())
                   .arg(QString::fromUtf8(WithTable(
                            rows.Kind(), [](const auto& table) { return table.rowsTitle; })),
                        QString::fromStdString(chooser.FileName())));
}

void MainWindow::Notify(const QString& text)
{
    statusLine_->showMessage(text);
}

QString MainWindow::Notice() const
{
    return statusLine_->currentMessage();
}

void MainWindow::RunHostCommand(const std::function<void()>& command)
{
    auto lock = exchange_->Begin();
    if (!lock) {
        exchange_->TakeNotices().ShowWith(services_.prompter); // busy
        return;
    }
    command();
    // Whatever the command left untold (a host found but not opened) is told now.
    exchange_->TakeNotices().ShowWith(services_.prompter);
    // A simulated host saves what a download held back; a folder that could not be written is
    // said where the program was started.
    std::string error;
    if (!workspace_.FlushSimulatedHost(error))
        std::fprintf(stderr, "simulated host: %s\n", error.c_str());
}

void MainWindow::EnableRegistration(bool on)
{
    infoMachines_->EnableEditing(on);
    handhelds_->EnableEditing(on);
    message_->EnableSending(on);
    callers_->EnableRegistration(on);
}

void MainWindow::MakeFileCurrent(const std::string& name, FileType fileType)
{
    workspace_.MakeCurrent(name, fileType);
    hostStatus_->SetDocument(name, fileType);
    ReloadRegistrationViews(name);
    EnableRegistration(true);
}

void MainWindow::CloseCurrentFile()
{
    workspace_.MakeCurrent("", FileType::None);
    hostStatus_->SetDocument("", FileType::None);
    ReloadRegistrationViews("");
    EnableRegistration(false);
}

void MainWindow::ReloadCurrentFile()
{
    ReloadRegistrationViews(workspace_.FileName());
}

void MainWindow::ReloadRegistrationViews(const std::string& fileName)
{
    const InfoMachineView view = infoMachines_->Reload(fileName);
    message_->SetPagerNumbers(view.senderEntries);
    callers_->SetPagerNumbers(view.numberList);
    handhelds_->Reload(fileName);
    callers_->Reload(fileName);
}

void MainWindow::OnHostFound(HostModel model)
{
    if (model == HostModel::PX && workspace_.Type() == FileType::QX) {
        services_.prompter.Message("当前连接的是PX主机，打开的文件是QX主机文件！");
    } else if (model == HostModel::QX && workspace_.Type() == FileType::PX) {
        services_.prompter.Message("当前连接的是QX主机，打开的文件是PX主机文件！");
        // A QX host cannot take a PX file's registrations: show none of them. The file
        // itself stays current.
        ReloadRegistrationViews("");
    }
}

void MainWindow::OnDetectionTick()
{
    hostStatus_->Tick();
}

void MainWindow::OnDeviceArrival()
{
    hostStatus_->DeviceArrived();
}

void MainWindow::OnDeviceRemoval()
{
    hostStatus_->DeviceRemoved();
}

int MainWindow::DefaultCanvasHeight() const
{
    const int full = controls_->Scaled(0, 0, 0, kWindowHeightDlu).height();
    return monitorShown_ ? full : full - controls_->Scaled(0, 0, 0, kMonitorCutDlu).height();
}

void MainWindow::EnterInField(QWidget* widget)
{
    // In a cell of the caller grid, Enter ends the edit and stores it: focus back on the grid
    // makes the editor commit and close.
    CallerGridView* grid = callers_->Grid();
    if (grid->isAncestorOf(widget) && widget != grid->viewport()) {
        grid->setFocus(Qt::OtherFocusReason);
        return;
    }
    // In a field of a registration strip it takes the next field, as Tab does.
    if (qobject_cast<QLineEdit*>(widget) != nullptr && canvas_->isAncestorOf(widget))
        focusNextChild();
}

void MainWindow::SetMonitorVisible(bool visible)
{
    // The window grows or shrinks by the monitor's height; room given beyond it stays.
    const int before = DefaultCanvasHeight();
    monitorShown_ = visible;
    monitorHidden_ = !visible;
    const int after = DefaultCanvasHeight();
    // Cut off, the monitor is hidden too: Tab and the mouse must not reach what is not seen.
    for (const MainControl part :
         {MainControl::MonitorGroup, MainControl::DataMonitor, MainControl::ClearMonitorButton})
        controls_->Get<QWidget>(part)->setVisible(visible);
    canvas_->setMinimumHeight(after);
    resize(width(), std::max(height() + after - before, minimumSizeHint().height()));
    StretchControls();
}

void MainWindow::StretchControls()
{
    const QSize base = controls_->Scaled(0, 0, kWindowWidthDlu, kWindowHeightDlu).size();
    controls_->Stretch(canvas_->width() - base.width(), canvas_->height() - DefaultCanvasHeight());
}

QSize MainWindow::ScreenRoom() const
{
    if (services_.screenRoom.isValid())
        return services_.screenRoom;
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    return shown != nullptr ? shown->availableGeometry().size() : QSize();
}

QSize MainWindow::FitToScreen(QSize size) const
{
    // The title bar and borders count too; the system knows them once the window exists.
    const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
    return SizeWithin(size, ScreenRoom(), frame).expandedTo(minimumSizeHint());
}

QSize MainWindow::DefaultSize() const
{
    // The template's size, as much of it as the screen has room for.
    QSize size = minimumSizeHint();
    size.setWidth(size.width() +
                  controls_->Scaled(0, 0, kWindowWidthDlu - kNarrowWindowWidthDlu, 0).width());
    return FitToScreen(size);
}

void MainWindow::RestoreGeometry()
{
    Profile& profile = services_.profile;
    const int w = profile.GetInt(kWindowSection, "WIDTH", 0);
    const int h = profile.GetInt(kWindowSection, "HEIGHT", 0);
    // A size remembered on a larger screen is cut to this one's.
    if (w > 0 && h > 0)
        resize(FitToScreen(QSize(w, h)));
    const int x = profile.GetInt(kWindowSection, "X", -1);
    const int y = profile.GetInt(kWindowSection, "Y", -1);
    if (x >= 0 && y >= 0)
        move(x, y);
}

void MainWindow::SaveGeometry()
{
    Profile& profile = services_.profile;
    profile.SetInt(kWindowSection, "WIDTH", width());
    profile.SetInt(kWindowSection, "HEIGHT", height() - (monitorShown_ ? MonitorHeight() : 0));
    profile.SetInt(kWindowSection, "X", x());
    profile.SetInt(kWindowSection, "Y", y());
}

int MainWindow::MonitorHeight() const
{
    return controls_->Scaled(0, 0, 0, kMonitorCutDlu).height();
}

void MainWindow::done(int result)
{
    if (exchange_->IsBusy()) {
        // The transfer runs further down this very call stack: the window can only go once
        // it has returned.
        if (!prompter_.Leaving()) {
            if (!prompter_.AskOkCancel(kLeaveDuringTransfer, "提示"))
                return;
            prompter_.Leave();
        }
        exchange_->RequestCancel(1);
        QTimer::singleShot(kLeaveRetryMs, this, [this, result] { done(result); });
        return;
    }
    SaveGeometry();
    QDialog::done(result);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == canvas_ && event->type() == QEvent::Resize) {
        StretchControls();
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::MouseButtonPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this)
        return false;
    if (event->type() == QEvent::MouseButtonPress)
        return message_->CountGestureClick(*static_cast<QMouseEvent*>(event));
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        EnterInField(widget);
        return true; // Enter never presses a button of the window
    case Qt::Key_Escape:
        return true; // the window never closes on Esc
    case Qt::Key_Shift:
        if (!key->isAutoRepeat())
            shiftToggle_ = !shiftToggle_;
        return true; // a bare Shift press means nothing to the controls
    case Qt::Key_M:
        if (key->modifiers() & Qt::ShiftModifier) {
            // Within one press of Shift only one direction applies, so holding Shift and
            // pressing M again changes nothing.
            if (!shiftToggle_ && monitorHidden_) {
                SetMonitorVisible(true);
                return true; // the gesture is not typed into the focused field
            }
            if (shiftToggle_ && monitorShown_) {
                SetMonitorVisible(false);
                return true;
            }
        }
        return false;
    default:
        return false;
    }
}

} // namespace px
