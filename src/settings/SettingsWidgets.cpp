#include "settings/SettingsWidgets.h"

#include "settings/SettingsInput.h"

namespace px {

namespace {

bool Take(Prompter& prompter, QWidget* field, const QString& text, IntRange range, int& value)
{
    const std::string prompt = CheckInteger(Utf8(text), range, value);
    if (prompt.empty())
        return true;
    prompter.Message(prompt, {}, MessageIcon::Warning);
    field->setFocus();
    return false;
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

} // namespace px
