#include "gui/widgets/ColouredReportView.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace px {

namespace {

constexpr int kTextInset = 3;

// Paints every cell from the list's colour rules; the style's own item look (focus frame,
// selection gradient) would hide them.
class ListCellDelegate final : public QStyledItemDelegate
{
public:
    explicit ListCellDelegate(ColouredReportView* list) : QStyledItemDelegate(list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state.testFlag(QStyle::State_Selected);
        const int row = index.row();
        const int column = index.column();
        painter->save();
        painter->fillRect(option.rect, list_->CellBackground(row, column, selected));

        const QString& alignment = list_->Header()->Alignment();
        const Qt::Alignment horizontal =
            ListAlignment(column < alignment.size() ? alignment[column] : QChar('1'));
        QRect textRect = option.rect;
        if (horizontal == Qt::AlignLeft)
            textRect.setLeft(textRect.left() + kTextInset);
        else if (horizontal == Qt::AlignRight)
            textRect.setRight(textRect.right() - kTextInset);
        painter->setFont(list_->CellFont());
        painter->setPen(list_->CellTextColour(row, column));
        painter->drawText(textRect, static_cast<int>(horizontal | Qt::AlignVCenter),
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& /*option*/, const QModelIndex& index) const override
    {
        const QFontMetrics metrics(list_->CellFont());
        return QSize(metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                         2 * kListTextMargin,
                     list_->RowHeight());
    }

private:
    ColouredReportView* list_;
};

QColor Find(const std::map<int, QColor>& colours, int column)
{
    const auto it = colours.find(column);
    return it != colours.end() ? it->second : QColor();
}

QColor Find(const std::map<std::pair<int, int>, QColor>& colours, int row, int column)
{
    const auto it = colours.find({row, column});
    return it != colours.end() ? it->second : QColor();
}

} // namespace

ColouredReportView::ColouredReportView(QWidget* parent)
    : QTableView(parent), model_(new QStandardItemModel(this)), header_(new GradientHeaderView(this)),
      cellFont_(ListFont(12, 0))
{
    setHorizontalHeader(header_);
    setModel(model_);
    setItemDelegate(new ListCellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setWordWrap(false);
    setShowGrid(true);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    header_->setStretchLastSection(false);
    ApplyRowHeight();
}

int ColouredReportView::InsertColumn(int index, const QString& title)
{
    index = std::clamp(index, 0, model_->columnCount());
    header_->Texts().insert(index, title);
    header_->Alignment().insert(index, QLatin1Char('1'));
    model_->insertColumn(index);
    model_->setHeaderData(index, Qt::Horizontal, title);
    model_->setHeaderData(index, Qt::Horizontal, Qt::AlignCenter, Qt::TextAlignmentRole);
    return index;
}

int ColouredReportView::ColumnCount() const
{
    return model_->columnCount();
}

int ColouredReportView::InsertItem(int row, const QString& text)
{
    row = std::clamp(row, 0, model_->rowCount());
    model_->insertRow(row);
    if (model_->columnCount() > 0)
        model_->setData(model_->index(row, 0), text);
    return row;
}

int ColouredReportView::AddRow(const QStringList& texts)
{
    QList<QStandardItem*> items;
    for (const QString& text : texts)
        items.append(new QStandardItem(text));
    for (qsizetype i = items.size(); i < model_->columnCount(); ++i)
        items.append(new QStandardItem());
    if (items.isEmpty())
        model_->insertRow(model_->rowCount());
    else
        model_->appendRow(items);
    return model_->rowCount() - 1;
}

void ColouredReportView::SetItemText(int row, int column, const QString& text)
{
    model_->setData(model_->index(row, column), text);
}

QString ColouredReportView::Text(int row, int column) const
{
    return model_->index(row, column).data(Qt::DisplayRole).toString();
}

int ColouredReportView::RowCount() const
{
    return model_->rowCount();
}

void ColouredReportView::DeleteAllItems()
{
    model_->removeRows(0, model_->rowCount());
}

int ColouredReportView::SelectedRow() const
{
    int first = -1;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

void ColouredReportView::SetColumnBackgroundColour(int column, const QColor& colour)
{
    columnBackground_[column] = colour;
    viewport()->update();
}

void ColouredReportView::SetCellBackgroundColour(int row, int column, const QColor& colour)
{
    cellBackground_[{row, column}] = colour;
    viewport()->update();
}

void ColouredReportView::SetColumnTextColour(int column, const QColor& colour)
{
    columnText_[column] = colour;
    viewport()->update();
}

void ColouredReportView::SetCellTextColour(int row, int column, const QColor& colour)
{
    cellText_[{row, column}] = colour;
    viewport()->update();
}

void ColouredReportView::SetTextColour(const QColor& colour)
{
    textColour_ = colour;
    viewport()->update();
}

void ColouredReportView::SetBackgroundColour(const QColor& colour)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, colour);
    setPalette(p);
}

QColor ColouredReportView::BackgroundColour() const
{
    return palette().color(QPalette::Base);
}

QColor ColouredReportView::CellBackground(int row, int column, bool selected) const
{
    if (selected)
        return palette().color(QPalette::Active, QPalette::Highlight);
    if (const QColor cell = Find(cellBackground_, row, column); cell.isValid())
        return cell;
    if (const QColor col = Find(columnBackground_, column); col.isValid())
        return col;
    return BackgroundColour();
}

QColor ColouredReportView::CellTextColour(int row, int column) const
{
    if (const QColor cell = Find(cellText_, row, column); cell.isValid())
        return cell;
    if (const QColor col = Find(columnText_, column); col.isValid())
        return col;
    return textColour_;
}

void ColouredReportView::SetRowHeight(int height)
{
    rowHeight_ = height;
    ApplyRowHeight();
}

int ColouredReportView::RowHeight() const
{
    return rowHeight_ > 0 ? rowHeight_ : QFontMetrics(cellFont_).height() + 4;
}

void ColouredReportView::SetFontSize(int height, int width)
{
    cellFont_ = ListFont(height, width);
    ApplyRowHeight();
    viewport()->update();
}

void ColouredReportView::ApplyRowHeight()
{
    verticalHeader()->setDefaultSectionSize(RowHeight());
}

int ColouredReportView::ContentWidth(int column) const
{
    // Every row counts, not only those in view: the widest cell may be far down a long table.
    const QFontMetrics metrics(cellFont_);
    int widest = 0;
    for (int row = 0; row < model_->rowCount(); ++row)
        widest = std::max(widest, metrics.horizontalAdvance(Text(row, column)));
    return widest + 2 * kListTextMargin;
}

void ColouredReportView::FitColumns()
{
    setUpdatesEnabled(false);
    for (int column = 0; column < model_->columnCount(); ++column)
        setColumnWidth(column, std::max(ContentWidth(column), header_->TextWidth(column)));
    setUpdatesEnabled(true);
}

} // namespace px
