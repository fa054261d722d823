#include "gui/main/DemoHostMenu.h"

#include "common/FileIo.h"
#include "gui/main/WindowContext.h"
#include "sim/SimHostSession.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

namespace px {

namespace {

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// A small dialog's name, title and form.
QFormLayout* SetUpForm(QDialog& dialog, const char* name, const char* title)
{
    dialog.setObjectName(name);
    dialog.setWindowTitle(QString::fromUtf8(title));
    return new QFormLayout(&dialog);
}

// 确定 and 取消 under a small form.
QDialogButtonBox* AddButtons(QDialog& dialog, QFormLayout& form)
{
    auto* buttons = new QDialogButtonBox(&dialog);
    auto* ok = buttons->addButton("确定", QDialogButtonBox::AcceptRole);
    ok->setObjectName("confirmButton");
    ok->setDefault(true);
    buttons->addButton("取消", QDialogButtonBox::RejectRole)->setObjectName("cancelButton");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form.addRow(buttons);
    return buttons;
}

} // namespace

DemoHostMenu::DemoHostMenu(SimHostSession& session, WindowContext& context, QWidget* window)
    : QObject(window), session_(session), context_(context), badge_(new QToolButton(window)),
      menu_(new QMenu(window))
{
    badge_->setObjectName("simulatedHostBadge");
    badge_->setText("模拟主机 (simulated host)");
    badge_->setToolTip("演示模式：模拟主机的按键、插拔、故障和通信记录");
    badge_->setStyleSheet("QToolButton { color: rgb(160, 40, 40); padding: 0 8px; border: none; }");
    badge_->setPopupMode(QToolButton::InstantPopup);
    badge_->setMenu(menu_);
    menu_->setObjectName("demoHostMenu");
    const auto add = [this](const char* name, const char* text, void (DemoHostMenu::*slot)()) {
        QAction* action = menu_->addAction(QString::fromUtf8(text));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
    };
    add("demoPressKeyAction", "按键...", &DemoHostMenu::PressKey);
    menu_->addSeparator();
    add("demoUnplugAction", "拔出", &DemoHostMenu::Unplug);
    add("demoPlugAction", "插入", &DemoHostMenu::Plug);
    add("demoFaultAction", "故障...", &DemoHostMenu::ArmFault);
    menu_->addSeparator();
    add("demoShowLogAction", "查看记录", &DemoHostMenu::ShowLog);
}

void DemoHostMenu::Apply(const QString& done, bool ok, const std::string& error)
{
    if (ok)
        context_.notify("模拟主机：" + done);
    else
        context_.prompter().Message("模拟主机的文件夹无法使用：\n" + error);
}

void DemoHostMenu::PressKey()
{
    QDialog dialog(context_.window);
    QFormLayout* form = SetUpForm(dialog, "demoKeyPressDialog", "模拟按键");
    auto* code = new QLineEdit(&dialog);
    code->setObjectName("keyCodeEdit");
    code->setPlaceholderText("如 123451");
    auto* status = new QComboBox(&dialog);
    status->setObjectName("keyStatusBox");
    status->addItem("55 呼叫器按键", "55");
    status->addItem("66 手持呼叫器", "66");
    status->addItem("5A 其他", "5A");
    form->addRow("特征码(十六进制)", code);
    form->addRow("状态", status);
    AddButtons(dialog, *form);
    if (context_.hooks.runDemoDialog(dialog) != QDialog::Accepted)
        return;
    std::string error;
    const auto press = MakeKeyPress(code->text().trimmed().toStdString(),
                                    status->currentData().toString().toStdString(), error);
    if (!press) {
        context_.prompter().Message("没有按键：" + error);
        return;
    }
    const bool ok =
        session_.Modify([&](SimHostState& state) { state.presses.push_back(*press); }, error);
    Apply("已按下 " + code->text().trimmed().toUpper() + "，等待主机被询问", ok, error);
}

void DemoHostMenu::Unplug()
{
    std::string error;
    const bool ok = session_.Unplug(error);
    Apply("已拔出", ok, error);
}

void DemoHostMenu::Plug()
{
    std::string error;
    const bool ok = session_.Plug(error);
    Apply("已插入", ok, error);
}

void DemoHostMenu::ArmFault()
{
    QDialog dialog(context_.window);
    QFormLayout* form = SetUpForm(dialog, "demoFaultDialog", "模拟故障");
    auto* fault = new QComboBox(&dialog);
    fault->setObjectName("faultBox");
    fault->setEditable(true);
    auto* meaning = new QLabel(&dialog);
    meaning->setObjectName("faultMeaning");
    meaning->setWordWrap(true);
    for (const SimFaultHelpLine& line : SimFaultHelp())
        fault->addItem(Q(std::string(line.usage)), Q(std::string(line.meaning)));
    fault->setCurrentText(Q(FormatSimFault(session_.Host().State().fault)));
    const auto explain = [fault, meaning] {
        const int index = fault->findText(fault->currentText());
        meaning->setText(index >= 0 ? fault->itemData(index).toString()
                                    : "K、N、L 换成数字，如 unplug-at:3");
    };
    connect(fault, &QComboBox::currentTextChanged, &dialog, explain);
    explain();
    form->addRow("故障", fault);
    form->addRow(meaning);
    AddButtons(dialog, *form);
    if (context_.hooks.runDemoDialog(dialog) != QDialog::Accepted)
        return;
    const QString text = fault->currentText().trimmed();
    const auto parsed = ParseSimFault(text.toStdString());
    if (!parsed) {
        context_.prompter().Message("没有这种故障：" + text.toStdString() +
                                    "\n（K、N、L 换成数字，如 unplug-at:3）");
        return;
    }
    std::string error;
    const bool ok = session_.Modify([&](SimHostState& state) { state.fault = *parsed; }, error);
    Apply(parsed->kind == SimFault::Kind::None ? QString("已清除故障") : "已设置故障 " + text, ok,
          error);
}

void DemoHostMenu::ShowLog()
{
    const std::string path = session_.CaptureLogPath();
    std::string error;
    const auto tail = ReadFileTail(path, kLogViewBytes, error);
    if (!tail) {
        context_.prompter().Message("无法读取通信记录：\n" + error);
        return;
    }
    context_.hooks.showReport(Q("通信记录: " + path),
                              tail->empty() ? QString("还没有通信记录。") : Q(*tail));
}

} // namespace px
