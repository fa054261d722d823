#include "gui/main/MainWindow.h"

#include "app/DataFolder.h"
#include "gui/main/MainWindowLayout.h"
#include "common/IniFile.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/hostlink/QtHostViews.h"
#include "common/Random.h"
#include "gui/registry/CallerTypesDialog.h"
#include "registry/Callers.h"
#include "registry/Handhelds.h"
#include "registry/InfoMachines.h"
#include "gui/widgets/CallerGridDelegate.h"
#include "settings/CLW123Dlg.h"
#include "settings/CMachineDlg.h"
#include "settings/CShouChiDlg.h"
#include "settings/CStationDlg.h"
#include "settings/InfoMessage.h"
#include "settings/SettingsHost.h"
#include "gui/files/ConfigFileDialog.h"
#include "storage/ConfigFiles.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "transfer/Import.h"
#include "transfer/ReadBack.h"
#include "storage/ConfigJson.h"
#include "storage/Schema.h"
#include "transfer/TableDownload.h"
#include "transfer/Verify.h"

#include <filesystem>
#include "settings/Maintenance.h"
#include "registry/RegistryViews.h"
#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportTableView.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QMouseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

namespace px {

namespace {

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

template <typename T>
T* As(QWidget* widget)
{
    return qobject_cast<T*>(widget);
}

// Controls whose text is a number the user types.
QValidator* DigitsValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression("[0-9]*"), parent);
}

} // namespace

