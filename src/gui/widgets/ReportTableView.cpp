#include "gui/widgets/ReportTableView.h"

#include <QAbstractItemDelegate>
#include <QHeaderView>
#include <algorithm>

namespace px {

ReportTableView::ReportTableView(QWidget* parent) : QTableView(parent), model_(new QStandardItemModel(this))
{
    setObjectName("ReportTableView");
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setShowGrid(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
}

QStandardItem* ReportTableView::NewCell(const QString& text) const
{
    auto* item = new QStandardItem(text);
    // The colours of the moment the cell is made, as the system's own lists take them.
    item->setForeground(palette().color(QPalette::Text));
    item->setBackground(palette().color(QPalette::Base));
    return item;
}

void ReportTableView::SetColumns(const std::vector<Column>& columns)
{
    model_->clear();
    for (const Column& column : columns)
        InsertColumn(ColumnCount(), column.title, column.width);
}

int ReportTableView::InsertColumn(int index, const QString& title, int width)
{
    index = std::clamp(index, 0, model_->columnCount());
    QList<QStandardItem*> cells;
    for (int row = 0; row < model_->rowCount(); ++row)
        cells.append(NewCell(QString()));
    model_->insertColumn(index, cells);
    model_->setHeaderData(index, Qt::Horizontal, title);
    setColumnWidth(index, width);
    return index;
}

int ReportTableView::ColumnCount() const
{
    return model_->columnCount();
}

void ReportTableView::Clear()
{
    model_->removeRows(0, model_->rowCount());
}

int ReportTableView::InsertRow(int row, const QStringList& texts)
{
    row = std::clamp(row, 0, model_->rowCount());
    const int width = std::max(static_cast<int>(texts.size()), model_->columnCount());
    QList<QStandardItem*> cells;
    for (int column = 0; column < width; ++column)
        cells.append(NewCell(column < texts.size() ? texts[column] : QString()));
    if (cells.isEmpty())
        model_->insertRow(row);
    else
        model_->insertRow(row, cells);
    return row;
}

int ReportTableView::AddRow(const QStringList& texts)
{
    return InsertRow(model_->rowCount(), texts);
}

void ReportTableView::SetText(int row, int column, const QString& text)
{
    if (QStandardItem* item = model_->item(row, column))
        item->setText(text);
    else if (row >= 0 && row < model_->rowCount() && column >= 0 && column < ColumnCount())
        model_->setItem(row, column, NewCell(text));
}

int ReportTableView::RowCount() const
{
    return model_->rowCount();
}

QString ReportTableView::Text(int row, int column) const
{
    const QStandardItem* item = model_->item(row, column);
    return item != nullptr ? item->text() : QString();
}

int ReportTableView::SelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void ReportTableView::SetCellColours(int row, int column, const QColor& text, const QColor& background)
{
    QStandardItem* item = model_->item(row, column);
    if (item == nullptr) {
        if (row < 0 || row >= model_->rowCount() || column < 0 || column >= ColumnCount())
            return;
        item = NewCell(QString());
        model_->setItem(row, column, item);
    }
    item->setForeground(text);
    item->setBackground(background);
}

QColor ReportTableView::CellTextColour(int row, int column) const
{
    const QStandardItem* item = model_->item(row, column);
    return item != nullptr ? item->foreground().color() : QColor();
}

QColor ReportTableView::CellBackgroundColour(int row, int column) const
{
    const QStandardItem* item = model_->item(row, column);
    return item != nullptr ? item->background().color() : QColor();
}

void ReportTableView::FitColumns()
{
    setUpdatesEnabled(false);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int column = 0; column < ColumnCount(); ++column) {
        // Every row counts, not a sample: the widest cell may be far down a long list.
        int width = horizontalHeader()->sectionSizeHint(column);
        for (int row = 0; row < model_->rowCount(); ++row) {
            const QModelIndex index = model_->index(row, column);
            width = std::max(width, itemDelegateForIndex(index)->sizeHint(option, index).width() +
                                        (showGrid() ? 1 : 0));
        }
        setColumnWidth(column, width);
    }
    setUpdatesEnabled(true);
}

} // namespace px
