#include "gui/widgets/ReportTableModel.h"

#include "gui/ModelTesterComplaints.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <functional>
#include <gtest/gtest.h>

namespace px {
namespace {

QString Q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(ReportTableModelTest, EveryChangeKeepsTheModelConsistentAndIsAnnounced)
{
    const test::ModelTesterComplaints complaints;
    ReportTableModel model;
    QAbstractItemModelTester check(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    // A proxy learns the model's shape from its signals alone, as a view does.
    QSortFilterProxyModel view;
    view.setSourceModel(&model);

    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"columns",
         [&] {
             model.SetColumns({{Q("传呼号"), 20}, {Q("地址码"), 50}});
         }},
        {"a row",
         [&] {
             model.AddRow({"3", "123"});
         }},
        {"a row on top", [&] { model.InsertRow(0, {"1"}); }},
        {"a row too long",
         [&] {
             model.AddRow({"7", "2097151", "past the last column"});
         }},
        {"a column between",
         [&] {
             model.InsertColumn(1, {Q("备注"), 90, Qt::AlignRight});
         }},
        {"a text", [&] { model.SetText(2, 1, Q("领班")); }},
        {"cell colours", [&] { model.SetCellColours(0, 0, Qt::red, Qt::yellow); }},
        {"column colours", [&] { model.SetColumnColours(2, Qt::blue, QColor(210, 254, 205)); }},
        {"default colour", [&] { model.SetTextColour(Qt::darkGreen); }},
        {"a column past the end",
         [&] {
             model.InsertColumn(99, {Q("类型"), 50});
         }},
        {"cleared", [&] { model.Clear(); }},
        {"cleared again", [&] { model.Clear(); }},
        {"an empty row", [&] { model.AddRow({}); }},
        {"new columns",
         [&] {
             model.SetColumns({{Q("编号"), 80}});
         }},
        {"a row under them", [&] { model.AddRow({"1"}); }},
    };
    for (const auto& [what, step] : steps) {
        step();
        EXPECT_EQ(view.rowCount(), model.rowCount()) << what;
        EXPECT_EQ(view.columnCount(), model.columnCount()) << what;
        EXPECT_TRUE(complaints.Heard().isEmpty())
            << what << ": " << complaints.Heard().join('\n').toStdString();
    }
}

TEST(ReportTableModelTest, RowsAndColumnsAsTheListsUseThem)
{
    ReportTableModel model;
    model.SetColumns({{Q("传呼号"), 20}, {Q("地址码"), 50}, {Q("类型"), 50}});
    EXPECT_EQ(model.ColumnCount(), 3);
    EXPECT_EQ(model.ColumnAt(1).width, 50);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), Q("类型"));

    EXPECT_EQ(model.AddRow({"3", "123", "LW3"}), 0);
    EXPECT_EQ(model.AddRow({"7", "2097151"}), 1);
    EXPECT_EQ(model.InsertRow(0, {"1", "x", "y", "past the last column"}), 0);
    EXPECT_EQ(model.InsertRow(-4, {"0"}), 0) << "a row before the first goes first";
    EXPECT_EQ(model.RowCount(), 4);
    EXPECT_EQ(model.ColumnCount(), 3) << "a text past the last column makes no column";
    EXPECT_EQ(model.Text(1, 0), "1");
    EXPECT_EQ(model.Text(3, 1), "2097151");
    EXPECT_EQ(model.Text(3, 2), "") << "a missing text is an empty cell";
    EXPECT_EQ(model.Text(9, 0), "") << "outside the list";
    EXPECT_EQ(model.Text(0, -1), "");
    EXPECT_EQ(model.index(2, 2).data().toString(), "LW3");

    model.SetText(3, 2, "BX-2");
    model.SetText(7, 2, "nowhere");
    EXPECT_EQ(model.Text(3, 2), "BX-2");
    EXPECT_EQ(model.RowCount(), 4) << "setting a text outside the list adds no row";

    model.Clear();
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(model.ColumnCount(), 3) << "clearing keeps the columns";
    EXPECT_EQ(model.AddRow({"1", "2"}), 0);
    EXPECT_EQ(model.Text(0, 1), "2");

    model.SetColumns({{Q("编号"), 80}});
    EXPECT_EQ(model.RowCount(), 0) << "new columns start an empty list";
    EXPECT_EQ(model.ColumnCount(), 1);
}