MainWindow::MainWindow(const AppServices& services, QWidget* parent)
    : QDialog(parent),
      services_(services),
      link_(services.backend, services.clock, services.pump, services.prompter),
      connectionString_(MakeConnectionString(DatabasePath(services.dataFolder).toStdString())),
      detectionTimer_(new QTimer(this))
{
    setObjectName("MainWindow");
    setWindowTitle(Q(kTitleStart));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    QFont font;
    font.setFamilies({"SimSun", "宋体", "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    font.setPointSize(9);
    setFont(font);
    // Dialog units of the 9 point template font: 6 by 12 pixels per 4 by 8 units at 96 dpi.
    const qreal dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    scale_ = 1.5 * dpi / 96.0;

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    canvas_ = new QWidget(this);
    canvas_->setObjectName("canvas");
    canvas_->setFixedSize(Scaled(0, 0, kWindowWidthDlu, kWindowHeightDlu).size());
    layout->addWidget(canvas_);

    BuildControls();
    BuildMenus();

    monitor_ = std::make_unique<QtDataMonitor>(As<QTextEdit>(Control(1009)));
    progress_ = std::make_unique<QtProgressSink>(this);
    exchange_ = std::make_unique<HostExchange>(link_, services_.clock, services_.prompter,
                                               *monitor_, *progress_,
                                               services_.dataFolder.toStdString());
    // The progress window's Cancel is honoured by the running transfer after its current
    // packet. Pause only changes its own text: the host expects each read-back packet within
    // 200 ms and paces downloads itself, so holding a transfer would make it fail.
    connect(progress_.get(), &QtProgressSink::cancelRequested, this,
            [this](int value) { exchange_->RequestCancel(value); });
    chooseFile_ = [this](const QString& filter, bool save) {
        QFileDialog dialog(this, QString(), QString(), filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setOption(QFileDialog::ReadOnly, !save);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? dialog.selectedFiles().first()
                   : QString();
    };
    showReport_ = [this](const QString& title, const QString& text) {
        QDialog report(this);
        report.setObjectName("reportDialog");
        report.setWindowTitle(title);
        auto* view = new QPlainTextEdit(text, &report);
        view->setReadOnly(true);
        auto* close = new QPushButton(Q("关闭"), &report);
        connect(close, &QPushButton::clicked, &report, &QDialog::accept);
        auto* box = new QVBoxLayout(&report);
        box->addWidget(view);
        box->addWidget(close, 0, Qt::AlignRight);
        report.resize(640, 360);
        report.exec();
    };
    settingsHost_ = std::make_unique<ExchangeSettingsHost>(*exchange_);
    station_ = std::make_unique<CStationDlg>(*settingsHost_, services_.clock, services_.prompter, this);
    runFileDialog_ = [](ConfigFileDialog& dialog) { return dialog.exec(); };
    runTypeDialog_ = [](CallerTypesDialog& dialog) { return dialog.exec(); };
    runViewDialog_ = [](ReadBackBrowser& dialog) { return dialog.exec(); };
    if (services_.simulatedHost) {
        auto* badge = new QLabel(Q("模拟主机 (simulated host)"), this);
        badge->setObjectName("simulatedHostBadge");
        badge->setStyleSheet("color: rgb(160, 40, 40); padding: 0 8px;");
        qobject_cast<QMenuBar*>(layout->menuBar())->setCornerWidget(badge);
    }

    detectionTimer_->setObjectName(QString("timer%1").arg(kDetectionTimerId));
    detectionTimer_->setInterval(kDetectionIntervalMs);
    connect(detectionTimer_, &QTimer::timeout, this, &MainWindow::OnDetectionTick);

    qApp->installEventFilter(this);
    Initialise();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
}

QRect MainWindow::Scaled(int x, int y, int w, int h) const
{
    const auto s = [this](int v) { return static_cast<int>(v * scale_ + 0.5); };
    return QRect(s(x), s(y), s(w), s(h));
}

int MainWindow::ScaledY(int dlu) const
{
    return static_cast<int>(dlu * scale_ + 0.5);
}

void MainWindow::BuildControls()
{
    for (const ControlSpec& spec : MainWindowControls()) {
        QWidget* widget = nullptr;
        const QString text = Q(spec.text);
        int height = spec.h;
        switch (spec.kind) {
        case ControlKind::GroupBox:
            widget = new QGroupBox(text, canvas_);
            break;
        case ControlKind::ReportTableView:
            widget = new ReportTableView(canvas_);
            break;
        case ControlKind::Label:
            widget = new QLabel(text, canvas_);
            break;
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(canvas_);
            if (spec.flags & kDigitsOnly)
                edit->setValidator(DigitsValidator(edit));
            if (spec.maxLength > 0)
                edit->setMaxLength(spec.maxLength);
            if (spec.flags & kCentred)
                edit->setAlignment(Qt::AlignCenter);
            widget = edit;
            break;
        }
        case ControlKind::CheckBox:
            widget = new QCheckBox(text, canvas_);
            break;
        case ControlKind::DropDownCombo:
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(canvas_);
            combo->setEditable(spec.kind == ControlKind::DropDownCombo);
            // The template's height is that of the opened list; the closed box is one line.
            combo->setMaxVisibleItems(std::max(1, (spec.h - 12) / 10));
            height = 12;
            widget = combo;
            break;
        }
        case ControlKind::Button:
        case ControlKind::DefaultButton: {
            auto* button = new QPushButton(text, canvas_);
            button->setAutoDefault(false);
            button->setDefault(spec.kind == ControlKind::DefaultButton);
            widget = button;
            break;
        }
        case ControlKind::MultiLineEdit:
            widget = new QPlainTextEdit(canvas_);
            break;
        case ControlKind::Grid:
            widget = new CallerGridView(canvas_);
            break;
        case ControlKind::RichEdit: {
            auto* edit = new QTextEdit(canvas_);
            edit->setReadOnly(true);
            edit->setFont(QFont("Monospace", 9));
            widget = edit;
            break;
        }
        }
        QRect place = Scaled(spec.x, spec.y, spec.w, height);
        // Qt's check marks take more room than the template allowed for; never cut a text.
        if (spec.kind == ControlKind::CheckBox || spec.kind == ControlKind::Label)
            place.setWidth(std::max(place.width(), widget->sizeHint().width()));
        widget->setGeometry(place);
        if (spec.flags & kDisabled)
            widget->setEnabled(false);
        if (spec.flags & kHidden)
            widget->hide();
        if (spec.id != 0) {
            widget->setObjectName(QString("id%1").arg(spec.id));
            controls_[spec.id] = widget;
        }
    }

    As<ReportTableView>(Control(1000))->SetColumns(
        {{Q("传呼号"), 20}, {Q("地址码"), 50}, {Q("类型"), 50}, {Q("备注"), 90}});
    As<ReportTableView>(Control(1008))->SetColumns(
        {{Q("编号"), 80}, {Q("地址码"), 60}, {Q("备注"), 70}});

    connect(As<QPushButton>(Control(1)), &QPushButton::clicked, this,
            &MainWindow::ClearMonitor);
    connect(As<QPushButton>(Control(1032)), &QPushButton::clicked, this,
            &MainWindow::OnSendMessage);
    connect(As<QPushButton>(Control(1004)), &QPushButton::clicked, this,
            &MainWindow::OnSaveInfoMachine);
    connect(As<QPushButton>(Control(1006)), &QPushButton::clicked, this,
            &MainWindow::OnDeleteInfoMachine);
    connect(As<ReportTableView>(Control(1000))->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, &MainWindow::OnInfoMachineSelected);

    connect(As<QPushButton>(Control(1013)), &QPushButton::clicked, this,
            &MainWindow::OnSaveHandheld);
    connect(As<QPushButton>(Control(1015)), &QPushButton::clicked, this,
            &MainWindow::OnDeleteHandheld);
    connect(As<ReportTableView>(Control(1008))->selectionModel(), &QItemSelectionModel::selectionChanged,
            this, &MainWindow::OnHandheldSelected);
    connect(As<QCheckBox>(Control(1036)), &QCheckBox::clicked, this, [this] {
        Lcg random(TimeSeed());
        As<QLineEdit>(Control(1011))->setText(Q(RandomFeatureCode(random)));
    });
    connect(As<QCheckBox>(Control(1037)), &QCheckBox::clicked, this, &MainWindow::OnManualToggled);
    connect(As<QPushButton>(Control(1026)), &QPushButton::clicked, this,
            &MainWindow::OnRegisterCallers);
    for (int id : {1038, 1011})
        connect(As<QLineEdit>(Control(id)), &QLineEdit::textChanged, this, [this, id] { FilterCodeEdit(id); });

    CallerGridView* grid = CallerGrid();
    auto* delegate = new CallerGridDelegate(
        [this] {
            QStringList options;
            for (const std::string& number : infoMachineNumbers_)
                options << Q(number);
            return options;
        },
        grid);
    grid->setItemDelegate(delegate);
    connect(delegate, &CallerGridDelegate::editBegun, this, [this](int row, int) {
        rememberedCode_ = CallerGrid()->GridModel()->Text(row, 0);
    });
    connect(grid->GridModel(), &CallerGridModel::cellEdited, this, &MainWindow::OnGridEdited);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& pos) {
        const QModelIndex index = grid->indexAt(pos);
        if (!index.isValid())
            return;
        rememberedCode_ = grid->GridModel()->Text(index.row(), 0);
        gridMenu_->popup(grid->viewport()->mapToGlobal(pos));
    });
}

