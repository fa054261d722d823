#include "ui/ReportList.h"

#include <QHeaderView>

namespace px {

ReportList::ReportList(QWidget* parent) : QTableView(parent), model_(new QStandardItemModel(this))
{
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

void ReportList::SetColumns(const std::vector<Column>& columns)
{
    model_->clear();
    model_->setColumnCount(static_cast<int>(columns.size()));
    for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
        model_->setHeaderData(i, Qt::Horizontal, columns[static_cast<std::size_t>(i)].title);
        setColumnWidth(i, columns[static_cast<std::size_t>(i)].width);
    }
}

void ReportList::Clear()
{
    model_->removeRows(0, model_->rowCount());
}

void ReportList::AddRow(const QStringList& texts)
{
    QList<QStandardItem*> items;
    for (const QString& text : texts)
        items.append(new QStandardItem(text));
    model_->appendRow(items);
}

int ReportList::RowCount() const
{
    return model_->rowCount();
}

QString ReportList::Text(int row, int column) const
{
    const QStandardItem* item = model_->item(row, column);
    return item != nullptr ? item->text() : QString();
}

int ReportList::SelectedRow() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

} // namespace px
