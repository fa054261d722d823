#pragma once

#include "registry/Callers.h"

#include <QLineEdit>

namespace px {

// Lets only hexadecimal digits be typed or pasted into a feature code edit.
inline void KeepFeatureCodeDigits(QLineEdit* edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
        const QString kept = QString::fromStdString(FilterFeatureCode(edit->text().toStdString()));
        if (kept != edit->text()) {
            edit->setText(kept);
            edit->setCursorPosition(static_cast<int>(kept.size()));
        }
    });
}

} // namespace px