void MainWindow::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    bar->setObjectName("menu130");
    const auto addEntries = [this](QMenu* menu, std::span<const MenuEntry> entries) {
        for (const MenuEntry& entry : entries) {
            if (entry.command == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(Q(entry.text));
            action->setObjectName(QString("cmd%1").arg(entry.command));
            commands_[entry.command] = action;
            const int id = entry.command;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
        }
    };
    for (const MenuSpec& spec : MainWindowMenus())
        addEntries(bar->addMenu(Q(spec.title)), spec.entries);
    layout()->setMenuBar(bar);

    gridMenu_ = new QMenu(Q("RMenu"), this);
    gridMenu_->setObjectName("menu136");
    addEntries(gridMenu_, CallerGridContextMenu());
}

void MainWindow::Initialise()
{
    // Receiver types in their fixed order; entry 0 at start.
    auto* types = As<QComboBox>(Control(1045));
    types->addItems({"BX-2", "LW2/LW1", Q("数字"), Q("字符"), "LW3"});
    types->setCurrentIndex(0);
    As<QLineEdit>(Control(1001))->setText("1");
    As<QLineEdit>(Control(1010))->setText("1");
    CallerGrid()->GridModel()->Reset();

    // A database that cannot be opened leaves the key names empty without a message; one
    // that opens but is damaged, busy or not ours is said at once, rather than showing as an
    // empty list of files. The file itself is left as it is.
    std::string databaseProblem;
    if (OpenDatabase()) {
        if (CheckDatabase(database_, databaseProblem))
            keyNames_ = LoadKeyNames(database_);
        else
            services_.prompter.Message(databaseProblem);
    }

    detectionTimer_->start();
    monitorHidden_ = true;
    SetMonitorVisible(false);

    EnableRegistration(false);

    LoadCallerTypeList();
    As<QLineEdit>(Control(1044))->setText("1");
    As<QLineEdit>(Control(1018))->setText("1");

    auto* addressType = As<QComboBox>(Control(1052));
    addressType->addItems({Q("字符"), Q("数字")});
    addressType->setCurrentIndex(0);
    auto* polarity = As<QComboBox>(Control(1053));
    polarity->addItems({"+", "-"});
    polarity->setCurrentIndex(1);
    auto* baud = As<QComboBox>(Control(1054));
    baud->addItems({"512", "1200", "2400"});
    baud->setCurrentIndex(1);
}

bool MainWindow::OpenDatabase()
{
    return database_.IsOpen() || database_.Open(connectionString_);
}

QAction* MainWindow::Command(int id) const
{
    const auto it = commands_.find(id);
    return it != commands_.end() ? it->second : nullptr;
}

QWidget* MainWindow::Control(int id) const
{
    const auto it = controls_.find(id);
    return it != controls_.end() ? it->second : nullptr;
}

ReportTableView* MainWindow::InfoMachineList() const
{
    return As<ReportTableView>(Control(1000));
}

