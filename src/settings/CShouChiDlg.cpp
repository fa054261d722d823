#include "settings/CShouChiDlg.h"

#include "settings/SettingsWidgets.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

QLineEdit* TextEdit(int id, const std::string& text)
{
    auto* edit = WithId(new QLineEdit(QString::fromStdString(text)), id);
    edit->setMaxLength(static_cast<int>(kHandheldTextBytes));
    return edit;
}

QCheckBox* Check(const char* text, int id, bool checked)
{
    auto* box = WithId(new QCheckBox(QString::fromUtf8(text)), id);
    box->setChecked(checked);
    return box;
}

QGroupBox* ModeGroup(const char* title, QCheckBox* on, QCheckBox* number, QLineEdit* prefix,
                     QLineEdit* suffix)
{
    auto* group = new QGroupBox(QString::fromUtf8(title));
    auto* form = new QFormLayout(group);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(on);
    boxes->addWidget(number);
    form->addRow(boxes);
    form->addRow(QString::fromUtf8("信息前缀"), prefix);
    form->addRow(QString::fromUtf8("信息后缀"), suffix);
    return group;
}

} // namespace

CShouChiDlg::CShouChiDlg(const HandheldSettings& values, Prompter& prompter, QWidget* parent)
    : QDialog(parent), values_(values), prompter_(prompter)
{
    setWindowTitle(QString::fromUtf8("手持呼叫器设置信息"));
    hurry_ = Check("开启催菜模式", 1011, values.hurry.enabled);
    hurryNumber_ = Check("开启数字转中文", 1012, values.hurry.numberToChinese);
    hurryPrefix_ = TextEdit(1010, values.hurry.prefix);
    hurrySuffix_ = TextEdit(1013, values.hurry.suffix);
    dispatch_ = Check("开启调度模式", 1014, values.dispatch.enabled);
    dispatchNumber_ = Check("开启数字转中文", 1016, values.dispatch.numberToChinese);
    dispatchPrefix_ = TextEdit(1015, values.dispatch.prefix);
    dispatchSuffix_ = TextEdit(1017, values.dispatch.suffix);

    auto* write = WithId(new QPushButton(QString::fromUtf8("写入")), 1);
    auto* exit = WithId(new QPushButton(QString::fromUtf8("退出")), 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(write);
    buttons->addWidget(exit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ModeGroup("催菜模式", hurry_, hurryNumber_, hurryPrefix_, hurrySuffix_));
    layout->addWidget(
        ModeGroup("调度模式", dispatch_, dispatchNumber_, dispatchPrefix_, dispatchSuffix_));
    layout->addLayout(buttons);

    connect(write, &QPushButton::clicked, this, &CShouChiDlg::OnWrite);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
}

void CShouChiDlg::OnWrite()
{
    HandheldSettings s;
    s.hurry = {hurry_->isChecked(), hurryNumber_->isChecked(), Utf8(hurryPrefix_->text()),
               Utf8(hurrySuffix_->text())};
    s.dispatch = {dispatch_->isChecked(), dispatchNumber_->isChecked(),
                  Utf8(dispatchPrefix_->text()), Utf8(dispatchSuffix_->text())};
    const std::string problem = CheckHandheldSettings(s);
    if (!problem.empty()) {
        prompter_.Message(problem, {}, MessageIcon::Warning);
        return;
    }
    values_ = s;
    accept();
}

void RunHandheldSettingsDownload(HostExchange& exchange, Profile& profile, QWidget* parent)
{
    CShouChiDlg dialog(LoadHandheldSettings(profile), exchange.GetPrompter(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DownloadHandheldSettings(exchange, profile, dialog.Values());
}

void RunHandheldSettingsReadBack(HostExchange& exchange, QWidget* parent)
{
    const auto settings = ReadBackHandheldSettings(exchange);
    if (!settings)
        return;
    // For viewing only: whichever button closes it, nothing is sent or remembered.
    CShouChiDlg dialog(*settings, exchange.GetPrompter(), parent);
    dialog.exec();
}

} // namespace px
