#pragma once

#include <QColor>
#include <QStandardItemModel>
#include <QStringList>
#include <QTableView>
#include <vector>

namespace px {

// A plain report list: a header that ignores clicks, full-row selection, grid lines, no
// editing. Every cell carries a text colour and a background colour, the system's window text
// and window colours until someone sets others.
class ReportTableView : public QTableView
{
    Q_OBJECT
public:
    struct Column
    {
        QString title;
        int width = 60;
    };

    explicit ReportTableView(QWidget* parent = nullptr);

    // Replaces every column (and drops every row).
    void SetColumns(const std::vector<Column>& columns);
    // Every row, existing ones too, gets the default colours in the new column. Returns its index.
    int InsertColumn(int index, const QString& title, int width = 60);
    int ColumnCount() const;

    // Deletes every row; the columns stay.
    void Clear();
    // A row at the end, one text per column (missing texts are empty); returns its index.
    int AddRow(const QStringList& texts);
    int InsertRow(int row, const QStringList& texts = {});
    void SetText(int row, int column, const QString& text);
    int RowCount() const;
    QString Text(int row, int column) const;
    // The first selected row, or -1.
    int SelectedRow() const;

    void SetCellColours(int row, int column, const QColor& text, const QColor& background);
    QColor CellTextColour(int row, int column) const;
    QColor CellBackgroundColour(int row, int column) const;

    // Each column as wide as its widest cell, and never narrower than its header text.
    void FitColumns();

    QStandardItemModel* Model() const { return model_; }

private:
    QStandardItem* NewCell(const QString& text) const;

    QStandardItemModel* model_;
};

} // namespace px