ReportTableView* MainWindow::HandheldList() const
{
    return As<ReportTableView>(Control(1008));
}

CallerGridView* MainWindow::CallerGrid() const
{
    return As<CallerGridView>(Control(1024));
}

void MainWindow::OnCommand(int id)
{
    switch (id) {
    case 32815: // 文件 → 退出: no question, every edit is already stored
        reject();
        break;
    case 32812:
        NewFile();
        break;
    case 32813:
        OpenFile();
        break;
    case 32814:
        DeleteFiles();
        break;
    case 32820:
        SaveFileAs();
        break;
    case 32817: {
        CallerTypesDialog dialog(database_, services_.prompter, services_.clock, services_.pump, this);
        if (runTypeDialog_(dialog) == QDialog::Accepted)
            LoadCallerTypeList();
        break;
    }
    case 32792:
        RunHostCommand([this] { DownloadCallers(*exchange_, database_, currentFile_); });
        break;
    case 32799:
        RunHostCommand([this] { DownloadHandhelds(*exchange_, database_, currentFile_); });
        break;
    case 32794:
        if (OpenDatabase() &&
            DeleteCallerKey(database_, services_.prompter, currentFile_, rememberedCode_))
            ReloadRegistrationViews(currentFile_);
        break;
    case 32797:
        if (OpenDatabase() &&
            DeleteCallerKeys(database_, services_.prompter, currentFile_, rememberedCode_))
            ReloadRegistrationViews(currentFile_);
        break;
    case kCmdExportJson:
        ExportFile();
        break;
    case kCmdImportJson:
        ImportFile();
        break;
    case kCmdVerify:
        VerifyFile();
        break;
    case 32779:
        RunMachineCommand(*exchange_, services_.profile, database_, this);
        break;
    case 32823:
        station_->exec();
        break;
    case 32825:
        RunAlertCommand(*exchange_, services_.profile, this);
        break;
    case 32791:
        RunHandheldSettingsDownload(*exchange_, services_.profile, this);
        break;
    case 32801:
        RunHandheldSettingsReadBack(*exchange_, this);
        break;
    case 32805:
        ReadBackIntoBrowser(static_cast<int>(BrowserMode::InfoMachines));
        break;
    case 32806:
        ReadBackIntoBrowser(static_cast<int>(BrowserMode::Callers));
        break;
    case 32807:
        ReadBackIntoBrowser(static_cast<int>(BrowserMode::Handhelds));
        break;
    case 32786:
        RunHostCommand([this] { DownloadInfoMachines(*exchange_, database_, currentFile_); });
        break;
    case 32776:
        RunHostCommand([this] { InitialiseHost(*exchange_); });
        break;
    case 32778:
        RunHostCommand([this] { CalibrateClock(*exchange_, database_); });
        break;
    case 32780: {
        const QString image = chooseFile_("*.bin", false);
        if (!image.isEmpty())
            RunHostCommand([&] { UpgradeFirmware(*exchange_, image.toStdString()); });
        break;
    }
    case 32790:
        RunHostCommand([this] { ReadProgramVersion(*exchange_); });
        break;
    case 32827:
        RunHostCommand([this] { SendPreamble(*exchange_); });
        break;
    default:
        break;
    }
}

void MainWindow::NewFile()
{
    ConfigFileDialog dialog(database_, services_.prompter, FileDialogMode::New, this);
    if (runFileDialog_(dialog) != QDialog::Accepted || !OpenDatabase())
        return;
    const std::string name = dialog.FileName();
    if (CompleteNewFile(database_, services_.prompter, HostModelCode(), name, dialog.DeviceType()))
        MakeFileCurrent(name, dialog.DeviceType());
}

void MainWindow::OpenFile()
{
    ConfigFileDialog dialog(database_, services_.prompter, FileDialogMode::Open, this);
    if (runFileDialog_(dialog) != QDialog::Accepted)
        return;
    // The type made current is the radio buttons' as they stood when the file was chosen.
    const std::string name = dialog.FileName();
    if (CompleteOpenFile(services_.prompter, HostModelCode(), name, dialog.DeviceType(),
                         currentFile_) == OpenStep::MakeCurrent)
        MakeFileCurrent(name, dialog.DeviceType());
}

void MainWindow::DeleteFiles()
{
    // Deleting the current file leaves the window showing what it has loaded.
    ConfigFileDialog dialog(database_, services_.prompter, FileDialogMode::Delete, this);
    runFileDialog_(dialog);
}

