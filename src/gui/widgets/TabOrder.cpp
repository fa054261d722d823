#include "gui/widgets/TabOrder.h"

#include <QLayout>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace px {

void OrderTabsByPlace(QWidget* dialog)
{
    if (dialog->layout() != nullptr)
        dialog->layout()->activate();
    struct Placed
    {
        QWidget* widget;
        QPoint middle;
        int height;
    };
    std::vector<Placed> controls;
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        // Only what Tab stops at; a control inside another (a combo box's line edit, a list's
        // viewport) follows its owner.
        if (!(child->focusPolicy() & Qt::TabFocus) || child->isWindow() ||
            child->focusProxy() != nullptr)
            continue;
        bool inner = false;
        for (QWidget* p = child->parentWidget(); p != nullptr && p != dialog; p = p->parentWidget())
            inner = inner || (p->focusPolicy() & Qt::TabFocus);
        if (inner)
            continue;
        const QRect place(child->mapTo(dialog, QPoint(0, 0)), child->size());
        controls.push_back({child, place.center(), std::max(place.height(), 1)});
    }
    // Top to bottom; then rows: a control joins the row begun above it when its middle is
    // within half a line of the row's first control; then left to right within each row.
    std::stable_sort(controls.begin(), controls.end(),
                     [](const Placed& a, const Placed& b) { return a.middle.y() < b.middle.y(); });
    std::vector<QWidget*> order;
    for (std::size_t begin = 0; begin < controls.size();) {
        std::size_t end = begin + 1;
        const int reach = std::max(controls[begin].height / 2, 4);
        while (end < controls.size() && controls[end].middle.y() - controls[begin].middle.y() <= reach)
            ++end;
        std::stable_sort(controls.begin() + static_cast<std::ptrdiff_t>(begin),
                         controls.begin() + static_cast<std::ptrdiff_t>(end),
                         [](const Placed& a, const Placed& b) { return a.middle.x() < b.middle.x(); });
        for (std::size_t i = begin; i < end; ++i)
            order.push_back(controls[i].widget);
        begin = end;
    }
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace px
