#include "gui/settings/DeviceParamsDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

DeviceParamsDialog::DeviceParamsDialog(const MachineParams& values, SettingsHost& host,
                                       const Profile& profile, Prompter& prompter, Database& db,
                                       QWidget* parent)
    : QDialog(parent), values_(values), host_(host), profile_(profile), prompter_(prompter),
      database_(db)
{
    setWindowTitle(QText("设备参数"));

    using P = MachineParams;
    auto* form = new QFormLayout;
    form->addRow(QText("房间号开关"), fields_.Check(new QCheckBox(QText("启用")), 1011, &P::room));
    form->addRow(QText("监控功能"),
                 fields_.Index(FillCombo(new QComboBox, kMonitoringNames), 1012, &P::monitoring));
    form->addRow(QText("监控接收机编号"), fields_.Edit(new QLineEdit, 1001, &P::receiver));
    form->addRow(QText("追呼设置"),
                 fields_.Check(new QCheckBox(QText("开启")), 1013, &P::escalation));
    form->addRow(QText("信息机追呼间隔"), fields_.Edit(new QLineEdit, 1017, &P::interval1));
    form->addRow(QText("信息机追呼次数"), fields_.Edit(new QLineEdit, 1019, &P::count1));
    form->addRow(QText("中级主管追呼间隔"), fields_.Edit(new QLineEdit, 1020, &P::interval2));
    form->addRow(QText("中级主管追呼次数"), fields_.Edit(new QLineEdit, 1021, &P::count2));
    form->addRow(QText("发射模式"),
                 fields_.Index(FillCombo(new QComboBox, kTransmitModeNames), 1018, &P::mode));

    auto* buttons = ButtonRow(
        {DialogButton("写入", 1, this, [this] { OnWrite(kWriteParameters); }),
         DialogButton("回读", 3, this, [this] { OnReadBack(ParamReadBack::MachineParameters); }),
         DialogButton("退出", 2, this, &QDialog::reject)});

    frequencyGroup_ = new QGroupBox(QText("频率设置"));
    auto* frequencyForm = new QFormLayout(frequencyGroup_);
    frequencyForm->addRow(QText("发射频率"), fields_.Edit(new QLineEdit, 1015, &P::txFrequency));
    frequencyForm->addRow(QText("接收频率"), fields_.Edit(new QLineEdit, 1016, &P::rxFrequency));
    frequencyForm->addRow(ButtonRow(
        {DialogButton("写入", 1039, this, [this] { OnWrite(kWriteFrequencies); }),
         DialogButton("回读", 1040, this, [this] { OnReadBack(ParamReadBack::Frequencies); })}));

    using R = ReceiverTypeRates;
    typeGroup_ = new QGroupBox(QText("信息机类型"));
    auto* types = new QGridLayout(typeGroup_);
    types->addWidget(new QLabel(QText("数字")), 0, 0);
    types->addWidget(rates_.Index(FillCombo(new QComboBox, kBaudRateNames), 1050, &R::numericRate),
                     0, 1);
    types->addWidget(
        rates_.Index(FillCombo(new QComboBox, kPolarityNames), 1046, &R::numericPolarity), 0, 2);
    types->addWidget(new QLabel(QText("字符")), 1, 0);
    types->addWidget(rates_.Index(FillCombo(new QComboBox, kBaudRateNames), 1047, &R::charRate), 1,
                     1);
    types->addWidget(rates_.Index(FillCombo(new QComboBox, kPolarityNames), 1048, &R::charPolarity),
                     1, 2);
    types->addWidget(DialogButton("保存", 1045, this, &DeviceParamsDialog::OnSaveTypes), 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(frequencyGroup_);
    layout->addWidget(typeGroup_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    fields_.Show(values_);
    // Tab in reading order, placed with every section shown, so that it holds when the
    // hidden sections are shown.
    OrderTabsByPlace(this);
    frequencyGroup_->setVisible(false);
    typeGroup_->setVisible(false);
    // Without the database the lists stay without a selection.
    rates_.Show(LoadReceiverTypeRates(database_).value_or(ReceiverTypeRates{}));

    // The gesture counts clicks on any control of the dialog, so it watches them all.
    qApp->installEventFilter(this);
}

DeviceParamsDialog::~DeviceParamsDialog()
{
    qApp->removeEventFilter(this);
}

bool DeviceParamsDialog::SectionsShown() const
{
    return !frequencyGroup_->isHidden();
}

bool DeviceParamsDialog::TakeControls(MachineParams& p)
{
    if (!fields_.Take(prompter_, p))
        return false;
    // A list left without a selection (after a read-back of an unknown value) is refused too.
    const std::string prompt = CheckMachineParams(p);
    if (!prompt.empty()) {
        prompter_.Message(prompt, {}, MessageIcon::Warning);
        return false;
    }
    return true;
}

void DeviceParamsDialog::OnWrite(Action action)
{
    MachineParams p = values_;
    if (!TakeControls(p))
        return;
    values_ = p;
    action_ = action;
    accept();
}

void DeviceParamsDialog::OnReadBack(ParamReadBack kind)
{
    action_ = kind == ParamReadBack::Frequencies ? kWriteFrequencies : kWriteParameters;
    const Reading<Bytes> read = host_.ReadBackParams(kind);
    read.notices.ShowWith(prompter_);
    if (!read.value)
        return;
    const Bytes& record = *read.value;
    // What was not read comes from the profile, not from the screen.
    const MachineParams remembered = LoadMachineParams(profile_);
    const auto shown = kind == ParamReadBack::Frequencies
                           ? DecodeFrequencyRecord(record, remembered)
                           : DecodeMachineRecord(record, remembered);
    if (shown)
        fields_.Show(*shown);
}

void DeviceParamsDialog::OnSaveTypes()
{
    ReceiverTypeRates rates;
    rates_.Take(prompter_, rates);
    SaveReceiverTypeRates(database_, rates);
}

void DeviceParamsDialog::ToggleSections()
{
    const bool show = !SectionsShown();
    frequencyGroup_->setVisible(show);
    typeGroup_->setVisible(show);
}

bool DeviceParamsDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    const bool ours = widget != nullptr && (widget == this || isAncestorOf(widget));
    if (!ours)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier)) {
            if (++gestureClicks_ >= kGestureClicks) {
                gestureClicks_ = 0;
                ToggleSections();
            }
        }
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter)
            return true; // only the buttons close this dialog
    }
    return QDialog::eventFilter(watched, event);
}

void RunDeviceParamsCommand(HostExchange& exchange, Profile& profile, Database& db,
                            Prompter& prompter, QWidget* parent,
                            const ExchangeSettingsHost::ReadBackNotice& notice)
{
    ExchangeSettingsHost host(exchange, notice);
    DeviceParamsDialog dialog(LoadMachineParams(profile), host, profile, prompter, db, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Outcome written = dialog.ChosenAction() == DeviceParamsDialog::kWriteFrequencies
                                ? WriteFrequencies(exchange, profile, dialog.Values())
                                : WriteMachineParameters(exchange, profile, dialog.Values());
    written.notices.ShowWith(prompter);
}

} // namespace px