void MainWindow::SaveFileAs()
{
    if (!CanSaveAs(services_.prompter, currentFile_))
        return;
    ConfigFileDialog dialog(database_, services_.prompter, FileDialogMode::SaveAs, this);
    if (runFileDialog_(dialog) != QDialog::Accepted || !OpenDatabase())
        return;
    CompleteSaveAs(database_, services_.prompter, dialog.FileName(), dialog.DeviceType(),
                   currentFile_, currentFileType_);
}

void MainWindow::OnSaveInfoMachine()
{
    if (!OpenDatabase())
        return;
    InfoMachineFields fields;
    fields.pagerText = As<QLineEdit>(Control(1001))->text().toStdString();
    fields.handheldText = As<QLineEdit>(Control(1010))->text().toStdString();
    fields.address = As<QLineEdit>(Control(1002))->text().toStdString();
    fields.remark = As<QLineEdit>(Control(1003))->text().toStdString();
    fields.typeIndex = As<QComboBox>(Control(1045))->currentIndex();
    fields.advanceAddress = As<QCheckBox>(Control(1042))->isChecked();
    const InfoMachineSaveResult result =
        SaveInfoMachine(database_, services_.prompter, currentFile_, currentFileType_,
                        HostModelCode(), fields);
    if (!result.fieldsChanged)
        return;
    ReloadRegistrationViews(currentFile_);
    As<QLineEdit>(Control(1001))->setText(QString::number(result.pagerNumber));
    As<QLineEdit>(Control(1002))->setText(Q(result.address));
}

void MainWindow::OnDeleteInfoMachine()
{
    if (!OpenDatabase())
        return;
    ReportTableView* list = InfoMachineList();
    const int row = list->SelectedRow();
    DeleteInfoMachine(database_, currentFile_,
                      row >= 0 ? list->Text(row, 0).toStdString() : std::string());
    ReloadRegistrationViews(currentFile_);
    As<QLineEdit>(Control(1001))->setText("0");
    As<QLineEdit>(Control(1002))->clear();
    As<QLineEdit>(Control(1003))->clear();
}

void MainWindow::OnInfoMachineSelected()
{
    ReportTableView* list = InfoMachineList();
    const int row = list->SelectedRow();
    if (row < 0)
        return;
    As<QLineEdit>(Control(1001))->setText(QString::number(list->Text(row, 0).toInt()));
    As<QLineEdit>(Control(1002))->setText(list->Text(row, 1));
    As<QLineEdit>(Control(1003))->setText(list->Text(row, 3));
    if (const auto index = ReceiverTypeIndex(list->Text(row, 2).toStdString()))
        As<QComboBox>(Control(1045))->setCurrentIndex(*index);
}

void MainWindow::ExportFile()
{
    if (!CanSaveAs(services_.prompter, currentFile_) || !OpenDatabase())
        return;
    const QString path = chooseFile_("*.json", true);
    if (path.isEmpty())
        return;
    std::string error;
    const auto document = ExportConfigFile(database_, currentFile_, error);
    if (!document) {
        services_.prompter.Message("无法导出 " + currentFile_ + "：\n" + error);
        return;
    }
    if (!WriteConfigJsonFile(path.toStdString(), *document, error)) {
        services_.prompter.Message("无法写入文件 " + path.toStdString());
        return;
    }
    services_.prompter.Message("已导出 " + currentFile_ + " 到 " + path.toStdString());
}

void MainWindow::ImportFile()
{
    const QString path = chooseFile_("*.json", false);
    if (path.isEmpty() || !OpenDatabase())
        return;
    std::string error;
    const auto read = ReadConfigJsonFile(path.toStdString(), error);
    if (!read) {
        services_.prompter.Message("无法读取文件 " + path.toStdString() + "：\n" + error);
        return;
    }
    const std::string& text = *read;
    std::string name;
    JsonImportResult result = ImportConfigFile(database_, text, "", false, error, &name);
    if (result == JsonImportResult::Exists &&
        services_.prompter.AskOkCancel(error + "，确定要覆盖吗？", "提示"))
        result = ImportConfigFile(database_, text, "", true, error, &name);
    switch (result) {
    case JsonImportResult::Imported:
        services_.prompter.Message("已导入配置文件 " + name);
        break;
    case JsonImportResult::Invalid:
        services_.prompter.Message("文件内容有误，没有导入任何数据：\n" + error);
        break;
    case JsonImportResult::Failed:
        services_.prompter.Message("导入失败，没有导入任何数据：\n" + error);
        break;
    case JsonImportResult::Exists:
        break;
    }
}

