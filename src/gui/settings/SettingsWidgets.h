#pragma once

// What the settings dialogs share: controls named by their classic ids, and the tie between
// controls and the fields of a record's table.

#include "common/Prompter.h"
#include "settings/SettingsFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace px {

// Every control with an id is found by tests and tools as "id<N>".
template <typename Widget> Widget* WithId(Widget* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

inline QString QText(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

inline QComboBox* FillCombo(QComboBox* combo, std::span<const char* const> items)
{
    for (const char* item : items)
        combo->addItem(QText(item));
    return combo;
}

// Selects an entry, or none when the index is outside the list.
inline void SelectIndex(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

// A button that Enter does not press: these dialogs act only on a click.
template <typename Receiver, typename Action>
QPushButton* DialogButton(const char* text, int id, Receiver* context, Action action)
{
    auto* button = WithId(new QPushButton(QText(text)), id);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, context, action);
    return button;
}

// Buttons side by side at the right.
inline QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QWidget* button : buttons)
        row->addWidget(button);
    return row;
}

// What a prompt calls a control: its form row's label, after its group's title when it has one
// ("网络主机参数的IP地址").
QString FieldName(QWidget* field);

// Reads an integer field; false after the prompt (the field gets the focus) when it is not
// an integer within the range.
bool TakeInteger(Prompter& prompter, QLineEdit* edit, IntRange range, int& value);
bool TakeInteger(Prompter& prompter, QComboBox* combo, IntRange range, int& value);
// Reads an address field; false after the prompt (the field gets the focus) when it is none.
bool TakeAddress(Prompter& prompter, QLineEdit* edit, IpAddress& value);

void ShowNumber(QComboBox* combo, int value);

// A line edit of a number, an address or a text: what it shows, and taking it back.
QString EditText(int value);
QString EditText(const IpAddress& value);
QString EditText(const std::string& value);
bool TakeEdit(Prompter& prompter, QLineEdit* edit, IntRange range, int& value);
bool TakeEdit(Prompter& prompter, QLineEdit* edit, IntRange range, IpAddress& value);
bool TakeEdit(Prompter& prompter, QLineEdit* edit, IntRange range, std::string& value);

// Ties the controls of a dialog to fields of a record's tables, each control named by its
// classic id. Showing a record, and taking it back with each field's prompt, then run over the
// controls in the order they were tied: the first field refused is the one the prompt names.
template <typename Record> class FieldControls
{
public:
    explicit FieldControls(std::initializer_list<FieldTable<Record>> tables) : tables_(tables) {}
    explicit FieldControls(FieldTable<Record> table) : tables_{table} {}

    // A number, an address or a text.
    template <typename Value> QLineEdit* Edit(QLineEdit* edit, int id, Value Record::*member)
    {
        const IntRange range = Spec(member).range;
        Tie([=](const Record& r) { edit->setText(EditText(r.*member)); },
            [=](Prompter& prompter, Record& r) {
                return TakeEdit(prompter, edit, range, r.*member);
            });
        return WithId(edit, id);
    }

    // A switch.
    template <typename Value> QCheckBox* Check(QCheckBox* box, int id, Value Record::*member)
    {
        Spec(member);
        Tie([=](const Record& r) { box->setChecked(r.*member != 0); },
            [=](Prompter&, Record& r) {
                r.*member = box->isChecked() ? 1 : 0;
                return true;
            });
        return WithId(box, id);
    }

    // A list whose entries stand for 0, 1, ... in order; a value beyond it selects none.
    QComboBox* Index(QComboBox* combo, int id, int Record::*member)
    {
        Spec(member);
        Tie([=](const Record& r) { SelectIndex(combo, r.*member); },
            [=](Prompter&, Record& r) {
                r.*member = combo->currentIndex();
                return true;
            });
        return WithId(combo, id);
    }

    // A list of numbers, taken from its text (an editable one takes what is typed).
    QComboBox* Number(QComboBox* combo, int id, int Record::*member)
    {
        const IntRange range = Spec(member).range;
        Tie([=](const Record& r) { ShowNumber(combo, r.*member); },
            [=](Prompter& prompter, Record& r) {
                return TakeInteger(prompter, combo, range, r.*member);
            });
        return WithId(combo, id);
    }

    // Radio buttons for 0, 1, ... in order; none checked is 0.
    template <typename Value>
    void Radios(std::initializer_list<QRadioButton*> list, Value Record::*member)
    {
        Spec(member);
        const std::vector<QRadioButton*> buttons(list);
        Tie(
            [=](const Record& r) {
                for (std::size_t i = 0; i < buttons.size(); ++i)
                    buttons[i]->setChecked(static_cast<int>(r.*member) == static_cast<int>(i));
            },
            [=](Prompter&, Record& r) {
                r.*member = Value{};
                for (std::size_t i = 0; i < buttons.size(); ++i) {
                    if (buttons[i]->isChecked())
                        r.*member = static_cast<Value>(i);
                }
                return true;
            });
    }

    // Boxes for the bits 1, 2, 4, ... of a bit set; a value they cannot show leaves them.
    void Bits(std::vector<QCheckBox*> boxes, int Record::*member)
    {
        Spec(member);
        Tie(
            [=](const Record& r) {
                if (r.*member < 0 || r.*member >= (1 << boxes.size()))
                    return;
                for (std::size_t i = 0; i < boxes.size(); ++i)
                    boxes[i]->setChecked((r.*member & (1 << i)) != 0);
            },
            [=](Prompter&, Record& r) {
                r.*member = 0;
                for (std::size_t i = 0; i < boxes.size(); ++i)
                    r.*member |= boxes[i]->isChecked() ? 1 << i : 0;
                return true;
            });
    }

    void Show(const Record& record) const
    {
        for (const Tied& tied : tied_)
            tied.show(record);
    }

    // False after the prompt for the first control that cannot be taken.
    bool Take(Prompter& prompter, Record& record) const
    {
        for (const Tied& tied : tied_) {
            if (!tied.take(prompter, record))
                return false;
        }
        return true;
    }

private:
    struct Tied
    {
        std::function<void(const Record&)> show;
        std::function<bool(Prompter&, Record&)> take;
    };

    void Tie(std::function<void(const Record&)> show, std::function<bool(Prompter&, Record&)> take)
    {
        tied_.push_back({std::move(show), std::move(take)});
    }

    // A control stands for a field of the tables, never for something they do not describe.
    template <typename Value> const FieldSpec& Spec(Value Record::*member) const
    {
        for (const FieldTable<Record>& table : tables_) {
            if (const Field<Record>* field = FindField(table.fields, member))
                return field->spec;
        }
        qFatal("a settings control is tied to a field its record's tables do not list");
    }

    std::vector<FieldTable<Record>> tables_;
    std::vector<Tied> tied_;
};

} // namespace px
