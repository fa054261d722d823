#include "gui/widgets/ReportTableView.h"

#include "mock/CellToolTip.h"
#include "mock/WaitUntil.h"

#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace px {
namespace {

using HeaderLook = ReportTableView::HeaderLook;

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

QString ToolTipAt(ReportTableView& list, int row, int column)
{
    return test::ToolTipAt(list, list.model()->index(row, column));
}

int ColumnsWidth(const ReportTableView& list)
{
    int width = 0;
    for (int column = 0; column < list.Model()->ColumnCount(); ++column)
        width += list.columnWidth(column);
    return width;
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

// A list with the gradient header, as the read-back browser shows one.
class GradientListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list_.resize(500, 200);
        list_.SetBackgroundColour(Qt::white);
        for (const char* title : {"设备编号", "设备地址", "设备类型"})
            Model().InsertColumn(Model().ColumnCount(), {Q(title), 120, Qt::AlignHCenter});
        Model().AddRow({"3", "123", "LW3"});
        Model().AddRow({"7", "2097151", "BX-2"});
    }

    ReportTableModel& Model() { return *list_.Model(); }

    // The pixels of one row, as the list shows them.
    QImage RowImage(int row)
    {
        const QImage image = list_.viewport()->grab().toImage();
        const int top = list_.rowViewportPosition(row);
        return image.copy(0, top, image.width(), list_.rowHeight(row));
    }

    ReportTableView list_{nullptr, HeaderLook::Gradient};
};

