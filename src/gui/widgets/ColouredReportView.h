#pragma once

#include "gui/widgets/GradientHeaderView.h"

#include <QStandardItemModel>
#include <QStringList>
#include <QTableView>
#include <map>
#include <utility>
#include <vector>

namespace px {

// A report list that paints its own cells: colours per column and per cell, the alignment of
// its header's alignment string, and a gradient header (GradientHeaderView).
//
// Colours are kept by row and column number, not by item: they stay where they were set when
// rows come and go.
class ColouredReportView : public QTableView
{
    Q_OBJECT
public:
    explicit ColouredReportView(QWidget* parent = nullptr);

    GradientHeaderView* Header() const { return header_; }
    QStandardItemModel* Model() const { return model_; }

    // A centred column; the title also goes to the header's texts. Returns the column's index.
    int InsertColumn(int index, const QString& title);
    int ColumnCount() const;

    // A row with the first cell's text; returns its index.
    int InsertItem(int row, const QString& text);
    // A row at the end with one text per column; returns its index.
    int AddRow(const QStringList& texts);
    void SetItemText(int row, int column, const QString& text);
    QString Text(int row, int column) const;
    int RowCount() const;
    void DeleteAllItems();

    // The first selected row, or -1.
    int SelectedRow() const;

    void SetColumnBackgroundColour(int column, const QColor& colour);
    void SetCellBackgroundColour(int row, int column, const QColor& colour);
    void SetColumnTextColour(int column, const QColor& colour);
    void SetCellTextColour(int row, int column, const QColor& colour);
    // The text colour of cells without a colour of their own or of their column.
    void SetTextColour(const QColor& colour);
    // The list's own background, behind cells without a colour of their own or of their column.
    void SetBackgroundColour(const QColor& colour);
    QColor BackgroundColour() const;

    // What a cell is painted with. Selected rows show the highlight behind their usual text
    // colour.
    QColor CellBackground(int row, int column, bool selected) const;
    QColor CellTextColour(int row, int column) const;

    // Every row this high when above 0; 0 fits the rows to the cell font.
    void SetRowHeight(int height);
    int RowHeight() const;
    // The cell font "宋体" by pixel height and average character width (0: its own).
    void SetFontSize(int height, int width);
    const QFont& CellFont() const { return cellFont_; }

    // Each column as wide as its widest cell, and never narrower than its header text.
    void FitColumns();
    // How wide a column's widest cell text needs the column to be.
    int ContentWidth(int column) const;

private:
    void ApplyRowHeight();

    QStandardItemModel* model_;
    GradientHeaderView* header_;
    QFont cellFont_;
    int rowHeight_ = 0;
    QColor textColour_ = Qt::black;
    std::map<int, QColor> columnBackground_;
    std::map<int, QColor> columnText_;
    std::map<std::pair<int, int>, QColor> cellBackground_;
    std::map<std::pair<int, int>, QColor> cellText_;
};

} // namespace px
