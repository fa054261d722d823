#include "mock/WaitUntil.h"
#include "gui/widgets/ColouredReportView.h"

#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace px {
namespace {

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

void ShowAndWait(QWidget& widget)
{
    widget.show();
    ASSERT_TRUE(test::WaitUntil([&] { return widget.isVisible(); }));
    QCoreApplication::processEvents();
}

TEST(HeaderGradientTest, ChannelsFallByTheStepAndStopAtZero)
{
    struct Case
    {
        HeaderGradient gradient;
        int pixelRow; // 0 is the top row
        QRgb colour;
    };
    const HeaderGradient browser{55, 180, 215, 5};
    const HeaderGradient defaults;
    const std::vector<Case> cases = {
        {browser, 0, qRgb(55, 180, 215)},        {browser, 1, qRgb(50, 175, 210)},
        {browser, 11, qRgb(0, 125, 160)},        {browser, 12, qRgb(0, 120, 155)},
        {defaults, 0, qRgb(171, 199, 235)},      {defaults, 21, qRgb(3, 31, 67)},
        {defaults, 22, qRgb(0, 23, 59)},         {defaults, 40, qRgb(0, 0, 0)},
        {{10, 20, 30, 0}, 30, qRgb(10, 20, 30)},
    };
    for (const Case& c : cases) {
        const QRgb got = HeaderGradientColour(c.gradient, c.pixelRow);
        EXPECT_EQ(QColor(got), QColor(c.colour))
            << "start red " << c.gradient.red << ", row " << c.pixelRow;
    }
    EXPECT_EQ(HeaderGradient{}.step, 8);
}

class ListCtrlClTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list_.resize(500, 200);
        list_.SetBackgroundColour(Qt::white);
        for (const char* title : {"设备编号", "设备地址", "设备类型"})
            list_.InsertColumn(list_.ColumnCount(), Q(title));
        for (int column = 0; column < 3; ++column)
            list_.setColumnWidth(column, 120);
        list_.AddRow({"3", "123", "LW3"});
        list_.AddRow({"7", "2097151", "BX-2"});
    }

    // The pixels of one row, as the list shows them.
    QImage RowImage(int row)
    {
        const QImage image = list_.viewport()->grab().toImage();
        const int top = list_.rowViewportPosition(row);
        return image.copy(0, top, image.width(), list_.rowHeight(row));
    }

    ColouredReportView list_;
};

TEST_F(ListCtrlClTest, HeaderIsPaintedAsTheGradientRowByRow)
{
    for (const HeaderGradient& g : {HeaderGradient{}, HeaderGradient{55, 180, 215, 5}}) {
        list_.Header()->SetGradient(g);
        list_.Header()->SetHeightFactor(2.0); // tall enough to reach zero with the defaults
        ShowAndWait(list_);
        const QImage image = list_.Header()->viewport()->grab().toImage();
        ASSERT_GE(image.height(), 24);
        const int lastRight = list_.columnViewportPosition(2) + list_.columnWidth(2);
        ASSERT_LT(lastRight + 10, image.width());
        for (int y = 0; y < image.height(); ++y) {
            const QColor expected(HeaderGradientColour(g, y));
            // Beside the centred title, and right of the last item.
            EXPECT_EQ(image.pixelColor(3, y), expected) << "row " << y;
            EXPECT_EQ(image.pixelColor(lastRight + 5, y), expected) << "row " << y;
        }
    }
}

TEST_F(ListCtrlClTest, HeaderHeightFactorMovesTheRowsDown)
{
    ShowAndWait(list_);
    const int plain = list_.Header()->height();
    ASSERT_GT(plain, 0);
    list_.Header()->SetHeightFactor(1.5);
    ASSERT_TRUE(test::WaitUntil([&] { return list_.Header()->height() != plain; }));
    EXPECT_NEAR(list_.Header()->height(), plain * 1.5, 1.0);
    const int rowsTop = list_.viewport()->mapTo(&list_, QPoint(0, 0)).y();
    EXPECT_GE(rowsTop, list_.Header()->geometry().bottom() + 1);
}

