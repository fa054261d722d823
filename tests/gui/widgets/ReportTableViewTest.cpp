#include "gui/widgets/ReportTableView.h"

#include "mock/WaitUntil.h"

#include <QHeaderView>
#include <QImage>
#include <gtest/gtest.h>

namespace px {
namespace {

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

class ReportCtrlTest : public ::testing::Test
{
protected:
    QColor SystemText() const { return report_.palette().color(QPalette::Text); }
    QColor SystemBack() const { return report_.palette().color(QPalette::Base); }

    void ExpectSystemColours(int row, int column)
    {
        EXPECT_EQ(report_.CellTextColour(row, column), SystemText()) << row << "," << column;
        EXPECT_EQ(report_.CellBackgroundColour(row, column), SystemBack()) << row << "," << column;
    }

    ReportTableView report_;
};

TEST_F(ReportCtrlTest, WorksAsTheMainWindowsLists)
{
    report_.SetColumns({{Q("传呼号"), 20}, {Q("地址码"), 50}, {Q("类型"), 50}});
    EXPECT_EQ(report_.ColumnCount(), 3);
    EXPECT_EQ(report_.columnWidth(1), 50);
    EXPECT_EQ(report_.Model()->headerData(2, Qt::Horizontal).toString(), Q("类型"));

    report_.AddRow({"3", "123", "LW3"});
    report_.AddRow({"7", "2097151"});
    EXPECT_EQ(report_.RowCount(), 2);
    EXPECT_EQ(report_.Text(1, 1), "2097151");
    EXPECT_EQ(report_.Text(1, 2), "") << "a missing text is an empty cell";
    EXPECT_EQ(report_.Text(5, 0), "") << "outside the list";

    EXPECT_EQ(report_.SelectedRow(), -1);
    report_.selectRow(1);
    EXPECT_EQ(report_.SelectedRow(), 1);
    report_.selectRow(0);
    EXPECT_EQ(report_.SelectedRow(), 0) << "one row at a time";

    report_.Clear();
    EXPECT_EQ(report_.RowCount(), 0);
    EXPECT_EQ(report_.ColumnCount(), 3) << "clearing keeps the columns";
    EXPECT_EQ(report_.SelectedRow(), -1);

    report_.AddRow({"1"});
    report_.SetColumns({{Q("编号"), 80}});
    EXPECT_EQ(report_.RowCount(), 0) << "new columns start an empty list";
    EXPECT_EQ(report_.ColumnCount(), 1);
}

TEST_F(ReportCtrlTest, EveryCellHasColourSlotsInTheSystemColours)
{
    // A row made before any column exists.
    EXPECT_EQ(report_.AddRow({}), 0);
    EXPECT_EQ(report_.RowCount(), 1);
    report_.InsertColumn(0, Q("编号"));
    ExpectSystemColours(0, 0);

    report_.InsertColumn(1, Q("地址码"));
    report_.AddRow({"2", "1A2B"});
    report_.SetCellColours(1, 1, Qt::red, Qt::yellow);
    report_.InsertColumn(1, Q("备注"));
    for (int row = 0; row < 2; ++row) {
        ExpectSystemColours(row, 0);
        ExpectSystemColours(row, 1);
    }
    EXPECT_EQ(report_.CellTextColour(1, 2), QColor(Qt::red)) << "the colours moved with the cell";
    EXPECT_EQ(report_.CellBackgroundColour(1, 2), QColor(Qt::yellow));
    EXPECT_EQ(report_.Text(1, 2), "1A2B");
    ExpectSystemColours(0, 2);

    report_.InsertRow(0, {"first"});
    for (int column = 0; column < 3; ++column)
        ExpectSystemColours(0, column);
}

TEST_F(ReportCtrlTest, CellsArePaintedInTheirColours)
{
    report_.resize(400, 200);
    report_.SetColumns({{Q("编号"), 100}, {Q("地址码"), 100}});
    report_.AddRow({"1", "0001"});
    report_.AddRow({"2", "0002"});
    report_.SetCellColours(1, 1, Qt::red, QColor(253, 226, 214));
    report_.show();
    ASSERT_TRUE(test::WaitUntil([&] { return report_.isVisible(); }));
    QCoreApplication::processEvents();

    const QImage image = report_.viewport()->grab().toImage();
    const auto corner = [&](int row, int column) {
        return image.pixelColor(report_.columnViewportPosition(column) + 2,
                                report_.rowViewportPosition(row) + 2);
    };
    EXPECT_EQ(corner(1, 1), QColor(253, 226, 214));
    EXPECT_EQ(corner(1, 0), SystemBack());
    EXPECT_EQ(corner(0, 1), SystemBack());
}

TEST_F(ReportCtrlTest, FittedColumnsShowTheirWidestCellAndTheirWholeTitle)
{
    report_.SetColumns({{Q("一个很长很长的列标题"), 10}, {Q("号"), 10}, {Q("宽"), 600}});
    for (int row = 0; row < 1500; ++row)
        report_.AddRow({"1", row == 1400 ? "a much longer text far down the list" : "x", "y"});
    report_.FitColumns();

    const QFontMetrics header(report_.horizontalHeader()->font());
    const QFontMetrics cells(report_.font());
    EXPECT_GE(report_.columnWidth(0), header.horizontalAdvance(Q("一个很长很长的列标题")));
    EXPECT_GE(report_.columnWidth(1),
              cells.horizontalAdvance("a much longer text far down the list"));
    EXPECT_LT(report_.columnWidth(2), 100) << "a column wider than it needs shrinks";
}

} // namespace
} // namespace px