TEST_F(GradientListTest, HeaderIsPaintedAsTheGradientRowByRow)
{
    ASSERT_EQ(list_.horizontalHeader(), list_.GradientHeader());
    for (const HeaderGradient& g : {HeaderGradient{}, HeaderGradient{55, 180, 215, 5}}) {
        list_.GradientHeader()->SetGradient(g);
        list_.GradientHeader()->SetHeightFactor(2.0); // tall enough to reach zero with the defaults
        ShowAndWait(list_);
        const QImage image = list_.GradientHeader()->viewport()->grab().toImage();
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

TEST_F(GradientListTest, HeaderHeightFactorMovesTheRowsDown)
{
    ShowAndWait(list_);
    GradientHeaderView* header = list_.GradientHeader();
    const int plain = header->height();
    ASSERT_GT(plain, 0);
    header->SetHeightFactor(1.5);
    ASSERT_TRUE(test::WaitUntil([&] { return header->height() != plain; }));
    EXPECT_NEAR(header->height(), plain * 1.5, 1.0);
    const int rowsTop = list_.viewport()->mapTo(&list_, QPoint(0, 0)).y();
    EXPECT_GE(rowsTop, header->geometry().bottom() + 1);
}

TEST_F(GradientListTest, HeaderShowsTheModelsTitlesAndAlignments)
{
    const GradientHeaderView* header = list_.GradientHeader();
    EXPECT_EQ(header->SectionText(0), Q("设备编号"));
    EXPECT_EQ(Model().InsertColumn(1, {Q("备注"), 60, Qt::AlignRight}), 1);
    Model().InsertColumn(4, {Q("无对齐")});
    EXPECT_EQ(header->SectionText(1), Q("备注"));
    EXPECT_EQ(header->SectionText(2), Q("设备地址"));
    EXPECT_EQ(header->SectionAlignment(1), Qt::AlignRight);
    EXPECT_EQ(header->SectionAlignment(2), Qt::AlignHCenter);
    EXPECT_EQ(header->SectionAlignment(4), Qt::AlignHCenter) << "a title without one is centred";
    EXPECT_EQ(Model().Text(1, 2), "2097151") << "cells move with their column";
    EXPECT_EQ(header->TextWidth(1),
              header->fontMetrics().horizontalAdvance(Q("备注")) + 2 * kListTextMargin + 1);
}

TEST(ReportTableViewColoursTest, CellColoursFollowCellThenColumnThenDefaultThenList)
{
    struct Case
    {
        const char* what;
        std::function<void(ReportTableModel&)> set;
        bool selected;
        QColor background; // invalid: the highlight
        QColor text;       // invalid: the system's text colour (of the highlight when selected)
    };
    const std::vector<Case> cases = {
        {"nothing set", [](ReportTableModel&) {}, false, Qt::white, {}},
        {"default text colour", [](ReportTableModel& m) { m.SetTextColour(Qt::darkGreen); }, false,
         Qt::white, Qt::darkGreen},
        {"column colours",
         [](ReportTableModel& m) { m.SetColumnColours(1, Qt::blue, QColor(210, 254, 205)); }, false,
         QColor(210, 254, 205), Qt::blue},
        {"cell colours over column and default colours",
         [](ReportTableModel& m) {
             m.SetTextColour(Qt::darkGreen);
             m.SetColumnColours(1, Qt::blue, QColor(210, 254, 205));
             m.SetCellColours(0, 1, Qt::red, Qt::yellow);
         },
         false, Qt::yellow, Qt::red},
        {"a cell's colours taken back",
         [](ReportTableModel& m) {
             m.SetColumnColours(1, Qt::blue, QColor(210, 254, 205));
             m.SetCellColours(0, 1, Qt::red, Qt::yellow);
             m.SetCellColours(0, 1, {}, {});
         },
         false, QColor(210, 254, 205), Qt::blue},
        {"colours of another cell and column",
         [](ReportTableModel& m) {
             m.SetColumnColours(2, Qt::red, Qt::cyan);
             m.SetCellColours(1, 1, Qt::red, Qt::yellow);
             m.SetCellColours(0, 0, Qt::red, Qt::yellow);
         },
         false,
         Qt::white,
         {}},
        {"selected row keeps a text colour of its own on the highlight",
         [](ReportTableModel& m) { m.SetCellColours(0, 1, Qt::red, Qt::yellow); },
         true,
         {},
         Qt::red},
        {"selected row without one shows the highlight's text colour",
         [](ReportTableModel&) {},
         true,
         {},
         {}},
    };
    for (const HeaderLook look : {HeaderLook::Plain, HeaderLook::Gradient}) {
        for (const Case& c : cases) {
            ReportTableView list(nullptr, look);
            list.SetBackgroundColour(Qt::white);
            list.Model()->SetColumns({{"a"}, {"b"}, {"c"}});
            list.Model()->AddRow({"1", "2", "3"});
            list.Model()->AddRow({"4", "5", "6"});
            c.set(*list.Model());
            const QPalette& p = list.palette();
            const QColor background = c.background.isValid()
                                          ? c.background
                                          : p.color(QPalette::Active, QPalette::Highlight);
            const QColor text =
                c.text.isValid() ? c.text
                                 : p.color(QPalette::Active,
                                           c.selected ? QPalette::HighlightedText : QPalette::Text);
            EXPECT_EQ(list.CellBackground(0, 1, c.selected), background) << c.what;
            EXPECT_EQ(list.CellTextColour(0, 1, c.selected), text) << c.what;
        }
    }
}

TEST(ReportTableViewColoursTest, CellsArePaintedInTheirColours)
{
    for (const HeaderLook look : {HeaderLook::Plain, HeaderLook::Gradient}) {
        ReportTableView list(nullptr, look);
        list.resize(400, 200);
        ReportTableModel& model = *list.Model();
        model.SetColumns({{Q("编号"), 100}, {Q("地址码"), 100}});
        model.AddRow({"1", "0001"});
        model.AddRow({"2", "0002"});
        model.SetColumnColours(0, {}, QColor(254, 252, 201));
        model.SetCellColours(1, 1, Qt::red, QColor(253, 226, 214));
        ShowAndWait(list);

        const auto corner = [&](int row, int column) {
            // A corner of the cell, clear of its text and its grid line.
            const QImage image = list.viewport()->grab().toImage();
            return image.pixelColor(list.columnViewportPosition(column) + 2,
                                    list.rowViewportPosition(row) + 2);
        };
        const QColor system = list.palette().color(QPalette::Base);
        EXPECT_EQ(corner(0, 0), QColor(254, 252, 201));
        EXPECT_EQ(corner(0, 1), system) << "the list's own background";
        EXPECT_EQ(corner(1, 1), QColor(253, 226, 214));

        list.SetBackgroundColour(QColor(180, 180, 220));
        QCoreApplication::processEvents();
        EXPECT_EQ(corner(0, 1), QColor(180, 180, 220));

        list.selectRow(1);
        QCoreApplication::processEvents();
        const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
        EXPECT_EQ(corner(1, 0), highlight);
        EXPECT_EQ(corner(1, 1), highlight) << "selection covers the cell's own colour";
        EXPECT_EQ(corner(0, 0), QColor(254, 252, 201));
        EXPECT_EQ(list.SelectedRow(), 1);
    }
}

TEST_F(GradientListTest, CellTextFollowsTheColumnAlignment)
{
    Model().SetTextColour(Qt::black);
    Model().SetColumns(
        {{"l", 120, Qt::AlignLeft}, {"c", 120, Qt::AlignHCenter}, {"r", 120, Qt::AlignRight}});
    Model().AddRow({"MM", "MM", "MM"});
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

TEST(ReportTableViewFitTest, FittedColumnsShowTheirWidestCellAndTheirWholeTitle)
{
    for (const HeaderLook look : {HeaderLook::Plain, HeaderLook::Gradient}) {
        ReportTableView list(nullptr, look);
        list.SetCellFont(ListFont(12, 0));
        list.Model()->SetColumns({{Q("一个很长很长的列标题"), 10}, {Q("短"), 10}, {Q("号"), 600}});
        for (int row = 0; row < 2000; ++row)
            list.Model()->AddRow(
                {"1", row == 1500 ? "a much longer text far down the list" : "x", "7"});
        list.FitColumns();

        const QFontMetrics header(list.horizontalHeader()->font());
        const QFontMetrics cells(list.CellFont());
        EXPECT_GE(list.columnWidth(0), header.horizontalAdvance(Q("一个很长很长的列标题")));
        EXPECT_GT(list.columnWidth(0), cells.horizontalAdvance("1") * 4);
        EXPECT_GE(list.columnWidth(1),
                  cells.horizontalAdvance("a much longer text far down the list"));
        EXPECT_GE(list.columnWidth(2), header.horizontalAdvance(Q("号")));
        EXPECT_LT(list.columnWidth(2), 100) << "a column wider than it needs shrinks";
    }
}

TEST(ReportTableViewFitTest, ColumnsOpenAtTheirOwnWidthsUntilFitted)
{
    // The caller type list is never fitted: its columns keep these widths.
    ReportTableView list;
    list.Model()->SetColumns(
        {{Q("呼叫器类型名称"), 120}, {Q("键值个数"), 70}, {Q("键值类型"), 71}});
    EXPECT_EQ(list.columnWidth(0), 120);
    EXPECT_EQ(list.columnWidth(2), 71);
    list.Model()->InsertColumn(1, {Q("备注"), 33});
    EXPECT_EQ(list.columnWidth(1), 33);
    EXPECT_EQ(list.columnWidth(2), 70) << "the others keep theirs";
    list.Model()->SetColumns({{Q("编号"), 80}});
    EXPECT_EQ(list.columnWidth(0), 80);
}

TEST(ReportTableViewRowsTest, RowHeightFollowsTheCellFontUnlessSet)
{
    ReportTableView list;
    list.Model()->SetColumns({{"a"}});
    list.Model()->AddRow({"1"});
    list.Model()->AddRow({"2"});
    list.SetRowHeight(30);
    EXPECT_EQ(list.rowHeight(0), 30);
    EXPECT_EQ(list.rowHeight(1), 30);
    list.SetCellFont(ListFont(24, 0));
    EXPECT_EQ(list.rowHeight(1), 30) << "a set height stays";
    list.SetRowHeight(0);
    EXPECT_EQ(list.rowHeight(1), QFontMetrics(ListFont(24, 0)).height() + 4);
    list.SetCellFont(ListFont(12, 0));
    EXPECT_EQ(list.rowHeight(1), QFontMetrics(ListFont(12, 0)).height() + 4);
}

TEST(ReportTableViewRowsTest, OneWholeRowIsSelectedAndTheHeaderIgnoresClicks)
{
    ReportTableView list;
    list.resize(400, 200);
    list.Model()->SetColumns({{Q("传呼号"), 80}, {Q("地址码"), 80}});
    list.Model()->AddRow({"3", "123"});
    list.Model()->AddRow({"7", "2097151"});
    ShowAndWait(list);
    EXPECT_EQ(list.SelectedRow(), -1);

    const QPoint cell = list.visualRect(list.model()->index(1, 1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(list.SelectedRow(), 1);
    EXPECT_EQ(list.selectionModel()->selectedIndexes().size(), 2) << "the whole row";
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(list.viewport()->findChild<QLineEdit*>(), nullptr) << "no cell opens for editing";

    list.selectRow(0);
    EXPECT_EQ(list.SelectedRow(), 0);
    EXPECT_EQ(list.selectionModel()->selectedRows().size(), 1) << "one row at a time";

    QSignalSpy clicked(list.horizontalHeader(), &QHeaderView::sectionClicked);
    const QPoint title(list.columnViewportPosition(1) + 10, list.horizontalHeader()->height() / 2);
    QTest::mouseClick(list.horizontalHeader()->viewport(), Qt::LeftButton, {}, title);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(list.SelectedRow(), 0) << "a header click changes nothing";

    list.Model()->Clear();
    EXPECT_EQ(list.SelectedRow(), -1);
}

// The remark column of the main window's lists: the room the others leave.
class FillingListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        list_.resize(240, 150);
        list_.Model()->SetColumns({{Q("编号"), 80}, {Q("地址码"), 60}, {Q("备注"), 70}});
        list_.SetLastColumnFills(true);
        list_.FitColumns();
    }

    void AddRows(int count, const QString& remark = {})
    {
        for (int i = 0; i < count; ++i)
            list_.Model()->AddRow({QString::number(i + 1), "1A2B", remark});
        list_.FitColumns();
    }

    bool HorizontalScrollBarShown()
    {
        QCoreApplication::processEvents(); // the view lays itself out on a zero timer
        return list_.horizontalScrollBar()->isVisible();
    }

    ReportTableView list_;
};

TEST_F(FillingListTest, TheLastColumnTakesWhatTheOthersLeave)
{
    ShowAndWait(list_);
    EXPECT_EQ(ColumnsWidth(list_), list_.viewport()->width());
    EXPECT_FALSE(HorizontalScrollBarShown());
    EXPECT_LT(list_.columnWidth(0), 80) << "fitted to the title, not the classic width";
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(list_.columnWidth(column), list_.TitleWidth(column)) << column;

    // A vertical scroll bar narrows the rows: the last column gives the room up.
    const int wide = list_.viewport()->width();
    AddRows(40);
    ASSERT_TRUE(test::WaitUntil([&] { return list_.verticalScrollBar()->isVisible(); }));
    ASSERT_TRUE(test::WaitUntil([&] { return list_.viewport()->width() < wide; }));
    EXPECT_EQ(ColumnsWidth(list_), list_.viewport()->width());
    EXPECT_FALSE(HorizontalScrollBarShown());

    // Widening another column by hand narrows the last one.
    const int before = list_.columnWidth(2);
    list_.setColumnWidth(0, list_.columnWidth(0) + 10);
    EXPECT_EQ(list_.columnWidth(2), before - 10);
}

TEST_F(FillingListTest, ALongLastTextIsCutOffAndShownWholeInItsTooltip)
{
    const QString remark = Q("请到前台找领班，再到二楼东侧的仓库取货，然后回到三号桌");
    AddRows(1, remark);
    ShowAndWait(list_);
    ASSERT_GT(list_.fontMetrics().horizontalAdvance(remark), list_.columnWidth(2));
    EXPECT_EQ(ColumnsWidth(list_), list_.viewport()->width()) << "the remark widens nothing";
    EXPECT_FALSE(HorizontalScrollBarShown());

    EXPECT_EQ(ToolTipAt(list_, 0, 2), remark);
    EXPECT_EQ(ToolTipAt(list_, 0, 1), "") << "a text shown whole has no tooltip";
}

TEST_F(FillingListTest, TheLastColumnNeverCutsItsTitle)
{
    list_.resize(60, 150);
    ShowAndWait(list_);
    EXPECT_EQ(list_.columnWidth(2), list_.TitleWidth(2));
    EXPECT_TRUE(HorizontalScrollBarShown()) << "titles wider than the list need the scroll bar";
}

TEST_F(FillingListTest, WideCellsGiveUpRoomFromTheRightSoThatEveryTitleShows)
{
    list_.resize(170, 150);
    list_.Model()->AddRow({"123456", "2097151020971510209715", Q("收银台")});
    list_.FitColumns();
    ShowAndWait(list_);
    ASSERT_GT(list_.ContentWidth(0) + list_.ContentWidth(1) + list_.TitleWidth(2),
              list_.viewport()->width())
        << "the cells alone would need a scroll bar";

    EXPECT_FALSE(HorizontalScrollBarShown());
    EXPECT_EQ(ColumnsWidth(list_), list_.viewport()->width());
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(list_.columnWidth(column), list_.TitleWidth(column)) << column;
    EXPECT_GE(list_.columnWidth(0), list_.ContentWidth(0)) << "the first column keeps its text";
    EXPECT_LT(list_.columnWidth(1), list_.ContentWidth(1));
    EXPECT_EQ(ToolTipAt(list_, 0, 1), "2097151020971510209715")
        << "what is cut off shows in the tooltip";

    // Given the room, the column shows its text whole again.
    list_.resize(400, 150);
    ASSERT_TRUE(test::WaitUntil([&] { return list_.viewport()->width() > 300; }));
    EXPECT_GE(list_.columnWidth(1), list_.ContentWidth(1));
    EXPECT_EQ(ColumnsWidth(list_), list_.viewport()->width());

    // A column resized by hand stays as the user left it.
    list_.setColumnWidth(0, 100);
    list_.resize(380, 150);
    ASSERT_TRUE(test::WaitUntil([&] { return list_.viewport()->width() < 390; }));
    EXPECT_EQ(list_.columnWidth(0), 100);
}

TEST(ShareWidthsTest, ColumnsGiveUpRoomFromTheRightDownToTheirLeast)
{
    struct Case
    {
        const char* what;
        std::vector<int> wanted, least;
        int room;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"all fit", {40, 60, 50}, {30, 30, 30}, 200, {40, 60, 50}},
        {"exactly fit", {40, 60, 50}, {30, 30, 30}, 150, {40, 60, 50}},
        {"the last gives first", {40, 60, 50}, {30, 30, 30}, 140, {40, 60, 40}},
        {"then the one before", {40, 60, 50}, {30, 30, 30}, 110, {40, 40, 30}},
        {"never below the least", {40, 60, 50}, {30, 30, 30}, 60, {30, 30, 30}},
        {"a column at its least gives nothing", {40, 60, 30}, {30, 30, 30}, 120, {40, 50, 30}},
        {"no columns", {}, {}, 10, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ShareWidths(c.wanted, c.least, c.room), c.expected) << c.what;
}

TEST(ReportTableViewToolTipTest, OnlyACellTooNarrowForItsTextHasATooltip)
{
    ReportTableView list;
    list.resize(400, 150);
    list.Model()->SetColumns({{"a", 60}, {"b", 200}});
    list.Model()->AddRow({"a much longer text", "a much longer text"});
    list.Model()->AddRow({"", "short"});
    ShowAndWait(list);
    EXPECT_EQ(ToolTipAt(list, 0, 0), "a much longer text");
    EXPECT_EQ(ToolTipAt(list, 0, 1), "");
    EXPECT_EQ(ToolTipAt(list, 1, 0), "");
    list.setColumnWidth(1, 30);
    EXPECT_EQ(ToolTipAt(list, 1, 1), "short") << "a column made narrower cuts its text off";
}

} // namespace
} // namespace px
