#include "settings/CLW123Dlg.h"

#include "settings/SettingsWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

QComboBox* CountCombo(int id)
{
    auto* combo = WithId(new QComboBox, id);
    for (int i = 0; i <= 9; ++i)
        combo->addItem(QString::number(i));
    return combo;
}

QComboBox* IntervalCombo(int id)
{
    auto* combo = WithId(new QComboBox, id);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i <= 99; ++i)
        combo->addItem(QString::number(i));
    return combo;
}

QPushButton* Button(const char* text, int id)
{
    auto* button = WithId(new QPushButton(QString::fromUtf8(text)), id);
    button->setAutoDefault(false);
    return button;
}

int MethodOf(const std::array<QCheckBox*, 3>& boxes)
{
    return (boxes[0]->isChecked() ? kAlertVibrate : 0) | (boxes[1]->isChecked() ? kAlertRing : 0) |
           (boxes[2]->isChecked() ? kAlertLight : 0);
}

// A method the boxes cannot show leaves them as they are.
void ShowMethod(const std::array<QCheckBox*, 3>& boxes, int method)
{
    if (!kAlertMethodRange.Contains(method))
        return;
    boxes[0]->setChecked((method & kAlertVibrate) != 0);
    boxes[1]->setChecked((method & kAlertRing) != 0);
    boxes[2]->setChecked((method & kAlertLight) != 0);
}

void ShowInterval(QComboBox* combo, int interval)
{
    const int index = combo->findText(QString::number(interval));
    if (index >= 0)
        combo->setCurrentIndex(index);
    combo->setEditText(QString::number(interval));
}

} // namespace

CLW123Dlg::CLW123Dlg(const Lw3Settings& lw3, const Lw21Settings& lw21, SettingsHost& host,
                     const Profile& profile, Prompter& prompter, QWidget* parent)
    : QDialog(parent), lw3_(lw3), lw21_(lw21), host_(host), profile_(profile), prompter_(prompter)
{
    setWindowTitle(QString::fromUtf8("LW1/2/3设置"));

    shake_ = CountCombo(1056);
    ring_ = CountCombo(1013);
    shine_ = CountCombo(1014);
    interval_ = IntervalCombo(1015);
    lw3Methods_ = {WithId(new QCheckBox(QString::fromUtf8("震动提示")), 1011),
                   WithId(new QCheckBox(QString::fromUtf8("铃音提示")), 1012),
                   WithId(new QCheckBox(QString::fromUtf8("彩灯提示")), 1017)};
    count_ = CountCombo(1057);
    interval21_ = IntervalCombo(1021);
    lw21Methods_ = {WithId(new QCheckBox(QString::fromUtf8("震动提示")), 1018),
                    WithId(new QCheckBox(QString::fromUtf8("铃音提示")), 1019),
                    WithId(new QCheckBox(QString::fromUtf8("彩铃提示")), 1022)};
    auto* writeLw3 = Button("写入", 1058);
    auto* readLw3 = Button("读取", 1050);
    auto* writeLw21 = Button("写入", 1051);
    auto* readLw21 = Button("读取", 1052);
    auto* ok = Button("确定", 1);
    auto* cancel = Button("取消", 2);

    auto* lw3Group = new QGroupBox("LW3");
    auto* lw3Form = new QFormLayout(lw3Group);
    lw3Form->addRow(QString::fromUtf8("震动提示次数"), shake_);
    lw3Form->addRow(QString::fromUtf8("铃音提示次数"), ring_);
    lw3Form->addRow(QString::fromUtf8("彩灯提示次数"), shine_);
    lw3Form->addRow(QString::fromUtf8("提示间隔"), interval_);
    auto* lw3Boxes = new QHBoxLayout;
    for (QCheckBox* box : lw3Methods_)
        lw3Boxes->addWidget(box);
    lw3Form->addRow(lw3Boxes);
    auto* lw3Buttons = new QHBoxLayout;
    lw3Buttons->addStretch();
    lw3Buttons->addWidget(writeLw3);
    lw3Buttons->addWidget(readLw3);
    lw3Form->addRow(lw3Buttons);

    auto* lw21Group = new QGroupBox("LW2/LW1");
    auto* lw21Form = new QFormLayout(lw21Group);
    lw21Form->addRow(QString::fromUtf8("提示次数"), count_);
    lw21Form->addRow(QString::fromUtf8("提示间隔"), interval21_);
    auto* lw21Boxes = new QHBoxLayout;
    for (QCheckBox* box : lw21Methods_)
        lw21Boxes->addWidget(box);
    lw21Form->addRow(lw21Boxes);
    auto* lw21Buttons = new QHBoxLayout;
    lw21Buttons->addStretch();
    lw21Buttons->addWidget(writeLw21);
    lw21Buttons->addWidget(readLw21);
    lw21Form->addRow(lw21Buttons);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lw3Group);
    layout->addWidget(lw21Group);
    layout->addLayout(buttons);

    ShowLw3(lw3_);
    ShowLw21(lw21_);

    connect(writeLw3, &QPushButton::clicked, this, &CLW123Dlg::OnWriteLw3);
    connect(writeLw21, &QPushButton::clicked, this, &CLW123Dlg::OnWriteLw21);
    connect(readLw3, &QPushButton::clicked, this, &CLW123Dlg::OnReadLw3);
    connect(readLw21, &QPushButton::clicked, this, &CLW123Dlg::OnReadLw21);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CLW123Dlg::ShowLw3(const Lw3Settings& s)
{
    SelectIndex(shake_, s.shake);
    SelectIndex(ring_, s.ring);
    SelectIndex(shine_, s.shine);
    ShowInterval(interval_, s.interval);
    ShowMethod(lw3Methods_, s.method);
}

