#include "gui/widgets/CallerGridModel.h"

#include <QColor>

namespace px {

namespace {

// The widths of the grid's columns; their titles are the caller table's.
constexpr int kColumnWidths[kCallerGridColumns] = {52, 63, 64, 64, 57, 57, 57,
                                                   57, 69, 69, 69, 69, 67};

const QColor kOddRow(218, 176, 202);
const QColor kEvenRow(255, 255, 224);

} // namespace

CallerGridModel::CallerGridModel(QObject* parent) : QAbstractTableModel(parent) {}

const char* CallerGridModel::HeaderText(int column)
{
    return CallerTable().columns[static_cast<std::size_t>(column)].title;
}

int CallerGridModel::ColumnWidth(int column)
{
    return kColumnWidths[column];
}

int CallerGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size()) + 1;
}

int CallerGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kCallerGridColumns;
}

QVariant CallerGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return QString::fromStdString(Text(index.row(), index.column()));
    case Qt::BackgroundRole:
        // Rows are counted from the header: the first data row is row 1, an odd row.
        return (index.row() + 1) % 2 == 1 ? kOddRow : kEvenRow;
    default:
        return {};
    }
}

QVariant CallerGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < kCallerGridColumns)
        return QString::fromUtf8(HeaderText(section));
    return {};
}

Qt::ItemFlags CallerGridModel::flags(const QModelIndex& index) const
{
    // The root is no cell: nothing to edit there.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

CallerGridRow& CallerGridModel::RowAt(int row)
{
    return row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)] : blank_;
}

std::string CallerGridModel::Text(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kCallerGridColumns)
        return {};
    const CallerGridRow& cells =
        row < static_cast<int>(rows_.size()) ? rows_[static_cast<std::size_t>(row)] : blank_;
    return cells[static_cast<std::size_t>(column)];
}

void CallerGridModel::SetText(int row, int column, const std::string& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= kCallerGridColumns)
        return;
    RowAt(row)[static_cast<std::size_t>(column)] = text;
    emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

bool CallerGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    SetText(index.row(), index.column(), text.toStdString());
    emit cellEdited(index.row(), index.column(), text);
    return true;
}

void CallerGridModel::Reset()
{
    SetRows({});
}

void CallerGridModel::SetRows(std::vector<CallerGridRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    blank_ = {};
    endResetModel();
}

void CallerGridModel::InsertTop(const CallerGridRow& row)
{
    beginInsertRows({}, 0, 0);
    rows_.insert(rows_.begin(), row);
    endInsertRows();
    // Every row below moves by one, so its colour changes.
    emit dataChanged(index(0, 0), index(rowCount() - 1, kCallerGridColumns - 1),
                     {Qt::BackgroundRole});
}

} // namespace px
