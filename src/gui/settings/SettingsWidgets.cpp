#include "gui/settings/SettingsWidgets.h"

#include "common/IntegerField.h"
#include "settings/SettingsInput.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>

namespace px {

namespace {

// The form row's label beside a control, without a closing colon; nothing when the control is
// in no form of its dialog.
QString RowLabel(QWidget* field)
{
    for (QWidget* owner = field->parentWidget(); owner != nullptr; owner = owner->parentWidget()) {
        for (QFormLayout* form : owner->findChildren<QFormLayout*>()) {
            // A control in a row's own layout (a field with a button beside it) is named by
            // that row's label too.
            for (int row = 0; row < form->rowCount(); ++row) {
                QLayoutItem* item = form->itemAt(row, QFormLayout::FieldRole);
                const bool here =
                    item != nullptr &&
                    (item->widget() == field ||
                     (item->layout() != nullptr && item->layout()->indexOf(field) >= 0));
                if (!here)
                    continue;
                QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
                auto* text = label != nullptr ? qobject_cast<QLabel*>(label->widget()) : nullptr;
                if (text == nullptr)
                    return {};
                QString name = text->text();
                while (name.endsWith(':') || name.endsWith(QChar(0xFF1A)))
                    name.chop(1);
                return name.trimmed();
            }
        }
        if (owner->isWindow())
            break;
    }
    return {};
}

} // namespace

QString FieldName(QWidget* field)
{
    QString name = RowLabel(field);
    if (name.isEmpty())
        name = QText("输入的值");
    // A label that two groups share ("IP地址") is told apart by its group's title.
    for (QWidget* owner = field->parentWidget(); owner != nullptr && !owner->isWindow();
         owner = owner->parentWidget()) {
        if (auto* group = qobject_cast<QGroupBox*>(owner);
            group != nullptr && !group->title().isEmpty())
            return group->title() + QText("的") + name;
    }
    return name;
}

namespace {

bool Refuse(Prompter& prompter, QWidget* field, const std::string& prompt)
{
    prompter.Message(prompt, {}, MessageIcon::Warning);
    field->setFocus();
    return false;
}

bool Take(Prompter& prompter, QWidget* field, const QString& text, IntRange range, int& value)
{
    const std::string prompt =
        CheckWholeNumber(Utf8(text), Utf8(FieldName(field)), range.low, range.high, value);
    return prompt.empty() || Refuse(prompter, field, prompt);
}

} // namespace

bool TakeInteger(Prompter& prompter, QLineEdit* edit, IntRange range, int& value)
{
    return Take(prompter, edit, edit->text(), range, value);
}

bool TakeInteger(Prompter& prompter, QComboBox* combo, IntRange range, int& value)
{
    return Take(prompter, combo, combo->currentText(), range, value);
}

bool TakeAddress(Prompter& prompter, QLineEdit* edit, IpAddress& value)
{
    const auto address = ParseIp(Utf8(edit->text()));
    if (!address)
        return Refuse(prompter, edit, Utf8(FieldName(edit)) + "不正确，请输入正确的IP地址！");
    value = *address;
    return true;
}

QString EditText(int value)
{
    return QString::number(value);
}

QString EditText(const IpAddress& value)
{
    return QString::fromStdString(FormatIp(value));
}

QString EditText(const std::string& value)
{
    return QString::fromStdString(value);
}

bool TakeEdit(Prompter& prompter, QLineEdit* edit, IntRange range, int& value)
{
    return TakeInteger(prompter, edit, range, value);
}

bool TakeEdit(Prompter& prompter, QLineEdit* edit, IntRange, IpAddress& value)
{
    return TakeAddress(prompter, edit, value);
}

bool TakeEdit(Prompter&, QLineEdit* edit, IntRange, std::string& value)
{
    value = Utf8(edit->text());
    return true;
}

void ShowNumber(QComboBox* combo, int value)
{
    const QString text = QString::number(value);
    const int index = combo->findText(text);
    if (!combo->isEditable()) {
        combo->setCurrentIndex(index);
        return;
    }
    if (index >= 0)
        combo->setCurrentIndex(index);
    combo->setEditText(text);
}

} // namespace px