void MainWindow::VerifyFile()
{
    if (!CanSaveAs(services_.prompter, currentFile_))
        return;
    std::optional<std::vector<Difference>> differences;
    std::string error;
    RunHostCommand([&] { differences = VerifyConfigFile(*exchange_, database_, currentFile_, error); });
    if (!differences) {
        if (!error.empty())
            services_.prompter.Message(error);
        return;
    }
    QString text;
    if (differences->empty())
        text = Q("主机中的数据与文件 " + currentFile_ + " 一致。");
    for (const Difference& d : *differences) {
        text += Q(d.table + " " + d.key + ": " + KindName(d.kind));
        if (d.kind == Difference::Kind::Different)
            text += Q(" " + d.field + ": 文件 \"" + d.fileValue + "\", 主机 \"" + d.hostValue + "\"");
        text += '\n';
    }
    showReport_(Q("与主机核对: " + currentFile_), text);
}

void MainWindow::ReadBackIntoBrowser(int modeValue)
{
    const auto mode = static_cast<BrowserMode>(modeValue);
    bool hostFound = false;
    RunHostCommand([&] { hostFound = ReadBackTable(*exchange_, mode); });
    if (!hostFound)
        return;
    // The browser opens whatever the outcome; without a file it says so.
    const std::string path = exchange_->RecordFilePath(RecordFileName(mode));
    {
        ReadBackBrowser browser(mode, HostModelCode(), path, services_.prompter, this);
        browser.SetImportHandler([this, modeValue, &browser](const std::vector<std::vector<std::string>>& rows) {
            ImportFromBrowser(modeValue, browser.ConnectedModel(), rows);
        });
        runViewDialog_(browser);
    }
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

void MainWindow::ImportFromBrowser(int modeValue, HostModel hostModel,
                                      const std::vector<std::vector<std::string>>& rows)
{
    ConfigFileDialog chooser(database_, services_.prompter, FileDialogMode::Import, this);
    if (runFileDialog_(chooser) != QDialog::Accepted)
        return;
    ImportRows(database_, services_.prompter, static_cast<BrowserMode>(modeValue), hostModel,
               chooser.FileName(), chooser.DeviceType(), rows);
}

void MainWindow::LoadCallerTypeList()
{
    if (!OpenDatabase())
        return;
    callerTypes_ = LoadCallerTypes(database_);
    auto* combo = As<QComboBox>(Control(1043));
    combo->clear();
    for (const CallerType& type : callerTypes_)
        combo->addItem(Q(type.name));
    combo->setCurrentIndex(0);
}

void MainWindow::OnGridEdited(int row, int column, const QString& text)
{
    if (!OpenDatabase())
        return;
    const CellEditResult result =
        UpdateCallerCell(database_, currentFile_, rememberedCode_, column, text.toStdString());
    if (result.restore)
        CallerGrid()->GridModel()->SetText(row, column, *result.restore);
    if (!result.refusal.empty())
        services_.prompter.Message(result.refusal);
}

void MainWindow::FilterCodeEdit(int id)
{
    auto* edit = As<QLineEdit>(Control(id));
    const QString kept = Q(FilterFeatureCode(edit->text().toStdString()));
    if (kept != edit->text()) {
        edit->setText(kept);
        edit->setCursorPosition(static_cast<int>(kept.size()));
    }
}

void MainWindow::OnManualToggled()
{
    const bool manual = As<QCheckBox>(Control(1037))->isChecked();
    As<QPushButton>(Control(1026))->setText(Q(manual ? "手动登记呼叫器" : "自动登记呼叫器"));
    for (int id : {1038, 1044, 1018, 1041})
        Control(id)->setEnabled(manual);
    if (!manual)
        As<QCheckBox>(Control(1041))->setChecked(false);
}

void MainWindow::OnRegisterCallers()
{
    RegistrationRequest request;
    request.types = callerTypes_;
    request.typePosition = As<QComboBox>(Control(1043))->currentIndex();
    request.manual = As<QCheckBox>(Control(1037))->isChecked();
    request.manualCode = As<QLineEdit>(Control(1038))->text().toStdString();
    request.runFrom = As<QLineEdit>(Control(1044))->text().toStdString();
    request.runTo = As<QLineEdit>(Control(1018))->text().toStdString();
    request.plusOne = As<QCheckBox>(Control(1041))->isChecked();
    request.callerNumber = As<QLineEdit>(Control(1028))->text().toStdString();
    request.callerName = As<QLineEdit>(Control(1029))->text().toStdString();
    request.keyNames = keyNames_;
    request.numberList = infoMachineNumbers_;
    request.fileName = currentFile_;
    request.fileType = currentFileType_;
    request.hostModel = HostModelCode();
    RunHostCommand([&] {
        if (!OpenDatabase())
            return;
        const RegistrationResult result = RegisterCallers(
            database_, services_.prompter, request.manual ? nullptr : exchange_.get(), request);
        for (const CallerGridRow& row : result.added)
            CallerGrid()->GridModel()->InsertTop(row);
        As<QLineEdit>(Control(1038))->setText(Q(result.manualCode));
        if (result.focusCode)
            Control(1038)->setFocus();
    });
}

void MainWindow::OnSaveHandheld()
{
    HandheldFields fields;
    fields.pagerText = As<QLineEdit>(Control(1001))->text().toStdString();
    fields.numberText = As<QLineEdit>(Control(1010))->text().toStdString();
    fields.featureCode = As<QLineEdit>(Control(1011))->text().toStdString();
    fields.remark = As<QLineEdit>(Control(1012))->text().toStdString();
    fields.madeUpCode = As<QCheckBox>(Control(1036))->isChecked();
    RunHostCommand([&] {
        if (!OpenDatabase())
            return;
        Lcg random(TimeSeed());
        const HandheldSaveResult result =
            SaveHandheld(database_, services_.prompter, exchange_.get(), random, currentFile_,
                         currentFileType_, HostModelCode(), fields);
        if (result.stored || result.fieldsChanged)
            ReloadRegistrationViews(currentFile_);
        if (result.fieldsChanged) {
            As<QLineEdit>(Control(1010))->setText(QString::number(result.number));
            As<QLineEdit>(Control(1011))->setText(Q(result.featureCode));
        }
    });
}

void MainWindow::OnDeleteHandheld()
{
    if (!OpenDatabase())
        return;
    ReportTableView* list = HandheldList();
    const int row = list->SelectedRow();
    DeleteHandheld(database_, currentFile_, row >= 0 ? list->Text(row, 0).toStdString() : std::string());
    ReloadRegistrationViews(currentFile_);
    As<QLineEdit>(Control(1010))->setText("0");
    As<QLineEdit>(Control(1011))->clear();
    As<QLineEdit>(Control(1012))->clear();
}

void MainWindow::OnHandheldSelected()
{
    ReportTableView* list = HandheldList();
    const int row = list->SelectedRow();
    if (row < 0)
        return;
    As<QLineEdit>(Control(1010))->setText(QString::number(list->Text(row, 0).toInt()));
    As<QLineEdit>(Control(1011))->setText(list->Text(row, 1));
    As<QLineEdit>(Control(1012))->setText(list->Text(row, 2));
}

void MainWindow::RunHostCommand(const std::function<void()>& command)
{
    auto lock = exchange_->Begin();
    if (!lock)
        return;
    command();
    if (services_.afterHostCommand)
        services_.afterHostCommand();
}

void MainWindow::OnSendMessage()
{
    MessageRequest request;
    request.addressMode = messageMode_ == 1;
    auto* numbers = As<QComboBox>(Control(1031));
    if (numbers->currentIndex() >= 0)
        request.pagerText = numbers->currentText().toStdString();
    request.addressText = As<QLineEdit>(Control(1051))->text().toStdString();
    request.typeIndex = As<QComboBox>(Control(1052))->currentIndex();
    request.polarityIndex = As<QComboBox>(Control(1053))->currentIndex();
    request.baudIndex = As<QComboBox>(Control(1054))->currentIndex();
    request.text = As<QPlainTextEdit>(Control(1030))->toPlainText().toStdString();
    RunHostCommand([&] { SendInformationMessage(*exchange_, request); });
}

void MainWindow::ToggleMessageMode()
{
    // The direction follows what is on screen now.
    const bool toAddress = Control(1052)->isHidden();
    As<QLabel>(Control(1022))->setText(Q(toAddress ? "信息机地址:" : "信息机编号:"));
    Control(1031)->setVisible(!toAddress);
    Control(1052)->setEnabled(toAddress);
    for (int id : {1052, 1053, 1054, 1051})
        Control(id)->setVisible(toAddress);
    messageMode_ = toAddress ? 1 : 0;
}

void MainWindow::CountGestureClick(QEvent* event, bool& swallow)
{
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ShiftModifier))
        return;
    // A press the first widget ignored travels on to its parents as a copy with the same
    // time and place: count it once.
    const QPoint where = mouse->globalPosition().toPoint();
    if (mouse->timestamp() == lastGestureTimestamp_ && where == lastGesturePosition_)
        return;
    lastGestureTimestamp_ = mouse->timestamp();
    lastGesturePosition_ = where;
    QWidget* frame = Control(1046);
    const QRect area(frame->mapToGlobal(QPoint(0, 0)), frame->size());
    if (!area.contains(mouse->globalPosition().toPoint())) {
        swallow = true; // with Shift held, presses elsewhere are not delivered
        return;
    }
    if (++gestureClicks_ >= kGestureClicks) {
        gestureClicks_ = 0;
        ToggleMessageMode();
    }
}

