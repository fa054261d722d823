#include "gui/settings/HandheldSettingsDialog.h"

#include "gui/widgets/TabOrder.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace px {

namespace {

// How each mode of kHandheldModes is shown, with the classic ids of its switch, its
// number-to-Chinese switch, its prefix and its suffix.
struct ModeLayout
{
    const char* title;
    const char* switchText;
    int ids[4];
};

constexpr ModeLayout kModeLayouts[] = {
    {"催菜模式", "开启催菜模式", {1011, 1012, 1010, 1013}},
    {"调度模式", "开启调度模式", {1014, 1016, 1015, 1017}},
};
static_assert(std::size(kModeLayouts) == std::size(kHandheldModes));

QLineEdit* TextEdit()
{
    auto* edit = new QLineEdit;
    edit->setMaxLength(static_cast<int>(kHandheldTextBytes));
    return edit;
}

QGroupBox* ModeGroup(const ModeLayout& layout, FieldControls<HandheldMode>& fields)
{
    using M = HandheldMode;
    auto* group = new QGroupBox(QText(layout.title));
    auto* form = new QFormLayout(group);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(
        fields.Check(new QCheckBox(QText(layout.switchText)), layout.ids[0], &M::enabled));
    boxes->addWidget(
        fields.Check(new QCheckBox(QText("开启数字转中文")), layout.ids[1], &M::numberToChinese));
    form->addRow(boxes);
    form->addRow(QText("信息前缀"), fields.Edit(TextEdit(), layout.ids[2], &M::prefix));
    form->addRow(QText("信息后缀"), fields.Edit(TextEdit(), layout.ids[3], &M::suffix));
    return group;
}

} // namespace

HandheldSettingsDialog::HandheldSettingsDialog(const HandheldSettings& values, Prompter& prompter,
                                               QWidget* parent)
    : QDialog(parent), values_(values), prompter_(prompter)
{
    setWindowTitle(QText("手持呼叫器设置信息"));
    auto* layout = new QVBoxLayout(this);
    modes_.reserve(std::size(kHandheldModes));
    for (std::size_t i = 0; i < std::size(kHandheldModes); ++i) {
        FieldControls<HandheldMode>& fields = modes_.emplace_back(kHandheldModeFields);
        layout->addWidget(ModeGroup(kModeLayouts[i], fields));
        fields.Show(values.*kHandheldModes[i].mode);
    }

    auto* write = WithId(new QPushButton(QText("写入")), 1);
    auto* exit = WithId(new QPushButton(QText("退出")), 2);
    layout->addLayout(ButtonRow({write, exit}));

    connect(write, &QPushButton::clicked, this, &HandheldSettingsDialog::OnWrite);
    connect(exit, &QPushButton::clicked, this, &QDialog::reject);
    OrderTabsByPlace(this);
}

void HandheldSettingsDialog::OnWrite()
{
    HandheldSettings s;
    for (std::size_t i = 0; i < modes_.size(); ++i)
        modes_[i].Take(prompter_, s.*kHandheldModes[i].mode);
    const std::string problem = CheckHandheldSettings(s);
    if (!problem.empty()) {
        prompter_.Message(problem, {}, MessageIcon::Warning);
        return;
    }
    values_ = s;
    accept();
}

void RunHandheldSettingsDownload(HostExchange& exchange, Profile& profile, Prompter& prompter,
                                 QWidget* parent)
{
    HandheldSettingsDialog dialog(LoadHandheldSettings(profile), prompter, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DownloadHandheldSettings(exchange, profile, dialog.Values()).notices.ShowWith(prompter);
}

void RunHandheldSettingsReadBack(HostExchange& exchange, Prompter& prompter, QWidget* parent,
                                 const ExchangeSettingsHost::ReadBackNotice& notice)
{
    const Reading<HandheldSettings> settings = ReadBackHandheldSettings(exchange);
    settings.notices.ShowWith(prompter);
    if (!settings.value)
        return;
    if (notice)
        notice("手持呼叫器设置");
    // For viewing only: whichever button closes it, nothing is sent or remembered.
    HandheldSettingsDialog dialog(*settings.value, prompter, parent);
    dialog.exec();
}

} // namespace px
