#pragma once

// Checks that every dialog must pass: how Tab goes through it, and that it shows none of Qt's
// English standard texts.

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

namespace px::test {

// The texts Qt shows in English when its translations are missing.
inline bool IsEnglishStandardText(QString text)
{
    static const QStringList words{
        "OK",     "Cancel",     "Yes",      "No",         "Close",         "Apply",
        "Open",   "Save",       "Help",     "Reset",      "Abort",         "Retry",
        "Ignore", "Discard",    "Back",     "Next",       "Finish",        "Print",
        "Choose", "Undo",       "Redo",     "Cut",        "Copy",          "Paste",
        "Delete", "Select All", "Look in:", "File name:", "Files of type:"};
    text.remove('&');
    const qsizetype shortcut = text.indexOf('\t');
    if (shortcut >= 0)
        text.truncate(shortcut);
    return words.contains(text.trimmed(), Qt::CaseInsensitive);
}

// The English standard texts shown by the buttons, actions and labels under a widget, one
// after another; empty when there are none.
inline std::string EnglishTexts(const QWidget& root)
{
    QStringList found;
    for (const auto* button : root.findChildren<QAbstractButton*>())
        if (IsEnglishStandardText(button->text()))
            found << button->metaObject()->className() + QString(": ") + button->text();
    for (const auto* action : root.findChildren<QAction*>())
        if (IsEnglishStandardText(action->text()))
            found << "action: " + action->text();
    for (const auto* label : root.findChildren<QLabel*>())
        if (IsEnglishStandardText(label->text()))
            found << "label: " + label->text();
    return found.join("; ").toStdString();
}

// The controls Tab stops at, in the order it reaches them, from the one the dialog opens on.
inline std::vector<QWidget*> TabChain(QWidget& dialog)
{
    std::vector<QWidget*> chain;
    for (QWidget* at = dialog.nextInFocusChain(); at != &dialog; at = at->nextInFocusChain()) {
        if (std::find(chain.begin(), chain.end(), at) != chain.end())
            break;
        const QWidget* proxy = at->focusProxy();
        const bool stop = (at->focusPolicy() & Qt::TabFocus) && !at->isWindow() &&
                          (proxy == nullptr || at->isAncestorOf(proxy)) && at->isEnabled() &&
                          at->isVisibleTo(&dialog);
        if (!stop)
            continue;
        // A control inside another (a combo box's editor, a list's viewport) is its owner's.
        bool inner = false;
        for (QWidget* p = at->parentWidget(); p != nullptr && p != &dialog; p = p->parentWidget())
            inner = inner ||
                    ((p->focusPolicy() & Qt::TabFocus) && qobject_cast<QGroupBox*>(p) == nullptr);
        if (!inner)
            chain.push_back(at);
    }
    // Tab goes round: read the chain from where the dialog starts (a compound control's
    // focus is on its part).
    QWidget* focus = dialog.focusWidget();
    while (focus != nullptr && std::find(chain.begin(), chain.end(), focus) == chain.end())
        focus = focus->parentWidget();
    const auto first = std::find(chain.begin(), chain.end(), focus);
    if (first != chain.end())
        std::rotate(chain.begin(), first, chain.end());
    return chain;
}

// The group boxes around a control, innermost first.
inline std::vector<QWidget*> GroupsAround(QWidget* control, QWidget& dialog)
{
    std::vector<QWidget*> groups;
    for (QWidget* p = control->parentWidget(); p != nullptr && p != &dialog; p = p->parentWidget())
        if (qobject_cast<QGroupBox*>(p) != nullptr)
            groups.push_back(p);
    return groups;
}

// Whether b comes after a as a page is read: a lower row, or the same row further right.
inline bool ReadAfter(QWidget* a, QWidget* b, QWidget& dialog)
{
    const QRect ra(a->mapTo(&dialog, QPoint()), a->size());
    const QRect rb(b->mapTo(&dialog, QPoint()), b->size());
    const int halfLine = std::max(std::min(ra.height(), rb.height()) / 2, 4);
    if (std::abs(ra.center().y() - rb.center().y()) <= halfLine)
        return rb.center().x() > ra.center().x();
    return rb.center().y() > ra.center().y();
}

// Where Tab does not follow the reading order; empty when it does. Within a group box (or
// outside all) each step goes on as the page is read; a group box's controls come one after
// another; the dialog opens on the first control.
inline std::string OutOfReadingOrder(QWidget& dialog)
{
    dialog.show();
    std::string faults;
    const std::vector<QWidget*> chain = TabChain(dialog);
    const auto name = [](QWidget* w) { return w->objectName().toStdString(); };
    std::vector<QWidget*> finished; // groups whose run of controls has ended
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const std::vector<QWidget*> before = GroupsAround(chain[i - 1], dialog);
        const std::vector<QWidget*> after = GroupsAround(chain[i], dialog);
        const QWidget* innerBefore = before.empty() ? nullptr : before.front();
        const QWidget* innerAfter = after.empty() ? nullptr : after.front();
        if (innerBefore == innerAfter && !ReadAfter(chain[i - 1], chain[i], dialog))
            faults += name(chain[i - 1]) + " -> " + name(chain[i]) + "; ";
        for (QWidget* group : before)
            if (std::find(after.begin(), after.end(), group) == after.end())
                finished.push_back(group);
        for (QWidget* group : after)
            if (std::find(finished.begin(), finished.end(), group) != finished.end())
                faults += "back into " + group->property("title").toString().toStdString() +
                          " at " + name(chain[i]) + "; ";
    }
    dialog.hide();
    return faults;
}

} // namespace px::test
