#include "gui/widgets/CallerGridView.h"

#include <QHeaderView>

namespace px {

CallerGridView::CallerGridView(QWidget* parent)
    : QTableView(parent), model_(new CallerGridModel(this))
{
    setModel(model_);
    horizontalHeader()->setFixedHeight(24);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    for (int c = 0; c < kCallerGridColumns; ++c)
        setColumnWidth(c, CallerGridModel::ColumnWidth(c));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

} // namespace px
