#pragma once

#include "mock/WaitUntil.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

namespace px::test {

// The tooltip a list shows when the mouse rests on a cell; empty when it shows none.
inline QString ToolTipAt(QAbstractItemView& view, const QModelIndex& index)
{
    // A tip going away lingers for a moment: let the last one go first.
    QToolTip::hideText();
    if (!WaitUntil([] { return !QToolTip::isVisible(); }))
        return "(an earlier tooltip stays)";
    const QPoint at = view.visualRect(index).center();
    QHelpEvent event(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
    QApplication::sendEvent(view.viewport(), &event);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace px::test