TEST(ReportTableModelTest, TextsAndColoursMoveWithTheirCellWhenAColumnIsInserted)
{
    ReportTableModel model;
    // A row made before any column exists.
    EXPECT_EQ(model.AddRow({}), 0);
    EXPECT_EQ(model.InsertColumn(0, {Q("编号")}), 0);
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_EQ(model.Text(0, 0), "");
    EXPECT_FALSE(model.index(0, 0).data(Qt::BackgroundRole).isValid()) << "the system's colours";

    model.InsertColumn(1, {Q("地址码")});
    model.AddRow({"2", "1A2B"});
    model.SetCellColours(1, 1, Qt::red, Qt::yellow);
    EXPECT_EQ(model.InsertColumn(1, {Q("备注")}), 1);
    EXPECT_EQ(model.InsertColumn(17, {Q("类型")}), 3) << "past the end: the last column";
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), Q("地址码"));
    EXPECT_EQ(model.Text(1, 2), "1A2B");
    EXPECT_EQ(model.index(1, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    EXPECT_EQ(model.index(1, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow));
    for (int row = 0; row < 2; ++row) {
        for (int column : {0, 1, 3}) {
            EXPECT_FALSE(model.index(row, column).data(Qt::ForegroundRole).isValid())
                << row << "," << column;
            EXPECT_FALSE(model.index(row, column).data(Qt::BackgroundRole).isValid())
                << row << "," << column;
        }
    }
    model.InsertRow(0, {"first"});
    EXPECT_EQ(model.index(2, 2).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::yellow))
        << "and with their row";
    model.Clear();
    model.AddRow({"2", "", "1A2B"});
    EXPECT_FALSE(model.index(0, 2).data(Qt::BackgroundRole).isValid())
        << "a new row starts without the colours of one that was there";
}

TEST(ReportTableModelTest, AColumnWithoutAnAlignmentShowsCellsLeftAndLeavesTheTitleToTheHeader)
{
    ReportTableModel model;
    model.SetColumns({{"plain"},
                      {"left", 60, Qt::AlignLeft},
                      {"centre", 60, Qt::AlignHCenter},
                      {"right", 60, Qt::AlignRight}});
    model.AddRow({"a", "b", "c", "d"});
    const auto cell = [&](int column) {
        return Qt::Alignment(model.index(0, column).data(Qt::TextAlignmentRole).toInt());
    };
    EXPECT_EQ(cell(0), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_FALSE(model.headerData(0, Qt::Horizontal, Qt::TextAlignmentRole).isValid());
    const Qt::Alignment own[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int column = 1; column <= 3; ++column) {
        EXPECT_EQ(cell(column), own[column - 1] | Qt::AlignVCenter) << column;
        EXPECT_EQ(
            Qt::Alignment(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt()),
            own[column - 1] | Qt::AlignVCenter)
            << column;
    }
}

TEST(ReportTableModelTest, TheWholeTextIsTheCellsToolTip)
{
    ReportTableModel model;
    model.SetColumns({{Q("备注")}, {Q("类型")}});
    const QString remark = Q("请到前台找领班，再到二楼东侧的仓库取货");
    model.AddRow({remark});
    EXPECT_EQ(model.index(0, 0).data(Qt::ToolTipRole).toString(), remark);
    EXPECT_FALSE(model.index(0, 1).data(Qt::ToolTipRole).isValid()) << "an empty cell has none";
    model.SetText(0, 1, "LW3");
    EXPECT_EQ(model.index(0, 1).data(Qt::ToolTipRole).toString(), "LW3");
}

TEST(ReportTableModelTest, ChangesTellTheViewWhichCellsAndRolesToRepaint)
{
    struct Case
    {
        const char* what;
        std::function<void(ReportTableModel&)> change;
        QModelIndex topLeft; // of a 3 × 3 model
        QModelIndex bottomRight;
        QList<int> roles;
    };
    ReportTableModel model;
    model.SetColumns({{"a"}, {"b"}, {"c"}});
    for (int row = 0; row < 3; ++row)
        model.AddRow({"1", "2", "3"});
    const std::vector<Case> cases = {
        {"a text",
         [](ReportTableModel& m) { m.SetText(1, 2, "x"); },
         model.index(1, 2),
         model.index(1, 2),
         {Qt::DisplayRole, Qt::ToolTipRole}},
        {"a cell's colours",
         [](ReportTableModel& m) { m.SetCellColours(2, 0, Qt::red, {}); },
         model.index(2, 0),
         model.index(2, 0),
         {Qt::ForegroundRole, Qt::BackgroundRole}},
        {"a column's colours",
         [](ReportTableModel& m) { m.SetColumnColours(1, {}, Qt::yellow); },
         model.index(0, 1),
         model.index(2, 1),
         {Qt::ForegroundRole, Qt::BackgroundRole}},
        {"the default text colour",
         [](ReportTableModel& m) { m.SetTextColour(Qt::blue); },
         model.index(0, 0),
         model.index(2, 2),
         {Qt::ForegroundRole}},
    };
    for (const Case& c : cases) {
        QSignalSpy spy(&model, &QAbstractItemModel::dataChanged);
        c.change(model);
        ASSERT_EQ(spy.count(), 1) << c.what;
        EXPECT_EQ(spy[0][0].value<QModelIndex>(), c.topLeft) << c.what;
        EXPECT_EQ(spy[0][1].value<QModelIndex>(), c.bottomRight) << c.what;
        EXPECT_EQ(spy[0][2].value<QList<int>>(), c.roles) << c.what;
    }
}

} // namespace
} // namespace px
