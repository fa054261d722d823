#include "gui/settings/SettingsWidgets.h"

#include "settings/SettingsInput.h"

namespace px {

namespace {

bool Refuse(Prompter& prompter, QWidget* field, const std::string& prompt)
{
    prompter.Message(prompt, {}, MessageIcon::Warning);
    field->setFocus();
    return false;
}

bool Take(Prompter& prompter, QWidget* field, const QString& text, IntRange range, int& value)
{
    const std::string prompt = CheckInteger(Utf8(text), range, value);
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
        return Refuse(prompter, edit, "请输入正确的IP地址！");
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
