#include "gui/main/MainWindowLayout.h"

#include "gui/widgets/CallerGridView.h"
#include "gui/widgets/ReportTableView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <algorithm>
#include <array>

namespace px {

namespace {

using K = ControlKind;
using C = MainControl;

// Frames: the two lists' groups grow downwards, the caller group both ways.
constexpr unsigned kListArea = kGrowHeight;
constexpr unsigned kBelowLists = kMoveDown;
constexpr unsigned kGridArea = kGrowWidth | kGrowHeight;
constexpr unsigned kStrip = kMoveDown | kFirstBand;
constexpr unsigned kStripSecondBand = kMoveDown | kSecondBand;

constexpr ControlSpec kControls[] = {
    // information machines
    {C::InfoMachineGroup, "infoMachineGroup", K::GroupBox, "信息机登记", 3, 4, 121, 284, kListArea,
     0},
    {C::InfoMachineList, "infoMachineList", K::ReportTableView, "", 8, 17, 113, 171, kListArea, 0},
    {C::None, "pagerNumberLabel", K::Label, "传呼号", 7, 196, 24, 8, kBelowLists, 0},
    {C::PagerNumberEdit, "pagerNumberEdit", K::Edit, "", 33, 194, 21, 12, kDigitsOnly | kBelowLists,
     0},
    {C::None, "addressLabel", K::Label, "地址码", 58, 196, 24, 8, kBelowLists, 0},
    {C::AddressEdit, "addressEdit", K::Edit, "", 84, 193, 36, 12, kDigitsOnly | kBelowLists, 7},
    {C::AdvanceAddressCheck, "advanceAddressCheck", K::CheckBox, "地址码自加一", 56, 211, 61, 10,
     kBelowLists, 0},
    {C::None, "receiverTypeLabel", K::Label, "类型", 6, 228, 24, 9, kBelowLists, 0},
    // Choose-only: a typed text would select no entry and store type -1.
    {C::ReceiverTypeCombo, "receiverTypeCombo", K::DropDownList, "", 35, 225, 85, 103, kBelowLists,
     0},
    {C::None, "infoMachineRemarkLabel", K::Label, "备注", 6, 245, 24, 8, kBelowLists, 0},
    {C::InfoMachineRemarkEdit, "infoMachineRemarkEdit", K::Edit, "", 35, 243, 85, 12, kBelowLists,
     0},
    {C::SaveInfoMachineButton, "saveInfoMachineButton", K::Button, "添加&&修改", 13, 264, 45, 17,
     kDisabled | kBelowLists, 0},
    {C::DeleteInfoMachineButton, "deleteInfoMachineButton", K::Button, "删除", 69, 264, 45, 17,
     kDisabled | kBelowLists, 0},
    // handheld callers
    {C::HandheldGroup, "handheldGroup", K::GroupBox, "手持呼叫器登记", 123, 4, 121, 284, kListArea,
     0},
    {C::HandheldList, "handheldList", K::ReportTableView, "", 129, 17, 111, 181, kListArea, 0},
    {C::None, "handheldNumberLabel", K::Label, "编号", 130, 213, 17, 8, kBelowLists, 0},
    {C::HandheldNumberEdit, "handheldNumberEdit", K::Edit, "", 152, 211, 22, 12,
     kDigitsOnly | kBelowLists, 0},
    {C::None, "handheldCodeLabel", K::Label, "特征码", 177, 213, 26, 8, kBelowLists, 0},
    // Hexadecimal, not digits only: codes like 1A2B must be typable (filtered as typed).
    {C::HandheldCodeEdit, "handheldCodeEdit", K::Edit, "", 206, 211, 34, 12, kBelowLists, 4},
    {C::None, "handheldRemarkLabel", K::Label, "备注", 130, 230, 17, 8, kBelowLists, 0},
    {C::HandheldRemarkEdit, "handheldRemarkEdit", K::Edit, "", 152, 228, 88, 12, kBelowLists, 0},
    {C::MadeUpCodeCheck, "madeUpCodeCheck", K::CheckBox, "自动添加特征码", 140, 245, 72, 10,
     kBelowLists, 0},
    {C::SaveHandheldButton, "saveHandheldButton", K::Button, "添加&&修改", 133, 264, 45, 17,
     kDisabled | kBelowLists, 0},
    {C::DeleteHandheldButton, "deleteHandheldButton", K::Button, "删除", 191, 264, 45, 17,
     kDisabled | kBelowLists, 0},
    // manual send
    {C::MessageGroup, "messageGroup", K::GroupBox, "手动发送数据", 3, 289, 241, 62, kBelowLists, 0},
    {C::MessageTargetLabel, "messageTargetLabel", K::Label, "信息机编号:", 10, 304, 45, 8,
     kBelowLists, 0},
    {C::MessagePagerCombo, "messagePagerCombo", K::DropDownList, "", 55, 301, 39, 105, kBelowLists,
     0},
    {C::MessageAddressEdit, "messageAddressEdit", K::Edit, "", 56, 301, 39, 13,
     kDigitsOnly | kHidden | kBelowLists, 0},
    {C::MessageTypeCombo, "messageTypeCombo", K::DropDownList, "", 95, 301, 41, 102,
     kHidden | kDisabled | kBelowLists, 0},
    {C::MessagePolarityCombo, "messagePolarityCombo", K::DropDownList, "", 137, 301, 23, 77,
     kHidden | kBelowLists, 0},
    {C::MessageBaudCombo, "messageBaudCombo", K::DropDownList, "", 159, 301, 32, 72,
     kHidden | kBelowLists, 0},
    {C::SendMessageButton, "sendMessageButton", K::Button, "发送", 198, 300, 39, 14,
     kDisabled | kBelowLists, 0},
    {C::None, "messageTextLabel", K::Label, "呼叫信息:", 18, 320, 37, 8, kBelowLists, 0},
    {C::MessageTextEdit, "messageTextEdit", K::MultiLineEdit, "", 55, 318, 183, 29, kBelowLists, 0},
    // callers
    {C::CallerGroup, "callerGroup", K::GroupBox, "呼叫器登记", 243, 4, 590, 347, kGridArea, 0},
    {C::CallerGrid, "callerGrid", K::Grid, "", 249, 13, 579, 295, kGridArea | kAboveStrip, 0},
    {C::CallerStripFrame, "callerStripFrame", K::GroupBox, "", 243, 308, 513, 43,
     kStrip | kStripFrame, 0},
    {C::ManualModeCheck, "manualModeCheck", K::CheckBox, "手动", 254, 317, 27, 10, kStrip, 0},
    {C::None, "manualCodeLabel", K::Label, "特征码", 290, 318, 24, 8, kStrip, 0},
    {C::ManualCodeEdit, "manualCodeEdit", K::Edit, "", 318, 316, 25, 12, kDisabled | kStrip, 5},
    {C::PlusOneCheck, "plusOneCheck", K::CheckBox, "自加一", 355, 317, 35, 10, kDisabled | kStrip,
     0},
    {C::None, "callerTypeLabel", K::Label, "呼叫器类型", 255, 336, 41, 8, kStrip, 0},
    {C::CallerTypeCombo, "callerTypeCombo", K::DropDownList, "", 299, 333, 89, 96, kStrip, 0},
    {C::RunFrame, "runFrame", K::GroupBox, "手动录次数选择", 408, 318, 78, 29, kStrip, 0},
    {C::RunFromEdit, "runFromEdit", K::Edit, "", 421, 331, 16, 12, kDigitsOnly | kCentred | kStrip,
     0},
    {C::None, "runToLabel", K::Label, "到", 442, 333, 9, 8, kStrip, 0},
    {C::RunToEdit, "runToEdit", K::Edit, "", 458, 331, 16, 12, kDigitsOnly | kCentred | kStrip, 0},
    {C::RegisterCallersButton, "registerCallersButton", K::Button, "自动登记呼叫器", 506, 324, 74,
     22, kDisabled | kStrip, 0},
    {C::None, "callerNumberLabel", K::Label, "呼叫器编号:", 607, 319, 44, 8, kStripSecondBand, 0},
    {C::CallerNumberEdit, "callerNumberEdit", K::Edit, "", 653, 317, 80, 12,
     kDigitsOnly | kStripSecondBand, 5},
    {C::None, "callerNameLabel", K::Label, "呼叫器名称:", 607, 336, 44, 8, kStripSecondBand, 0},
    {C::CallerNameEdit, "callerNameEdit", K::Edit, "", 653, 334, 80, 12, kStripSecondBand, 10},
    // Its text comes with the program's version (MainWindow).
    {C::VersionLabel, "versionLabel", K::Label, "", 767, 339, 62, 8, kStripSecondBand | kMoveRight,
     0},
    // data monitor
    {C::MonitorGroup, "monitorGroup", K::GroupBox, "数据监控", 2, 354, 831, 79,
     kMoveDown | kGrowWidth, 0},
    {C::DataMonitor, "dataMonitor", K::RichEdit, "", 7, 364, 790, 65, kMoveDown | kGrowWidth, 0},
    {C::ClearMonitorButton, "clearMonitorButton", K::DefaultButton, "清除", 801, 364, 27, 64,
     kMoveDown | kMoveRight, 0},
};

constexpr MenuEntry kSeparator = {Command::None, "", ""};

constexpr MenuEntry kFileMenu[] = {
    {Command::NewFile, "newFileAction", "新建"},
    {Command::OpenFile, "openFileAction", "打开"},
    {Command::SaveFileAs, "saveFileAsAction", "另存为..."},
    {Command::DeleteFiles, "deleteFilesAction", "删除"},
    kSeparator,
    // Moving whole set-ups between sites and checking what the host holds.
    {Command::ExportJson, "exportJsonAction", "导出为JSON..."},
    {Command::ImportJson, "importJsonAction", "从JSON导入..."},
    {Command::VerifyWithHost, "verifyWithHostAction", "与主机核对..."},
    kSeparator,
    // Site paperwork.
    {Command::ImportCallerSheet, "importCallerSheetAction", "从表格导入呼叫器..."},
    {Command::ExportCallerSheet, "exportCallerSheetAction", "导出呼叫器到表格..."},
    {Command::PrintSiteSheet, "printSiteSheetAction", "打印站点资料..."},
    kSeparator,
    // Bringing in the sites kept by the classic tool.
    {Command::ImportClassicDatabase, "importClassicDatabaseAction", "导入旧版数据库..."},
    kSeparator,
    {Command::Exit, "exitAction", "退出"},
};
constexpr MenuEntry kSettingsMenu[] = {
    {Command::InitialiseHost, "initialiseHostAction", "初始化主机"},
    {Command::DeviceParams, "deviceParamsAction", "设备参数"},
    {Command::UpgradeFirmware, "upgradeFirmwareAction", "程序升级"},
    {Command::CallerTypes, "callerTypesAction", "呼叫器类型登记"},
    {Command::CalibrateClock, "calibrateClockAction", "信息机校时"},
    {Command::ReceiverAlerts, "receiverAlertsAction", "LW1/2/3"},
    {Command::NetworkParams, "networkParamsAction", "网络参数"},
    {Command::Preamble, "preambleAction", "前导设置"},
};
constexpr MenuEntry kReadBackMenu[] = {
    {Command::ReadVersion, "readVersionAction", "程序版本号"},
    kSeparator,
    {Command::ReadBackInfoMachines, "readBackInfoMachinesAction", "信息机参数"},
    {Command::ReadBackCallers, "readBackCallersAction", "呼叫器参数"},
    {Command::ReadBackHandhelds, "readBackHandheldsAction", "手持呼叫器参数"},
    {Command::ReadBackHandheldSettings, "readBackHandheldSettingsAction", "手持呼叫器设置信息"},
};
constexpr MenuEntry kDownloadMenu[] = {
    {Command::DownloadInfoMachines, "downloadInfoMachinesAction", "信息机参数"},
    {Command::DownloadCallers, "downloadCallersAction", "呼叫器参数"},
    {Command::DownloadHandhelds, "downloadHandheldsAction", "手持呼叫器参数"},
    {Command::DownloadHandheldSettings, "downloadHandheldSettingsAction", "手持呼叫器设置信息"},
};
constexpr std::array<MenuSpec, 4> kMenus = {{
    {"fileMenu", "文件", kFileMenu},
    {"settingsMenu", "系统设置", kSettingsMenu},
    {"readBackMenu", "回读数据", kReadBackMenu},
    {"downloadMenu", "下载数据", kDownloadMenu},
}};

constexpr MenuEntry kGridMenu[] = {
    {Command::DeleteCallerKey, "deleteCallerKeyAction", "删除选中行"},
    {Command::DeleteCallerKeys, "deleteCallerKeysAction", "删除相同特征码"},
    {Command::RefreshGrid, "refreshGridAction", "刷新"},
};

// Controls whose text is a number the user types.
QValidator* DigitsValidator(QObject* parent)
{
    return new QRegularExpressionValidator(QRegularExpression("[0-9]*"), parent);
}

QWidget* MakeWidget(const ControlSpec& spec, QWidget* canvas)
{
    const QString text = QString::fromUtf8(spec.text);
    switch (spec.kind) {
    case K::GroupBox:
        return new QGroupBox(text, canvas);
    case K::ReportTableView:
        return new ReportTableView(canvas);
    case K::Label:
        return new QLabel(text, canvas);
    case K::Edit: {
        auto* edit = new QLineEdit(canvas);
        if (spec.flags & kDigitsOnly)
            edit->setValidator(DigitsValidator(edit));
        if (spec.maxLength > 0)
            edit->setMaxLength(spec.maxLength);
        if (spec.flags & kCentred)
            edit->setAlignment(Qt::AlignCenter);
        return edit;
    }
    case K::CheckBox:
        return new QCheckBox(text, canvas);
    case K::DropDownList: {
        auto* combo = new QComboBox(canvas);
        // The template's height is that of the opened list; the closed box is one line.
        combo->setMaxVisibleItems(std::max(1, (spec.h - 12) / 10));
        return combo;
    }
    case K::Button:
    case K::DefaultButton: {
        auto* button = new QPushButton(text, canvas);
        button->setAutoDefault(false);
        button->setDefault(spec.kind == K::DefaultButton);
        return button;
    }
    case K::MultiLineEdit:
        return new QPlainTextEdit(canvas);
    case K::Grid:
        return new CallerGridView(canvas);
    case K::RichEdit: {
        auto* edit = new QTextEdit(canvas);
        edit->setReadOnly(true);
        edit->setFont(QFont("Monospace", 9));
        return edit;
    }
    }
    return new QWidget(canvas);
}

} // namespace

std::span<const ControlSpec> MainWindowControls()
{
    return kControls;
}

std::span<const MenuSpec> MainWindowMenus()
{
    return kMenus;
}

std::span<const MenuEntry> CallerGridContextMenu()
{
    return kGridMenu;
}

MainControls::MainControls(QWidget* canvas, double scale) : scale_(scale)
{
    for (const ControlSpec& spec : MainWindowControls()) {
        QWidget* widget = MakeWidget(spec, canvas);
        // A drop-down list is one line high however long its opened list is.
        const int height = spec.kind == K::DropDownList ? 12 : spec.h;
        QRect place = Scaled(spec.x, spec.y, spec.w, height);
        // Qt's check marks take more room than the template allowed for; never cut a text.
        if (spec.kind == K::CheckBox || spec.kind == K::Label)
            place.setWidth(std::max(place.width(), widget->sizeHint().width()));
        widget->setGeometry(place);
        widget->setObjectName(QString::fromUtf8(spec.name));
        if (spec.flags & kDisabled)
            widget->setEnabled(false);
        if (spec.flags & kHidden)
            widget->hide();
        if (spec.id != MainControl::None)
            widgets_[spec.id] = widget;
        placed_.push_back({widget, place, spec.flags, spec.id});
    }
}

QWidget* MainControls::Widget(MainControl id) const
{
    const auto it = widgets_.find(id);
    return it != widgets_.end() ? it->second : nullptr;
}

QRect MainControls::Scaled(int x, int y, int w, int h) const
{
    const auto s = [this](int v) { return static_cast<int>(v * scale_ + 0.5); };
    return QRect(s(x), s(y), s(w), s(h));
}

void MainControls::Stretch(int extraWidth, int extraHeight)
{
    const QRect narrowest = Scaled(0, 0, kNarrowWindowWidthDlu - kWindowWidthDlu, 0);
    const int dx = std::max(extraWidth, narrowest.width());
    const int dy = std::max(extraHeight, 0);
    // Narrower than the template, the caller strip no longer fits in one band.
    const bool twoBands = dx < 0;
    const QRect band = Scaled(kSecondBandShiftDlu, kSecondBandHeightDlu, 0, 0);
    const auto group = std::find_if(placed_.begin(), placed_.end(),
                                    [](const Placed& p) { return p.id == C::CallerGroup; });
    const int groupRight = group != placed_.end() ? group->place.right() + dx : 0;
    for (const Placed& p : placed_) {
        QRect place = p.place;
        if (p.flags & kMoveRight)
            place.translate(dx, 0);
        if (p.flags & kMoveDown)
            place.translate(0, dy);
        if (p.flags & kGrowWidth)
            place.setWidth(place.width() + dx);
        if (p.flags & kGrowHeight)
            place.setHeight(place.height() + dy);
        if (twoBands) {
            if (p.flags & kFirstBand)
                place.translate(0, -band.y());
            if (p.flags & kStripFrame) {
                place.setHeight(place.height() + band.y());
                place.setRight(groupRight);
            }
            if (p.flags & kAboveStrip)
                place.setHeight(place.height() - band.y());
            // Under the start of the strip, wherever the window's width would put it.
            if (p.flags & kSecondBand)
                place.translate(-band.x() - ((p.flags & kMoveRight) ? dx : 0), 0);
        }
        p.widget->setGeometry(place);
    }
}

} // namespace px
