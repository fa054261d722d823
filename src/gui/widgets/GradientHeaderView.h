#pragma once

#include <QColor>
#include <QHeaderView>
#include <QString>
#include <algorithm>

namespace px {

struct HeaderGradient
{
    int red = 171;
    int green = 199;
    int blue = 235;
    int step = 8; // taken off each channel per pixel row, downwards
};

// The colour of one pixel row of the header, row 0 being the top one. Each channel falls by the
// step per row and stays at 0 once it gets there.
constexpr QRgb HeaderGradientColour(const HeaderGradient& g, int pixelRow)
{
    const auto channel = [&](int start) {
        return std::clamp(start - g.step * std::max(pixelRow, 0), 0, 255);
    };
    return qRgb(channel(g.red), channel(g.green), channel(g.blue));
}

// A list header painted as a vertical gradient in its own font, with the model's titles and
// alignments.
class GradientHeaderView : public QHeaderView
{
    Q_OBJECT
public:
    explicit GradientHeaderView(QWidget* parent = nullptr);

    void SetGradient(const HeaderGradient& gradient);
    void SetGradient(int red, int green, int blue, int step);
    const HeaderGradient& Gradient() const { return gradient_; }

    // The height the style lays the header out at is multiplied by this.
    void SetHeightFactor(double factor);
    double HeightFactor() const { return heightFactor_; }

    // Pixel height; a width of 0 keeps the font's own proportions.
    void SetFontSize(int height, int width);
    void SetTextColour(const QColor& colour);
    QColor TextColour() const { return textColour_; }

    QString SectionText(int logicalIndex) const;
    Qt::Alignment SectionAlignment(int logicalIndex) const;
    // How wide a column must be so its header text shows whole.
    int TextWidth(int logicalIndex) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    void PaintGradient(QPainter* painter, const QRect& rect) const;

    HeaderGradient gradient_;
    double heightFactor_ = 1.0;
    QColor textColour_ = Qt::black;
};

// The lists' font "宋体" at a pixel height; a width above 0 stretches or narrows the glyphs so
// an average character is that wide.
QFont ListFont(int height, int width);

// Room between a cell's or header item's edge and its text, as a fitted column leaves it.
inline constexpr int kListTextMargin = 6;
// How close a left- or right-aligned text comes to its cell's or header item's edge.
inline constexpr int kListTextInset = 3;

} // namespace px
