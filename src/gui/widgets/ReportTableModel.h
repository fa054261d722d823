#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <vector>

namespace px {

// The rows of a report list: text cells under titled columns, each cell with an optional text
// and background colour of its own.
//
// A cell's colours are looked up cell first, then its column, then (text only) the model's
// default text colour. Where none is set the model gives no colour, and the view paints the
// cell in the system's colours.
class ReportTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString title;
        int width = 60; // pixels, until the view fits its columns
        // Empty: cells left, title centred, as plain report lists show them. Otherwise the
        // alignment of both the cells and the title.
        Qt::Alignment alignment = {};
    };

    explicit ReportTableModel(QObject* parent = nullptr);

    // Replaces every column and drops every row.
    void SetColumns(const std::vector<Column>& columns);
    // Existing rows get an empty cell in the new column; returns the column's index.
    int InsertColumn(int index, const Column& column);
    int ColumnCount() const { return static_cast<int>(columns_.size()); }
    const Column& ColumnAt(int column) const
    {
        return columns_.at(static_cast<std::size_t>(column)).column;
    }

    // Drops every row; the columns stay.
    void Clear();
    // One text per column; missing texts are empty cells and texts past the last column are
    // dropped. Returns the row's index.
    int InsertRow(int row, const QStringList& texts = {});
    int AddRow(const QStringList& texts);
    int RowCount() const { return static_cast<int>(rows_.size()); }
    void SetText(int row, int column, const QString& text);
    // Empty outside the table.
    QString Text(int row, int column) const;

    // An invalid colour leaves that part to the column, the default, or the system.
    void SetCellColours(int row, int column, const QColor& text, const QColor& background);
    void SetColumnColours(int column, const QColor& text, const QColor& background);
    void SetTextColour(const QColor& colour);

    // The colours a cell shows outside a selection; invalid where the system's colour applies.
    QColor TextColour(int row, int column) const;
    QColor BackgroundColour(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct Cell
    {
        QString text;
        QColor textColour;
        QColor background;
    };
    struct ColumnData
    {
        Column column;
        QColor textColour;
        QColor background;
    };

    Cell* CellAt(int row, int column);
    const Cell* CellAt(int row, int column) const;
    void CellChanged(int row, int column, const QList<int>& roles);

    std::vector<ColumnData> columns_;
    std::vector<std::vector<Cell>> rows_;
    QColor textColour_;
};

} // namespace px
