#include "gui/widgets/TabOrder.h"

#include <QGroupBox>
#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace px {

namespace {

// A control Tab stops at, or a group box whose controls Tab goes through together.
struct Placed
{
    QWidget* widget;
    QRect place; // in the dialog's coordinates
};

bool IsTabStop(const QWidget* widget)
{
    // A widget whose focus goes to a part of its own (an editable combo box's line edit) is
    // one stop; one that hands its focus elsewhere is none.
    const QWidget* proxy = widget->focusProxy();
    return (widget->focusPolicy() & Qt::TabFocus) && !widget->isWindow() &&
           (proxy == nullptr || widget->isAncestorOf(proxy));
}

// The nearest group box around a widget below the container; nothing when there is none.
QGroupBox* GroupWithin(QWidget* widget, QWidget* container)
{
    for (QWidget* p = widget->parentWidget(); p != nullptr && p != container;
         p = p->parentWidget()) {
        if (auto* group = qobject_cast<QGroupBox*>(p))
            return group;
    }
    return nullptr;
}

// Whether a control sits inside another control (a combo box's line edit, a list's viewport):
// it then follows its owner.
bool IsInner(QWidget* widget, QWidget* dialog)
{
    for (QWidget* p = widget->parentWidget(); p != nullptr && p != dialog; p = p->parentWidget()) {
        if ((p->focusPolicy() & Qt::TabFocus) && qobject_cast<QGroupBox*>(p) == nullptr)
            return true;
    }
    return false;
}

// Sorts into reading order: top to bottom; an item joins the row begun above it when its
// middle is within half a line of the row's first item; left to right within each row.
void SortAsRead(std::vector<Placed>& items)
{
    std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) {
        return a.place.center().y() < b.place.center().y();
    });
    for (std::size_t begin = 0; begin < items.size();) {
        std::size_t end = begin + 1;
        const int reach = std::max(items[begin].place.height() / 2, 4);
        while (end < items.size() &&
               items[end].place.center().y() - items[begin].place.center().y() <= reach)
            ++end;
        std::stable_sort(items.begin() + static_cast<std::ptrdiff_t>(begin),
                         items.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Placed& a, const Placed& b) {
                             return a.place.center().x() < b.place.center().x();
                         });
        begin = end;
    }
}

// The controls of a container in reading order; a group box's controls stay together, read
// in their own order where the group box stands.
void AppendInOrder(QWidget* dialog, QWidget* container, const std::vector<QWidget*>& controls,
                   std::vector<QWidget*>& order)
{
    std::vector<Placed> items;
    for (QWidget* control : controls) {
        QGroupBox* group = GroupWithin(control, container);
        QWidget* item = control;
        if (group != nullptr) {
            // The outermost group below the container stands for all its controls.
            for (QGroupBox* outer = GroupWithin(group, container); outer != nullptr;
                 outer = GroupWithin(outer, container))
                group = outer;
            item = group;
        }
        const bool seen = std::any_of(items.begin(), items.end(),
                                      [item](const Placed& p) { return p.widget == item; });
        if (!seen)
            items.push_back({item, QRect(item->mapTo(dialog, QPoint(0, 0)), item->size())});
    }
    SortAsRead(items);
    for (const Placed& item : items) {
        auto* group = qobject_cast<QGroupBox*>(item.widget);
        // A checkable group box is a stop of its own, before its controls.
        if (std::find(controls.begin(), controls.end(), item.widget) != controls.end())
            order.push_back(item.widget);
        if (group == nullptr)
            continue;
        std::vector<QWidget*> inside;
        for (QWidget* control : controls) {
            if (group->isAncestorOf(control))
                inside.push_back(control);
        }
        AppendInOrder(dialog, group, inside, order);
    }
}

} // namespace

void OrderTabsByPlace(QWidget* dialog)
{
    // Places are known once every layout has placed its widgets, outer ones first; a dialog not
    // shown yet has only set them up.
    if (dialog->layout() != nullptr)
        dialog->layout()->activate();
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (child->layout() != nullptr)
            child->layout()->activate();
    }
    std::vector<QWidget*> controls;
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (IsTabStop(child) && !IsInner(child, dialog))
            controls.push_back(child);
    }
    std::vector<QWidget*> order;
    AppendInOrder(dialog, dialog, controls, order);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
    // The dialog opens with the first control as it is read.
    if (!order.empty() && dialog->focusWidget() == nullptr)
        order.front()->setFocus(Qt::OtherFocusReason);
}

} // namespace px