void MainWindow::EnableRegistration(bool on)
{
    for (int id : {1004, 1006, 1013, 1015, 1032, 1026})
        Control(id)->setEnabled(on);
    As<QLineEdit>(Control(1038))->clear();
    for (int id : {1038, 1044, 1018, 1041})
        Control(id)->setEnabled(false);
    As<QCheckBox>(Control(1037))->setChecked(false);
    As<QCheckBox>(Control(1041))->setChecked(false);
}

void MainWindow::MakeFileCurrent(const std::string& name, FileType fileType)
{
    currentFile_ = name;
    currentFileType_ = fileType;
    ReloadRegistrationViews(name);
    EnableRegistration(true);
    // Recorded for other programs; nothing here reads it back.
    WriteProfileString((services_.dataFolder + "zpreg.ini").toStdString(), "File", "Name", name);
}

void MainWindow::ReloadRegistrationViews(const std::string& fileName)
{
    ReportTableView* machines = InfoMachineList();
    ReportTableView* handhelds = HandheldList();
    auto* senderNumbers = As<QComboBox>(Control(1031));
    machines->Clear();
    handhelds->Clear();
    senderNumbers->clear();
    infoMachineNumbers_.clear();
    CallerGridModel* grid = CallerGrid()->GridModel();
    grid->Reset();
    if (!OpenDatabase())
        return;

    InfoMachineView view = LoadInfoMachineView(database_, fileName);
    for (const InfoMachineListRow& row : view.rows)
        machines->AddRow({QString::number(row.deviceNo), Q(row.address), Q(row.typeName),
                          Q(row.remark)});
    infoMachineNumbers_ = std::move(view.numberList);
    for (const std::string& entry : view.senderEntries)
        senderNumbers->addItem(Q(entry));
    if (senderNumbers->count() > 0)
        senderNumbers->setCurrentIndex(0);

    for (const HandheldListRow& row : LoadHandheldView(database_, fileName))
        handhelds->AddRow({QString::number(row.deviceNo), Q(row.address), Q(row.remark)});

    grid->SetRows(LoadCallerGridView(database_, fileName));
    // Never narrower than a header or a cell: the narrow classic widths cut pager numbers off.
    machines->FitColumns();
    handhelds->FitColumns();
}

