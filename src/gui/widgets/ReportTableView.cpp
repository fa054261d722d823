#include "gui/widgets/ReportTableView.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

namespace px {

namespace {

QRect TextRect(const QRect& cell)
{
    return cell.adjusted(kListTextInset, 0, -kListTextInset, 0);
}

// Paints every cell from the list's colour rules; the style's own item look (focus frame,
// selection gradient) would hide them.
class ReportCellDelegate final : public QStyledItemDelegate
{
public:
    explicit ReportCellDelegate(ReportTableView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const QRect textRect = TextRect(option.rect);
        const auto alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        const QString text = option.fontMetrics.elidedText(
            index.data(Qt::DisplayRole).toString(), view_->textElideMode(), textRect.width());
        painter->save();
        painter->fillRect(option.rect,
                          view_->CellBackground(index.row(), index.column(), selected));
        painter->setFont(option.font);
        painter->setPen(view_->CellTextColour(index.row(), index.column(), selected));
        painter->drawText(textRect, static_cast<int>(alignment), text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QSize(option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                         2 * kListTextMargin,
                     view_->RowHeight());
    }

    // A tooltip repeating a text the cell shows whole would only be in the way.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() == QEvent::ToolTip &&
            option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) <=
                TextRect(option.rect).width()) {
            QToolTip::hideText();
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

private:
    ReportTableView* view_;
};

} // namespace

ReportTableView::ReportTableView(QWidget* parent, HeaderLook look)
    : QTableView(parent), model_(new ReportTableModel(this))
{
    setObjectName("ReportTableView");
    if (look == HeaderLook::Gradient) {
        gradientHeader_ = new GradientHeaderView(this);
        setHorizontalHeader(gradientHeader_);
    }
    setModel(model_);
    setItemDelegate(new ReportCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setShowGrid(true);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    ApplyRowHeight();

    // After the header's own handlers, which give new columns the default width.
    connect(model_, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) { ApplyModelWidths(first, last); });
    connect(model_, &QAbstractItemModel::modelReset, this,
            [this] { ApplyModelWidths(0, model_->ColumnCount() - 1); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (column == model_->ColumnCount() - 1)
            return;
        if (!settingWidths_)
            wanted_.clear(); // resized by hand: the user's widths stay
        FillLastColumn();
    });
}

std::vector<int> ShareWidths(const std::vector<int>& wanted, const std::vector<int>& least,
                             int room)
{
    std::vector<int> widths = wanted;
    long long excess = -room;
    for (const int w : wanted)
        excess += w;
    for (std::size_t i = widths.size(); i-- > 0 && excess > 0;) {
        const int give = static_cast<int>(std::min<long long>(excess, widths[i] - least[i]));
        if (give > 0) {
            widths[i] -= give;
            excess -= give;
        }
    }
    return widths;
}

void ReportTableView::ApplyModelWidths(int first, int last)
{
    wanted_.clear();
    settingWidths_ = true;
    for (int column = first; column <= last; ++column)
        setColumnWidth(column, model_->ColumnAt(column).width);
    settingWidths_ = false;
    FillLastColumn();
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

int ReportTableView::ContentWidth(int column) const
{
    // Every row, not a sample: the widest cell may be far down a long list.
    const QFontMetrics metrics(font());
    int widest = 0;
    for (int row = 0; row < model_->RowCount(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(model_->Text(row, column)));
    return widest + 2 * kListTextMargin + (showGrid() ? 1 : 0);
}

int ReportTableView::TitleWidth(int column) const
{
    return horizontalHeader()->sectionSizeHint(column);
}

void ReportTableView::FitColumns()
{
    const int fitted = model_->ColumnCount() - (lastColumnFills_ ? 1 : 0);
    wanted_.clear();
    for (int column = 0; column < fitted; ++column)
        wanted_.push_back(std::max(ContentWidth(column), TitleWidth(column)));
    ApplyFittedWidths();
}

void ReportTableView::ApplyFittedWidths()
{
    const int last = model_->ColumnCount() - 1;
    if (std::ssize(wanted_) != (lastColumnFills_ ? last : last + 1)) {
        wanted_.clear(); // the columns changed since the fit
        FillLastColumn();
        return;
    }
    std::vector<int> widths = wanted_;
    if (lastColumnFills_ && last >= 0) {
        std::vector<int> titles;
        for (int column = 0; column < last; ++column)
            titles.push_back(TitleWidth(column));
        widths = ShareWidths(wanted_, titles, viewport()->width() - TitleWidth(last));
    }
    setUpdatesEnabled(false);
    settingWidths_ = true;
    for (std::size_t column = 0; column < widths.size(); ++column)
        setColumnWidth(static_cast<int>(column), widths[column]);
    settingWidths_ = false;
    FillLastColumn();
    setUpdatesEnabled(true);
}

void ReportTableView::SetLastColumnFills(bool fills)
{
    lastColumnFills_ = fills;
    wanted_.clear(); // fitted for the other kind of list
    FillLastColumn();
}

void ReportTableView::FillLastColumn()
{
    const int last = model_->ColumnCount() - 1;
    if (!lastColumnFills_ || last < 0)
        return;
    int others = 0;
    for (int column = 0; column < last; ++column)
        others += columnWidth(column);
    setColumnWidth(last, std::max(TitleWidth(last), viewport()->width() - others));
}

void ReportTableView::resizeEvent(QResizeEvent* event)
{
    // Also the viewport's resizes, as when a vertical scroll bar comes or goes.
    QTableView::resizeEvent(event);
    if (lastColumnFills_ && !wanted_.empty())
        ApplyFittedWidths();
    else
        FillLastColumn();
}

void ReportTableView::changeEvent(QEvent* event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        ApplyRowHeight();
}

void ReportTableView::SetRowHeight(int height)
{
    rowHeight_ = height;
    ApplyRowHeight();
}

int ReportTableView::RowHeight() const
{
    return rowHeight_ > 0 ? rowHeight_ : QFontMetrics(font()).height() + 4;
}

void ReportTableView::ApplyRowHeight()
{
    verticalHeader()->setDefaultSectionSize(RowHeight());
}

void ReportTableView::SetBackgroundColour(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    setPalette(p);
}

QColor ReportTableView::BackgroundColour() const
{
    return palette().color(QPalette::Base);
}

QColor ReportTableView::CellBackground(int row, int column, bool selected) const
{
    if (selected)
        return palette().color(QPalette::Active, QPalette::Highlight);
    const QVariant own = model_->index(row, column).data(Qt::BackgroundRole);
    return own.isValid() ? own.value<QColor>() : BackgroundColour();
}

QColor ReportTableView::CellTextColour(int row, int column, bool selected) const
{
    const QVariant own = model_->index(row, column).data(Qt::ForegroundRole);
    if (own.isValid())
        return own.value<QColor>();
    return palette().color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
}

} // namespace px