void CLW123Dlg::ShowLw21(const Lw21Settings& s)
{
    SelectIndex(count_, s.count);
    ShowInterval(interval21_, s.interval);
    ShowMethod(lw21Methods_, s.method);
}

void CLW123Dlg::OnWriteLw3()
{
    Lw3Settings s;
    if (!TakeInteger(prompter_, shake_, kAlertCountRange, s.shake) ||
        !TakeInteger(prompter_, ring_, kAlertCountRange, s.ring) ||
        !TakeInteger(prompter_, shine_, kAlertCountRange, s.shine) ||
        !TakeInteger(prompter_, interval_, kAlertIntervalRange, s.interval))
        return;
    s.method = MethodOf(lw3Methods_);
    lw3_ = s;
    kind_ = kLw3;
    accept();
}

void CLW123Dlg::OnWriteLw21()
{
    Lw21Settings s;
    if (!TakeInteger(prompter_, count_, kAlertCountRange, s.count) ||
        !TakeInteger(prompter_, interval21_, kAlertIntervalRange, s.interval))
        return;
    s.method = MethodOf(lw21Methods_);
    lw21_ = s;
    kind_ = kLw21;
    accept();
}

void CLW123Dlg::OnReadLw3()
{
    kind_ = kLw3;
    const auto record = host_.ReadBackParams(ParamReadBack::Lw3);
    const auto read = record ? DecodeLw3Record(*record) : std::nullopt;
    if (!read)
        return;
    ShowLw3(*read);
    ShowLw21(LoadLw21Settings(profile_));
}

void CLW123Dlg::OnReadLw21()
{
    kind_ = kLw21;
    const auto record = host_.ReadBackParams(ParamReadBack::Lw21);
    const auto read = record ? DecodeLw21Record(*record) : std::nullopt;
    if (!read)
        return;
    ShowLw21(*read);
    ShowLw3(LoadLw3Settings(profile_));
}

void RunAlertCommand(HostExchange& exchange, Profile& profile, QWidget* parent)
{
    ExchangeSettingsHost host(exchange);
    CLW123Dlg dialog(LoadLw3Settings(profile), LoadLw21Settings(profile), host, profile,
                     exchange.GetPrompter(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.LastKind() == CLW123Dlg::kLw3)
        WriteLw3Settings(exchange, profile, dialog.Lw3Values());
    else if (dialog.LastKind() == CLW123Dlg::kLw21)
        WriteLw21Settings(exchange, profile, dialog.Lw21Values());
}

} // namespace px