TEST_F(ListCtrlClTest, ColumnsAreCentredAndNamedInTheHeader)
{
    EXPECT_EQ(list_.Header()->Texts(), (QStringList{Q("设备编号"), Q("设备地址"), Q("设备类型")}));
    EXPECT_EQ(list_.Header()->Alignment(), "111");
    EXPECT_EQ(list_.InsertColumn(1, Q("备注")), 1);
    EXPECT_EQ(list_.Header()->SectionText(1), Q("备注"));
    EXPECT_EQ(list_.Header()->SectionText(2), Q("设备地址"));
    EXPECT_EQ(list_.Header()->Alignment(), "1111");
    EXPECT_EQ(list_.Text(1, 2), "2097151") << "cells move with their column";
}

TEST_F(ListCtrlClTest, CellColoursFollowCellThenColumnThenList)
{
    struct Case
    {
        const char* what;
        std::function<void(ColouredReportView&)> set;
        bool selected;
        QColor background;
        QColor text;
    };
    const QColor highlight = list_.palette().color(QPalette::Active, QPalette::Highlight);
    const std::vector<Case> cases = {
        {"nothing set", [](ColouredReportView&) {}, false, Qt::white, Qt::black},
        {"default text colour", [](ColouredReportView& l) { l.SetTextColour(Qt::darkGreen); }, false,
         Qt::white, Qt::darkGreen},
        {"column colours",
         [](ColouredReportView& l) {
             l.SetColumnBackgroundColour(1, QColor(210, 254, 205));
             l.SetColumnTextColour(1, Qt::blue);
         },
         false, QColor(210, 254, 205), Qt::blue},
        {"cell colours over column colours",
         [](ColouredReportView& l) {
             l.SetColumnBackgroundColour(1, QColor(210, 254, 205));
             l.SetColumnTextColour(1, Qt::blue);
             l.SetCellBackgroundColour(0, 1, Qt::yellow);
             l.SetCellTextColour(0, 1, Qt::red);
         },
         false, Qt::yellow, Qt::red},
        {"colours of another cell and column",
         [](ColouredReportView& l) {
             l.SetColumnBackgroundColour(2, Qt::cyan);
             l.SetCellBackgroundColour(1, 1, Qt::yellow);
             l.SetCellTextColour(0, 0, Qt::red);
         },
         false, Qt::white, Qt::black},
        {"selected row keeps its text colour on the highlight",
         [](ColouredReportView& l) {
             l.SetCellBackgroundColour(0, 1, Qt::yellow);
             l.SetCellTextColour(0, 1, Qt::red);
         },
         true, highlight, Qt::red},
    };
    for (const Case& c : cases) {
        ColouredReportView list;
        list.SetBackgroundColour(Qt::white);
        list.InsertColumn(0, "a");
        list.InsertColumn(1, "b");
        list.InsertColumn(2, "c");
        list.AddRow({"1", "2", "3"});
        c.set(list);
        EXPECT_EQ(list.CellBackground(0, 1, c.selected), c.background) << c.what;
        EXPECT_EQ(list.CellTextColour(0, 1), c.text) << c.what;
    }
}

TEST_F(ListCtrlClTest, CellsArePaintedInTheirColours)
{
    list_.SetColumnBackgroundColour(0, QColor(254, 252, 201));
    list_.SetCellBackgroundColour(1, 1, Qt::yellow);
    ShowAndWait(list_);

    const auto colourAt = [&](int row, int column) {
        // A corner of the cell, clear of its centred text and its grid line.
        return RowImage(row).pixelColor(list_.columnViewportPosition(column) + 2, 2);
    };
    EXPECT_EQ(colourAt(0, 0), QColor(254, 252, 201));
    EXPECT_EQ(colourAt(0, 1), QColor(Qt::white)) << "the list's own background";
    EXPECT_EQ(colourAt(1, 1), QColor(Qt::yellow));

    list_.selectRow(1);
    QCoreApplication::processEvents();
    const QColor highlight = list_.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(colourAt(1, 0), highlight);
    EXPECT_EQ(colourAt(1, 1), highlight) << "selection covers the cell's own colour";
    EXPECT_EQ(list_.SelectedRow(), 1);
}

