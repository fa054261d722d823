#include "gui/settings/ReceiverAlertsDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

QComboBox* NumberCombo(int last, bool editable)
{
    auto* combo = new QComboBox;
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 0; i <= last; ++i)
        combo->addItem(QString::number(i));
    return combo;
}

struct Labelled
{
    const char* text;
    int id;
};

// One model group: its counts, its interval, its three method boxes (vibrate, ring, light) and
// its write and read buttons.
template <typename Settings>
QGroupBox* AlertGroup(const char* title, FieldControls<Settings>& fields,
                      std::initializer_list<std::pair<Labelled, int Settings::*>> counts,
                      int intervalId, std::initializer_list<Labelled> methods,
                      std::initializer_list<QWidget*> buttons)
{
    auto* group = new QGroupBox(title);
    auto* form = new QFormLayout(group);
    for (const auto& [count, member] : counts)
        form->addRow(QText(count.text), fields.Number(NumberCombo(9, false), count.id, member));
    form->addRow(QText("提示间隔"),
                 fields.Number(NumberCombo(99, true), intervalId, &Settings::interval));
    std::vector<QCheckBox*> boxes;
    auto* boxRow = new QHBoxLayout;
    for (const Labelled& method : methods) {
        boxes.push_back(WithId(new QCheckBox(QText(method.text)), method.id));
        boxRow->addWidget(boxes.back());
    }
    fields.Bits(boxes, &Settings::method);
    form->addRow(boxRow);
    form->addRow(ButtonRow(buttons));
    return group;
}

} // namespace

ReceiverAlertsDialog::ReceiverAlertsDialog(const Lw3Settings& lw3, const Lw21Settings& lw21,
                                           SettingsHost& host, const Profile& profile,
                                           Prompter& prompter, QWidget* parent)
    : QDialog(parent), lw3_(lw3), lw21_(lw21), host_(host), profile_(profile), prompter_(prompter)
{
    setWindowTitle(QText("LW1/2/3设置"));

    auto* lw3Group = AlertGroup("LW3", lw3Fields_,
                                {{{"震动提示次数", 1056}, &Lw3Settings::shake},
                                 {{"铃音提示次数", 1013}, &Lw3Settings::ring},
                                 {{"彩灯提示次数", 1014}, &Lw3Settings::shine}},
                                1015, {{"震动提示", 1011}, {"铃音提示", 1012}, {"彩灯提示", 1017}},
                                {DialogButton("写入", 1058, this, [this] { OnWrite(kLw3); }),
                                 DialogButton("读取", 1050, this, [this] { OnRead(kLw3); })});
    auto* lw21Group =
        AlertGroup("LW2/LW1", lw21Fields_, {{{"提示次数", 1057}, &Lw21Settings::count}}, 1021,
                   {{"震动提示", 1018}, {"铃音提示", 1019}, {"彩铃提示", 1022}},
                   {DialogButton("写入", 1051, this, [this] { OnWrite(kLw21); }),
                    DialogButton("读取", 1052, this, [this] { OnRead(kLw21); })});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lw3Group);
    layout->addWidget(lw21Group);
    layout->addLayout(ButtonRow({DialogButton("确定", 1, this, &QDialog::accept),
                                 DialogButton("取消", 2, this, &QDialog::reject)}));

    lw3Fields_.Show(lw3_);
    lw21Fields_.Show(lw21_);
    OrderTabsByPlace(this);
}

void ReceiverAlertsDialog::OnWrite(Kind kind)
{
    Lw3Settings lw3;
    Lw21Settings lw21;
    const bool taken =
        kind == kLw3 ? lw3Fields_.Take(prompter_, lw3) : lw21Fields_.Take(prompter_, lw21);
    if (!taken)
        return;
    if (kind == kLw3)
        lw3_ = lw3;
    else
        lw21_ = lw21;
    kind_ = kind;
    accept();
}

void ReceiverAlertsDialog::OnRead(Kind kind)
{
    kind_ = kind;
    const Reading<Bytes> read =
        host_.ReadBackParams(kind == kLw3 ? ParamReadBack::Lw3 : ParamReadBack::Lw21);
    read.notices.ShowWith(prompter_);
    if (!read.value)
        return;
    // The other group shows what the profile remembers, not what was on the screen.
    const auto lw3 = kind == kLw3 ? DecodeLw3Record(*read.value) : LoadLw3Settings(profile_);
    const auto lw21 = kind == kLw21 ? DecodeLw21Record(*read.value) : LoadLw21Settings(profile_);
    if (!lw3 || !lw21)
        return;
    lw3Fields_.Show(*lw3);
    lw21Fields_.Show(*lw21);
}

void RunReceiverAlertsCommand(HostExchange& exchange, Profile& profile, Prompter& prompter,
                              QWidget* parent, const ExchangeSettingsHost::ReadBackNotice& notice)
{
    ExchangeSettingsHost host(exchange, notice);
    ReceiverAlertsDialog dialog(LoadLw3Settings(profile), LoadLw21Settings(profile), host, profile,
                                prompter, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (dialog.LastKind() == ReceiverAlertsDialog::kLw3)
        WriteLw3Settings(exchange, profile, dialog.Lw3Values()).notices.ShowWith(prompter);
    else if (dialog.LastKind() == ReceiverAlertsDialog::kLw21)
        WriteLw21Settings(exchange, profile, dialog.Lw21Values()).notices.ShowWith(prompter);
}

} // namespace px
