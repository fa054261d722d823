#pragma once

// Reaching controls as a person does: a click lands on the window where the control is seen, so
// whatever lies on top of it takes the click; text arrives as typing commits it (an input
// method's commit, as Chinese is typed), into the field the click focused.

#include <QApplication>
#include <QInputMethodEvent>
#include <QTest>
#include <QWidget>

namespace px::test {

inline void ClickOn(QWidget* control, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    // Through the window system: a click sent to a widget would reach it whatever covers it.
    QWidget* window = control->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, modifiers,
                      control->mapTo(window, control->rect().center()));
}

// Clicks the field, selects what it holds and types the text over it.
inline void TypeInto(QWidget* field, const QString& text)
{
    ClickOn(field);
    QWidget* focused = field->window()->focusWidget();
    if (focused == nullptr)
        return;
    QTest::keyClick(focused, Qt::Key_A, Qt::ControlModifier);
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(focused, &commit);
}

} // namespace px::test
