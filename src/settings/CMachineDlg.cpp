#include "settings/CMachineDlg.h"

#include "settings/SettingsWidgets.h"

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

namespace {

QComboBox* BaudCombo(int id)
{
    return WithId(
        FillCombo(new QComboBox, {kBaudRateNames[0], kBaudRateNames[1], kBaudRateNames[2]}), id);
}

QComboBox* PolarityCombo(int id)
{
    return WithId(FillCombo(new QComboBox, {kPolarityNames[0], kPolarityNames[1]}), id);
}

QPushButton* Button(const char* text, int id)
{
    auto* button = WithId(new QPushButton(QString::fromUtf8(text)), id);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CMachineDlg::CMachineDlg(const MachineParams& values, SettingsHost& host, const Profile& profile,
                         Prompter& prompter, Database& db, QWidget* parent)
    : QDialog(parent), values_(values), host_(host), profile_(profile), prompter_(prompter),
      database_(db)
{
    setWindowTitle(QString::fromUtf8("设备参数"));

    room_ = WithId(new QCheckBox(QString::fromUtf8("启用")), 1011);
    monitoring_ = WithId(FillCombo(new QComboBox, {kMonitoringNames[0], kMonitoringNames[1],
                                                   kMonitoringNames[2], kMonitoringNames[3]}),
                         1012);
    receiver_ = WithId(new QLineEdit, 1001);
    escalation_ = WithId(new QCheckBox(QString::fromUtf8("开启")), 1013);
    interval1_ = WithId(new QLineEdit, 1017);
    count1_ = WithId(new QLineEdit, 1019);
    interval2_ = WithId(new QLineEdit, 1020);
    count2_ = WithId(new QLineEdit, 1021);
    mode_ = WithId(FillCombo(new QComboBox, {kTransmitModeNames[0], kTransmitModeNames[1]}), 1018);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("房间号开关"), room_);
    form->addRow(QString::fromUtf8("监控功能"), monitoring_);
    form->addRow(QString::fromUtf8("监控接收机编号"), receiver_);
    form->addRow(QString::fromUtf8("追呼设置"), escalation_);
    form->addRow(QString::fromUtf8("信息机追呼间隔"), interval1_);
    form->addRow(QString::fromUtf8("信息机追呼次数"), count1_);
    form->addRow(QString::fromUtf8("中级主管追呼间隔"), interval2_);
    form->addRow(QString::fromUtf8("中级主管追呼次数"), count2_);
    form->addRow(QString::fromUtf8("发射模式"), mode_);

    auto* write = Button("写入", 1);
    auto* readBack = Button("回读", 3);
    auto* exit = Button("退出", 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(readBack);
    buttons->addWidget(exit);

    frequencyGroup_ = new QGroupBox(QString::fromUtf8("频率设置"));
    txFrequency_ = WithId(new QLineEdit, 1015);
    rxFrequency_ = WithId(new QLineEdit, 1016);
    auto* writeFrequencies = Button("写入", 1039);
    auto* readFrequencies = Button("回读", 1040);
    auto* frequencyForm = new QFormLayout(frequencyGroup_);
    frequencyForm->addRow(QString::fromUtf8("发射频率"), txFrequency_);
    frequencyForm->addRow(QString::fromUtf8("接收频率"), rxFrequency_);
    auto* frequencyButtons = new QHBoxLayout;
    frequencyButtons->addStretch();
    frequencyButtons->addWidget(writeFrequencies);
    frequencyButtons->addWidget(readFrequencies);
    frequencyForm->addRow(frequencyButtons);

    typeGroup_ = new QGroupBox(QString::fromUtf8("信息机类型"));
    numericRate_ = BaudCombo(1050);
    numericPolarity_ = PolarityCombo(1046);
    charRate_ = BaudCombo(1047);
    charPolarity_ = PolarityCombo(1048);
    auto* save = Button("保存", 1045);
    auto* types = new QGridLayout(typeGroup_);
    types->addWidget(new QLabel(QString::fromUtf8("数字")), 0, 0);
    types->addWidget(numericRate_, 0, 1);
    types->addWidget(numericPolarity_, 0, 2);
    types->addWidget(new QLabel(QString::fromUtf8("字符")), 1, 0);
    types->addWidget(charRate_, 1, 1);
    types->addWidget(charPolarity_, 1, 2);
    types->addWidget(save, 2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addWidget(frequencyGroup_);
    layout->addWidget(typeGroup_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowValues(values_);
    frequencyGroup_->setVisible(false);
    typeGroup_->setVisible(false);

    for (QComboBox* combo : {numericRate_, numericPolarity_, charRate_, charPolarity_})
        combo->setCurrentIndex(-1);
    if (const auto rates = LoadReceiverTypeRates(database_)) {
        SelectIndex(numericRate_, rates->numericRate);
        SelectIndex(numericPolarity_, rates->numericPolarity);
        SelectIndex(charRate_, rates->charRate);
        SelectIndex(charPolarity_, rates->charPolarity);
    }

    connect(write, &QPushButton::clicked, this, [this] { OnWrite(kWriteParameters); });
    connect(writeFrequencies, &QPushButton::clicked, this, [this] { OnWrite(kWriteFrequencies); });
    connect(readBack, &QPushButton::clicked, this,
            [this] { OnReadBack(ParamReadBack::MachineParameters); });
    connect(readFrequencies, &QPushButton::clicked, this,
            [this] { OnReadBack(ParamReadBack::Frequencies); });
    connect(save, &QPushButton::clicked, this, &CMachineDlg::OnSaveTypes);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);

    // The gesture counts clicks on any control of the dialog, so it watches them all.
    qApp->installEventFilter(this);
}

CMachineDlg::~CMachineDlg()
{
    qApp->removeEventFilter(this);
}

bool CMachineDlg::SectionsShown() const
{
    return !frequencyGroup_->isHidden();
}

void CMachineDlg::ShowValues(const MachineParams& p)
{
    txFrequency_->setText(QString::number(p.txFrequency));
    rxFrequency_->setText(QString::number(p.rxFrequency));
    room_->setChecked(p.room != 0);
    SelectIndex(monitoring_, p.monitoring);
    receiver_->setText(QString::number(p.receiver));
    escalation_->setChecked(p.escalation != 0);
    interval1_->setText(QString::number(p.interval1));
    count1_->setText(QString::number(p.count1));
    interval2_->setText(QString::number(p.interval2));
    count2_->setText(QString::number(p.count2));
    SelectIndex(mode_, p.mode);
}

bool CMachineDlg::TakeControls(MachineParams& p)
{
    p.room = room_->isChecked() ? 1 : 0;
    p.escalation = escalation_->isChecked() ? 1 : 0;
    p.monitoring = monitoring_->currentIndex();
    p.mode = mode_->currentIndex();
    const bool fields = TakeInteger(prompter_, receiver_, kReceiverRange, p.receiver) &&
                        TakeInteger(prompter_, interval1_, kEscalationIntervalRange, p.interval1) &&
                        TakeInteger(prompter_, count1_, kEscalationCountRange, p.count1) &&
                        TakeInteger(prompter_, interval2_, kEscalationIntervalRange, p.interval2) &&
                        TakeInteger(prompter_, count2_, kEscalationCountRange, p.count2) &&
                        TakeInteger(prompter_, txFrequency_, kFrequencyRange, p.txFrequency) &&
                        TakeInteger(prompter_, rxFrequency_, kFrequencyRange, p.rxFrequency);
    if (!fields)
        return false;
    // A list left without a selection (after a read-back of an unknown value) is refused too.
    const std::string prompt = CheckMachineParams(p);
    if (!prompt.empty()) {
        prompter_.Message(prompt, {}, MessageIcon::Warning);
        return false;
    }
    return true;
}

void CMachineDlg::OnWrite(Action action)
{
    MachineParams p = values_;
    if (!TakeControls(p))
        return;
    values_ = p;
    action_ = action;
    accept();
}

void CMachineDlg::OnReadBack(ParamReadBack kind)
{
    action_ = kind == ParamReadBack::Frequencies ? kWriteFrequencies : kWriteParameters;
    const auto record = host_.ReadBackParams(kind);
    if (!record)
        return;
    // What was not read comes from the profile, not from the screen.
    const MachineParams remembered = LoadMachineParams(profile_);
    if (kind == ParamReadBack::Frequencies) {
        const auto frequencies = DecodeFrequencyRecord(*record);
        if (!frequencies)
            return;
        MachineParams shown = remembered;
        shown.txFrequency = frequencies->tx;
        shown.rxFrequency = frequencies->rx;
        ShowValues(shown);
        return;
    }
    if (const auto shown = DecodeMachineRecord(*record, remembered))
        ShowValues(*shown);
}

void CMachineDlg::OnSaveTypes()
{
    SaveReceiverTypeRates(database_,
                          {numericRate_->currentIndex(), numericPolarity_->currentIndex(),
                           charRate_->currentIndex(), charPolarity_->currentIndex()});
}

void CMachineDlg::ToggleSections()
{
    const bool show = !SectionsShown();
    frequencyGroup_->setVisible(show);
    typeGroup_->setVisible(show);
}

bool CMachineDlg::eventFilter(QObject* watched, QEvent* event)
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

void RunMachineCommand(HostExchange& exchange, Profile& profile,
                       Database& db, QWidget* parent)
{
    ExchangeSettingsHost host(exchange);
    CMachineDlg dialog(LoadMachineParams(profile), host, profile, exchange.GetPrompter(),
                       db, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.ChosenAction() == CMachineDlg::kWriteFrequencies)
        WriteFrequencies(exchange, profile, dialog.Values());
    else
        WriteMachineParameters(exchange, profile, dialog.Values());
}

} // namespace px