TEST_F(ListCtrlClTest, CellTextFollowsTheColumnAlignment)
{
    list_.SetTextColour(Qt::black);
    list_.SetItemText(0, 0, "MM");
    list_.SetItemText(0, 1, "MM");
    list_.SetItemText(0, 2, "MM");
    list_.Header()->Alignment() = "012";
    ShowAndWait(list_);
    const QImage row = RowImage(0);

    for (int column = 0; column < 3; ++column) {
        const int left = list_.columnViewportPosition(column);
        const int right = left + list_.columnWidth(column) - 2; // before the grid line
        int first = -1;
        int last = -1;
        for (int x = left; x < right; ++x) {
            for (int y = 0; y < row.height() - 1; ++y) {
                if (row.pixelColor(x, y).lightness() < 128) {
                    if (first < 0)
                        first = x;
                    last = x;
                }
            }
        }
        ASSERT_GE(first, 0) << "column " << column << " shows its text";
        const int slack = list_.columnWidth(column) - (last - first + 1);
        ASSERT_GT(slack, 60) << "the column is wide enough to tell the alignments apart";
        switch (column) {
        case 0:
            EXPECT_LE(first - left, 8) << "left";
            break;
        case 1:
            EXPECT_NEAR((first + last) / 2.0, left + list_.columnWidth(column) / 2.0, 4)
                << "centred";
            break;
        default:
            EXPECT_LE(right - last, 8) << "right";
        }
    }
}

TEST_F(ListCtrlClTest, FittedColumnsShowTheirWidestCellAndTheirWholeTitle)
{
    ColouredReportView list;
    list.InsertColumn(0, Q("一个很长很长的列标题"));
    list.InsertColumn(1, Q("短"));
    list.InsertColumn(2, Q("号"));
    for (int row = 0; row < 2000; ++row)
        list.AddRow({"1", row == 1500 ? "a much longer text far down the list" : "x", "7"});
    list.setColumnWidth(2, 600);
    list.FitColumns();

    const QFontMetrics header(list.Header()->font());
    const QFontMetrics cells(list.CellFont());
    EXPECT_GE(list.columnWidth(0), header.horizontalAdvance(Q("一个很长很长的列标题")));
    EXPECT_GT(list.columnWidth(0), cells.horizontalAdvance("1") * 4);
    EXPECT_GE(list.columnWidth(1), cells.horizontalAdvance("a much longer text far down the list"));
    EXPECT_GE(list.columnWidth(2), header.horizontalAdvance(Q("号")));
    EXPECT_LT(list.columnWidth(2), 100) << "a column wider than it needs shrinks";
}

TEST_F(ListCtrlClTest, RowHeightIsFixedWhenSet)
{
    list_.SetRowHeight(30);
    EXPECT_EQ(list_.rowHeight(0), 30);
    EXPECT_EQ(list_.rowHeight(1), 30);
    list_.SetRowHeight(0);
    EXPECT_EQ(list_.rowHeight(1), QFontMetrics(list_.CellFont()).height() + 4);
}

TEST_F(ListCtrlClTest, DeletingAllRowsKeepsTheColumns)
{
    list_.DeleteAllItems();
    EXPECT_EQ(list_.RowCount(), 0);
    EXPECT_EQ(list_.ColumnCount(), 3);
    EXPECT_EQ(list_.SelectedRow(), -1);
    EXPECT_EQ(list_.AddRow({"1", "2"}), 0);
    EXPECT_EQ(list_.Text(0, 1), "2");
    EXPECT_EQ(list_.Text(0, 2), "");
}

} // namespace
} // namespace px
