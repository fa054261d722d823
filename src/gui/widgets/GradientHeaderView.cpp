#include "gui/widgets/GradientHeaderView.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace px {

QFont ListFont(int height, int width)
{
    QFont font(QString::fromUtf8("宋体"));
    font.setPixelSize(height > 0 ? height : 12);
    if (width > 0) {
        const int natural = QFontMetrics(font).averageCharWidth();
        if (natural > 0)
            font.setStretch(std::clamp(100 * width / natural, 1, 4000));
    }
    return font;
}

GradientHeaderView::GradientHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName("GradientHeaderView");
    setFont(ListFont(15, 0));
    setSectionsClickable(false);
    setHighlightSections(false);
    setSortIndicatorShown(false);
    setDefaultAlignment(Qt::AlignCenter);
}

void GradientHeaderView::SetGradient(const HeaderGradient& gradient)
{
    gradient_ = gradient;
    viewport()->update();
}

void GradientHeaderView::SetGradient(int red, int green, int blue, int step)
{
    SetGradient(HeaderGradient{red, green, blue, step});
}

void GradientHeaderView::SetHeightFactor(double factor)
{
    heightFactor_ = factor;
    updateGeometry();
    // The view places its rows below the header when the header says its geometry changed.
    emit geometriesChanged();
    viewport()->update();
}

void GradientHeaderView::SetFontSize(int height, int width)
{
    setFont(ListFont(height, width));
    updateGeometry();
    emit geometriesChanged();
}

void GradientHeaderView::SetTextColour(const QColor& colour)
{
    textColour_ = colour;
    viewport()->update();
}

QString GradientHeaderView::SectionText(int logicalIndex) const
{
    return model() != nullptr ? model()->headerData(logicalIndex, orientation()).toString()
                              : QString();
}

Qt::Alignment GradientHeaderView::SectionAlignment(int logicalIndex) const
{
    const QVariant own =
        model() != nullptr ? model()->headerData(logicalIndex, orientation(), Qt::TextAlignmentRole)
                           : QVariant();
    const Qt::Alignment alignment = own.isValid() ? Qt::Alignment(own.toInt()) : defaultAlignment();
    return alignment & Qt::AlignHorizontal_Mask;
}

int GradientHeaderView::TextWidth(int logicalIndex) const
{
    // One more pixel for the item's left edge, which shows the header's own background.
    return fontMetrics().horizontalAdvance(SectionText(logicalIndex)) + 2 * kListTextMargin + 1;
}

QSize GradientHeaderView::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(static_cast<int>(std::lround(size.height() * heightFactor_)));
    return size;
}

QSize GradientHeaderView::sectionSizeFromContents(int logicalIndex) const
{
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    size.setWidth(TextWidth(logicalIndex));
    return size;
}

void GradientHeaderView::PaintGradient(QPainter* painter, const QRect& rect) const
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        painter->fillRect(QRect(rect.left(), y, rect.width(), 1),
                          QColor(HeaderGradientColour(gradient_, y)));
}

void GradientHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    painter->save();
    // The item's first pixel column keeps the header's background: the line between items.
    painter->fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), palette().button());
    PaintGradient(painter, rect.adjusted(1, 0, 0, 0));

    const Qt::Alignment horizontal = SectionAlignment(logicalIndex);
    // Left and right texts keep off the edges; a centred one is alone in the middle anyway.
    const QRect textRect = rect.adjusted(kListTextInset, 0, -kListTextInset, 0);
    painter->setFont(font());
    painter->setPen(textColour_);
    painter->drawText(textRect, static_cast<int>(horizontal | Qt::AlignVCenter),
                      SectionText(logicalIndex));
    painter->restore();
}

void GradientHeaderView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(viewport());
    const int height = viewport()->height();
    int right = 0;
    for (int visual = 0; visual < count(); ++visual) {
        const int logical = logicalIndex(visual);
        if (isSectionHidden(logical))
            continue;
        const QRect rect(sectionViewportPosition(logical), 0, sectionSize(logical), height);
        paintSection(&painter, rect, logical);
        right = std::max(right, rect.right() + 1);
    }
    // Right of the last item the header is painted like an item, without a text.
    if (right < viewport()->width())
        PaintGradient(&painter, QRect(right, 0, viewport()->width() - right, height));
}

} // namespace px