void MainWindow::OnDetectionTick()
{
    // A search closes and reopens the link: never in the middle of an exchange. The timer
    // tries again a second later.
    if (windowConnected_ || exchange_->IsBusy() || link_.IsWaiting())
        return;
    if (link_.FindHost()) {
        detectionTimer_->stop();
        setWindowTitle(Q(kTitleConnected));
        windowConnected_ = true;
        notConnected_ = false;
        const HostModel model = link_.GetHostModel();
        if (model == HostModel::PX && currentFileType_ == FileType::QX) {
            services_.prompter.Message("当前连接的是PX主机，打开的文件是QX主机文件！");
        } else if (model == HostModel::QX && currentFileType_ == FileType::PX) {
            services_.prompter.Message("当前连接的是QX主机，打开的文件是PX主机文件！");
            // A QX host cannot take a PX file's registrations: show none of them. The file
            // itself stays current.
            ReloadRegistrationViews("");
        }
        return;
    }
    setWindowTitle(Q(kTitleNotConnected));
    notConnected_ = true;
    windowConnected_ = false;
    link_.CloseHost();
}

void MainWindow::OnDeviceArrival()
{
    qDebug() << Q("HID设备插入！");
    link_.NoteDeviceArrival();
}

void MainWindow::OnDeviceRemoval()
{
    // Any HID device may have gone; the next tick finds the host again if it is still there.
    setWindowTitle(Q(kTitleRemoved));
    windowConnected_ = false;
    link_.SetHostModel(HostModel::None);
    notConnected_ = true;
    detectionTimer_->start(kDetectionIntervalMs);
}

void MainWindow::ClearMonitor()
{
    As<QTextEdit>(Control(1009))->clear();
}

void MainWindow::SetMonitorVisible(bool visible)
{
    const int full = ScaledY(kWindowHeightDlu);
    canvas_->setFixedHeight(visible ? full : full - ScaledY(kMonitorCutDlu));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::MouseButtonPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        bool swallow = false;
        CountGestureClick(event, swallow);
        return swallow;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true; // the window never closes on Esc, Enter never presses a button
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
                monitorHidden_ = false;
                monitorShown_ = true;
            }
            if (shiftToggle_ && monitorShown_) {
                SetMonitorVisible(false);
                monitorShown_ = false;
                monitorHidden_ = true;
            }
        }
        return false;
    default:
        return false;
    }
}

} // namespace px
