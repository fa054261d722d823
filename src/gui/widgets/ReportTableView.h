#pragma once

#include "gui/widgets/GradientHeaderView.h"
#include "gui/widgets/ReportTableModel.h"

#include <QTableView>
#include <vector>

namespace px {

// A report list on its own ReportTableModel: full-row selection of one row, grid lines, no
// editing, a header that ignores clicks. Cells show the colours the model gives them, else the
// list's background and the system's text colours.
class ReportTableView : public QTableView
{
    Q_OBJECT
public:
    enum class HeaderLook
    {
        Plain,
        Gradient, // a GradientHeaderView
    };

    explicit ReportTableView(QWidget* parent = nullptr, HeaderLook look = HeaderLook::Plain);

    ReportTableModel* Model() const { return model_; }
    // nullptr with the plain header.
    GradientHeaderView* GradientHeader() const { return gradientHeader_; }

    // The first selected row, or -1.
    int SelectedRow() const;

    // Each column as wide as its widest cell and never narrower than its header text; the
    // last column fills the rest of the list instead when it is set to. A filling list keeps
    // every title in sight: when the widest cells leave no room for the last column's title,
    // the columns give up room from the right (never below their own titles), and the texts
    // they cut off show whole in a tooltip. It fits again whenever the list changes size,
    // until a column is resized by hand.
    void FitColumns();
    // How wide a column's widest cell needs the column to be; every row counts.
    int ContentWidth(int column) const;
    // How wide a column's header text needs the column to be.
    int TitleWidth(int column) const;
    // The last column takes the room the others leave, never less than its header text; a
    // text too long for it is cut off and shown whole in its tooltip, so it cannot widen the
    // list beyond its window.
    void SetLastColumnFills(bool fills);

    // Every row this high when above 0; 0 fits the rows to the cell font.
    void SetRowHeight(int height);
    int RowHeight() const;
    // The cells' font; the list's own font until set.
    void SetCellFont(const QFont& font) { setFont(font); }
    QFont CellFont() const { return font(); }

    // Behind cells without a background of their own.
    void SetBackgroundColour(const QColor& colour);
    QColor BackgroundColour() const;

    // What a cell is painted with. A selected row shows the highlight, and its cells keep a
    // text colour of their own; cells without one take the highlight's text colour.
    QColor CellBackground(int row, int column, bool selected) const;
    QColor CellTextColour(int row, int column, bool selected) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyModelWidths(int first, int last);
    void ApplyFittedWidths();
    void FillLastColumn();
    void ApplyRowHeight();

    ReportTableModel* model_;
    GradientHeaderView* gradientHeader_ = nullptr;
    int rowHeight_ = 0;
    bool lastColumnFills_ = false;
    // What FitColumns found each column (but a filling last one) needs; empty when the
    // widths are not the fitted ones.
    std::vector<int> wanted_;
    bool settingWidths_ = false; // the widths being set are ours, not the user's
};

// The widths for columns that want wanted[i] and need at least least[i], within room: each
// keeps what it wants while the sum fits; otherwise the columns give up room from the right,
// each down to its least before the next one gives any, since a list puts what identifies a
// row first. When the leasts alone do not fit, the leasts.
std::vector<int> ShareWidths(const std::vector<int>& wanted, const std::vector<int>& least,
                             int room);

} // namespace px
