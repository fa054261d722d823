#include "gui/widgets/ReportTableModel.h"

#include <algorithm>

namespace px {

namespace {

const QList<int> kTextRoles = {Qt::DisplayRole, Qt::ToolTipRole};
const QList<int> kColourRoles = {Qt::ForegroundRole, Qt::BackgroundRole};

// The most particular colour that is set: cell, then column, then the whole list.
QColor FirstSet(std::initializer_list<QColor> colours)
{
    for (const QColor& colour : colours) {
        if (colour.isValid())
            return colour;
    }
    return {};
}

QVariant Colour(const QColor& colour)
{
    return colour.isValid() ? QVariant(colour) : QVariant();
}

} // namespace

ReportTableModel::ReportTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportTableModel::SetColumns(const std::vector<Column>& columns)
{
    beginResetModel();
    rows_.clear();
    columns_.clear();
    for (const Column& column : columns)
        columns_.push_back({column, {}, {}});
    endResetModel();
}

int ReportTableModel::InsertColumn(int index, const Column& column)
{
    index = std::clamp(index, 0, ColumnCount());
    beginInsertColumns({}, index, index);
    columns_.insert(columns_.begin() + index, {column, {}, {}});
    for (std::vector<Cell>& row : rows_)
        row.insert(row.begin() + index, Cell{});
    endInsertColumns();
    return index;
}

void ReportTableModel::Clear()
{
    if (rows_.empty())
        return;
    beginRemoveRows({}, 0, RowCount() - 1);
    rows_.clear();
    endRemoveRows();
}

int ReportTableModel::InsertRow(int row, const QStringList& texts)
{
    row = std::clamp(row, 0, RowCount());
    std::vector<Cell> cells(columns_.size());
    for (std::size_t column = 0; column < cells.size() && column < std::size_t(texts.size());
         ++column)
        cells[column].text = texts[static_cast<qsizetype>(column)];
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, std::move(cells));
    endInsertRows();
    return row;
}

int ReportTableModel::AddRow(const QStringList& texts)
{
    return InsertRow(RowCount(), texts);
}

ReportTableModel::Cell* ReportTableModel::CellAt(int row, int column)
{
    if (row < 0 || row >= RowCount() || column < 0 || column >= ColumnCount())
        return nullptr;
    return &rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

const ReportTableModel::Cell* ReportTableModel::CellAt(int row, int column) const
{
    return const_cast<ReportTableModel*>(this)->CellAt(row, column);
}

void ReportTableModel::CellChanged(int row, int column, const QList<int>& roles)
{
    const QModelIndex changed = index(row, column);
    emit dataChanged(changed, changed, roles);
}

void ReportTableModel::SetText(int row, int column, const QString& text)
{
    if (Cell* cell = CellAt(row, column)) {
        cell->text = text;
        CellChanged(row, column, kTextRoles);
    }
}

QString ReportTableModel::Text(int row, int column) const
{
    const Cell* cell = CellAt(row, column);
    return cell != nullptr ? cell->text : QString();
}

void ReportTableModel::SetCellColours(int row, int column, const QColor& text,
                                      const QColor& background)
{
    if (Cell* cell = CellAt(row, column)) {
        cell->textColour = text;
        cell->background = background;
        CellChanged(row, column, kColourRoles);
    }
}

void ReportTableModel::SetColumnColours(int column, const QColor& text, const QColor& background)
{
    if (column < 0 || column >= ColumnCount())
        return;
    ColumnData& data = columns_[static_cast<std::size_t>(column)];
    data.textColour = text;
    data.background = background;
    if (!rows_.empty())
        emit dataChanged(index(0, column), index(RowCount() - 1, column), kColourRoles);
}

void ReportTableModel::SetTextColour(const QColor& colour)
{
    textColour_ = colour;
    if (!rows_.empty() && !columns_.empty())
        emit dataChanged(index(0, 0), index(RowCount() - 1, ColumnCount() - 1),
                         {Qt::ForegroundRole});
}

QColor ReportTableModel::TextColour(int row, int column) const
{
    const Cell* cell = CellAt(row, column);
    if (cell == nullptr)
        return {};
    return FirstSet(
        {cell->textColour, columns_[static_cast<std::size_t>(column)].textColour, textColour_});
}

QColor ReportTableModel::BackgroundColour(int row, int column) const
{
    const Cell* cell = CellAt(row, column);
    if (cell == nullptr)
        return {};
    return FirstSet({cell->background, columns_[static_cast<std::size_t>(column)].background});
}

int ReportTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : RowCount();
}

int ReportTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const
{
    const Cell* cell = index.isValid() ? CellAt(index.row(), index.column()) : nullptr;
    if (cell == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell->text;
    case Qt::ToolTipRole:
        // The view shows it only where the column cuts the text off.
        return cell->text.isEmpty() ? QVariant() : QVariant(cell->text);
    case Qt::ForegroundRole:
        return Colour(TextColour(index.row(), index.column()));
    case Qt::BackgroundRole:
        return Colour(BackgroundColour(index.row(), index.column()));
    case Qt::TextAlignmentRole: {
        Qt::Alignment horizontal = ColumnAt(index.column()).alignment;
        if (!horizontal)
            horizontal = Qt::AlignLeft;
        return int(horizontal | Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const Column& column = ColumnAt(section);
    switch (role) {
    case Qt::DisplayRole:
        return column.title;
    case Qt::TextAlignmentRole:
        // Without an alignment of its own the header's default (centred) applies.
        if (!column.alignment)
            return {};
        return int(column.alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags ReportTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace px
