#include "gui/widgets/CallerGridModel.h"

#include "gui/ModelTesterComplaints.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <functional>
#include <gtest/gtest.h>

namespace px {
namespace {

CallerGridRow Row(const char* code, const char* name)
{
    CallerGridRow row;
    row[0] = code;
    row[2] = name;
    return row;
}

TEST(CallerGridModelTest, EveryChangeKeepsTheModelConsistentAndIsAnnounced)
{
    const test::ModelTesterComplaints complaints;
    CallerGridModel model;
    QAbstractItemModelTester check(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    // A proxy learns the model's shape from its signals alone, as the grid's view does.
    QSortFilterProxyModel view;
    view.setSourceModel(&model);

    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"rows",
         [&] {
             model.SetRows({Row("A1B2C2", "八号桌"), Row("A1B2C1", "八号桌")});
         }},
        {"a row on top", [&] { model.InsertTop(Row("A1B2C3", "九号桌")); }},
        {"a text put back", [&] { model.SetText(1, 3, "结账"); }},
        {"a text in the blank row", [&] { model.SetText(3, 0, "FFFFF1"); }},
        {"a text outside", [&] { model.SetText(9, 0, "lost"); }},
        {"an edit", [&] { model.setData(model.index(0, 12), "追呼", Qt::EditRole); }},
        {"reset", [&] { model.Reset(); }},
        {"a row on top of none", [&] { model.InsertTop(Row("000001", "")); }},
    };
    for (const auto& [what, step] : steps) {
        step();
        EXPECT_EQ(view.rowCount(), model.rowCount()) << what;
        EXPECT_EQ(view.columnCount(), model.columnCount()) << what;
        for (int row = 0; row < model.rowCount(); ++row) {
            EXPECT_EQ(view.index(row, 0).data().toString().toStdString(), model.Text(row, 0))
                << what << ": row " << row;
        }
        EXPECT_TRUE(complaints.Heard().isEmpty())
            << what << ": " << complaints.Heard().join('\n').toStdString();
    }
}

TEST(CallerGridModelTest, RowsShowAboveOneBlankRowWhoseTextIsKeptUntilTheNextLoad)
{
    CallerGridModel model;
    EXPECT_EQ(model.rowCount(), 1) << "an empty grid still has its row for new entries";
    model.SetRows({Row("A1B2C2", "八号桌")});
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.DataRowCount(), 1);

    QSignalSpy edited(&model, &CallerGridModel::cellEdited);
    ASSERT_TRUE(model.setData(model.index(1, 0), "FFFFF1", Qt::EditRole));
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(0).toInt(), 1);
    EXPECT_EQ(edited.at(0).at(2).toString(), "FFFFF1");
    EXPECT_EQ(model.Text(1, 0), "FFFFF1");
    EXPECT_EQ(model.DataRowCount(), 1) << "typing into the blank row adds no row by itself";
    EXPECT_FALSE(model.setData(model.index(1, 0), "x", Qt::DisplayRole));

    model.InsertTop(Row("A1B2C3", "九号桌"));
    EXPECT_EQ(model.Text(0, 2), "九号桌");
    EXPECT_EQ(model.Text(1, 2), "八号桌");
    EXPECT_EQ(model.Text(2, 0), "FFFFF1") << "the blank row keeps what was typed";
    EXPECT_NE(model.data(model.index(0, 0), Qt::BackgroundRole),
              model.data(model.index(1, 0), Qt::BackgroundRole))
        << "rows alternate their colour";

    model.SetRows({});
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.Text(0, 0), "") << "a new load empties the blank row";
    EXPECT_EQ(model.Text(0, 99), "");
    EXPECT_EQ(model.Text(-1, 0), "");
}

} // namespace
} // namespace px
