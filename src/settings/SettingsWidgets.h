#pragma once

// Small helpers the settings dialogs share.

#include "common/Prompter.h"

#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <initializer_list>
#include <string>

namespace px {

struct IntRange;

// Every control with an id is found by tests and tools as "id<N>".
template <typename Widget> Widget* WithId(Widget* widget, int id)
{
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    return widget;
}

inline QComboBox* FillCombo(QComboBox* combo, std::initializer_list<const char*> items)
{
    for (const char* item : items)
        combo->addItem(QString::fromUtf8(item));
    return combo;
}

// Selects an entry, or none when the index is outside the list.
inline void SelectIndex(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

inline std::string Utf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

// Reads an integer field; false after the prompt (the field gets the focus) when it is not
// an integer within the range.
bool TakeInteger(Prompter& prompter, QLineEdit* edit, IntRange range, int& value);
bool TakeInteger(Prompter& prompter, QComboBox* combo, IntRange range, int& value);

} // namespace px
