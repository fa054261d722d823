#include "storage/RegistrationTables.h"

#include "mock/DatabaseFixture.h"
#include "storage/CallerCells.h"
#include "storage/Transaction.h"

#include <gtest/gtest.h>

namespace px {
namespace {

class RegistrationTablesTest : public test::DatabaseFixture
{
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        AddFile("f", 0);
        AddFile("g", 0);
    }
};

// Rows of each table with a value in every column, as a user could have registered them.
std::vector<InfoMachineRow> SomeRows(const RegistrationTable<InfoMachineRow>&)
{
    return {{499, "2097151", "前台 O'Brien", 4}, {0, "0000123", "", 0}};
}
std::vector<HandheldRow> SomeRows(const RegistrationTable<HandheldRow>&)
{
    return {{1, "1a2b", "经理"}, {99, "FFFE", ""}};
}
std::vector<CallerRow> SomeRows(const RegistrationTable<CallerRow>&)
{
    return {{"0123456789AB", 65535, "八号桌", "请到前台", {0, 499, -1, -1, 7, -1, -1, 12}, 2, 1},
            {"a1b2c1", 0, "", "", {-1, -1, -1, -1, -1, -1, -1, -1}, 0, 0}};
}

// Every column of every table goes into the database and comes back as it was: the
// description's columns are the table's, and each reads what it wrote.
TEST_F(RegistrationTablesTest, RowsComeBackFromTheDatabaseAsTheyWereStored)
{
    ForEachTable([&](const auto& table) {
        SCOPED_TRACE(table.cliName);
        const auto rows = SomeRows(table);
        {
            Transaction transaction(db_);
            ASSERT_TRUE(InsertRows(db_, table, "f", std::span(rows)));
            ASSERT_TRUE(transaction.Commit());
        }
        const auto stored = LoadRows(db_, table, "f");
        ASSERT_TRUE(stored.read);
        EXPECT_TRUE(stored.refused.empty());
        auto expected = rows;
        std::sort(expected.begin(), expected.end(), [&](const auto& a, const auto& b) {
            return table.columns[0].get(a) < table.columns[0].get(b);
        });
        EXPECT_EQ(stored.rows, expected) << "in the host's order";
        EXPECT_TRUE(LoadRows(db_, table, "other").rows.empty()) << "only the file's rows";
    });
}

// A row that breaks a rule of its table is refused with its key and the reason, whatever
// column it breaks; the other rows are kept.
TEST_F(RegistrationTablesTest, ARowBreakingARuleIsRefusedWithItsKey)
{
    const struct
    {
        TableKind kind;
        const char* insert;
        const char* key;
        const char* reason;
    } cases[] = {
        {TableKind::InfoMachines,
         "insert into T_Device1 (DeviceNo,Address,FileName,TypeNo) values (500,'1','f',0)", "500",
         "pager number 500"},
        {TableKind::InfoMachines,
         "insert into T_Device1 (DeviceNo,Address,FileName,TypeNo) values (3,'12ab','f',0)", "3",
         "address"},
        {TableKind::InfoMachines,
         "insert into T_Device1 (DeviceNo,Address,FileName,TypeNo) values ('x','1','f',0)", "x",
         "not a whole number"},
        {TableKind::Handhelds,
         "insert into T_Device2 (DeviceNo,Address,FileName) values (5,'0000','f')", "5",
         "empty slot"},
        {TableKind::Callers,
         "insert into T_Device3 (CodeNo,CallNo,ZhuiHu,CodeType,FileName) values "
         "('A1B2C3',1,3,0,'f')",
         "A1B2C3", "escalation 3"},
        {TableKind::Callers,
         "insert into T_Device3 (CodeNo,CallNo,ZhuiHu,CodeType,DeviceNo5,FileName) values "
         "('A1B2C4',1,0,0,500,'f')",
         "A1B2C4", "pager number 500"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.insert);
        ASSERT_TRUE(db_.Execute("delete from T_Device1"));
        ASSERT_TRUE(db_.Execute("delete from T_Device2"));
        ASSERT_TRUE(db_.Execute("delete from T_Device3"));
        ASSERT_TRUE(db_.Execute(c.insert)) << db_.GetErrorDescription();
        WithTable(c.kind, [&](const auto& table) {
            const auto good = SomeRows(table);
            ASSERT_TRUE(InsertRows(db_, table, "f", std::span(good).first(1)));
            const auto stored = LoadRows(db_, table, "f");
            EXPECT_EQ(stored.rows.size(), 1u) << "the good row is kept";
            ASSERT_EQ(stored.refused.size(), 1u);
            EXPECT_EQ(stored.refused[0].key, c.key);
            EXPECT_NE(stored.refused[0].reason.find(c.reason), std::string::npos)
                << stored.refused[0].reason;
            EXPECT_EQ(stored.Count(), 2);
        });
    }
}

TEST_F(RegistrationTablesTest, AnUpdateReplacesEveryColumnOfThatKeyInThatFileOnly)
{
    const auto rows = SomeRows(CallerTable());
    ASSERT_TRUE(InsertRows(db_, CallerTable(), "f", std::span(rows)));
    ASSERT_TRUE(InsertRows(db_, CallerTable(), "g", std::span(rows)));
    CallerRow changed = rows[1];
    changed.callNo = 9;
    changed.callName = "九号桌";
    changed.devices = {1, 2, 3, 4, 5, 6, 7, 8};
    changed.zhuiHu = 1;
    ASSERT_EQ(UpdateRow(db_, CallerTable(), "f", "a1b2c1", changed), "");

    const auto inF = LoadRows(db_, CallerTable(), "f").rows;
    ASSERT_EQ(inF.size(), 2u);
    EXPECT_EQ(inF[0], rows[0]) << "another key keeps its values";
    EXPECT_EQ(inF[1], changed);
    EXPECT_EQ(LoadRows(db_, CallerTable(), "g").rows[1], rows[1]) << "another file keeps its key";
    EXPECT_NE(UpdateRow(db_, CallerTable(), "f", "FFFFF1", changed), "") << "no such key";
    EXPECT_EQ(Count("select * from T_Device3"), 4);
}

// An update is checked where it changes the row: a changed column must keep its rule, a new key
// must be no other row's; a column it leaves as stored is not judged, so a row stored before a
// rule existed is mended a column at a time.
TEST_F(RegistrationTablesTest, AnUpdateRefusesWhatItWouldBreakAndKeepsTheRow)
{
    const auto rows = SomeRows(CallerTable());
    ASSERT_TRUE(InsertRows(db_, CallerTable(), "f", std::span(rows)));
    ASSERT_TRUE(db_.Execute("update T_Device3 set ZhuiHu=7 where CodeNo='a1b2c1'"));
    const CallerRow stored = *FindRow(db_, CallerTable(), "f", "a1b2c1");

    const struct
    {
        void (*change)(CallerRow&);
        const char* reason; // empty: written
    } cases[] = {
        {[](CallerRow& r) { r.codeNo = "ZZZZZ1"; }, "is not 6 or 12 hexadecimal digits"},
        {[](CallerRow& r) { r.callNo = 65536; }, "caller number 65536 is outside"},
        {[](CallerRow& r) { r.devices[3] = 500; }, "pager number 500 is outside"},
        {[](CallerRow& r) { r.codeNo = "0123456789AB"; }, "is in the file already"},
        {[](CallerRow& r) { r.callName = "一号"; }, ""}, // the stored escalation 7 is not judged
        {[](CallerRow& r) { r.zhuiHu = 3; }, "escalation 3 is outside"},
    };
    for (const auto& c : cases) {
        CallerRow edited = stored;
        c.change(edited);
        const std::string why = UpdateRow(db_, CallerTable(), "f", "a1b2c1", edited);
        if (*c.reason == '\0') {
            EXPECT_EQ(why, "");
            EXPECT_EQ(FindRow(db_, CallerTable(), "f", "a1b2c1"), edited);
        } else {
            EXPECT_NE(why.find(c.reason), std::string::npos) << why;
            EXPECT_EQ(FindRow(db_, CallerTable(), "f", "a1b2c1")->codeNo, "a1b2c1");
        }
    }
}

// No row is written for a file that does not exist, whatever way it comes: added, updated or
// copied. A row left under a deleted file's name would turn up in a new file of that name.
TEST_F(RegistrationTablesTest, NoRowIsWrittenForAFileThatDoesNotExist)
{
    ForEachTable([&](const auto& table) {
        SCOPED_TRACE(table.cliName);
        const auto rows = SomeRows(table);
        EXPECT_EQ(InsertRow(db_, table, "gone", rows[0]), "配置文件 \"gone\" 不存在！");
        ASSERT_EQ(InsertRow(db_, table, "f", rows[0]), "");
        ASSERT_TRUE(CopyRows(db_, table, "f", "gone"));
        EXPECT_EQ(CountRows(db_, table, "gone"), 0);
        ASSERT_TRUE(db_.Execute("delete from T_FileName where FileName='f'"));
        auto changed = rows[0];
        EXPECT_NE(UpdateRow(db_, table, "f", KeyOf(table, rows[0]), changed), "");
        ASSERT_TRUE(DeleteRows(db_, table, "f"));
        EXPECT_EQ(CountRows(db_, table, "f"), 0);
        AddFile("f", 0);
    });
}

TEST_F(RegistrationTablesTest, RowsAsStoredKeepWhatTheRulesRefuseButNotWhatCannotBeRead)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values "
                            "(5,'0000','f'),(6,'1A2B','f')"));
    std::string error;
    const auto stored = LoadRowsAsStored(db_, HandheldTable(), "f", error);
    ASSERT_TRUE(stored.has_value()) << error;
    ASSERT_EQ(stored->size(), 2u);
    EXPECT_EQ((*stored)[0].code, "0000") << "refused by the rules, shown as stored";

    ASSERT_TRUE(db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values "
                            "('seven','1A2C','f')"));
    EXPECT_FALSE(LoadRowsAsStored(db_, HandheldTable(), "f", error).has_value());
    EXPECT_NE(error.find("seven"), std::string::npos) << error;
}

TEST_F(RegistrationTablesTest, EachTableKnowsItsNamesAndCapacity)
{
    for (const char* name : {"im", "handhelds", "callers"}) {
        const auto kind = TableNamed(name);
        ASSERT_TRUE(kind.has_value()) << name;
        EXPECT_EQ(WithTable(*kind, [](const auto& table) { return std::string(table.cliName); }),
                  name);
    }
    EXPECT_FALSE(TableNamed("pagers").has_value());

    const struct
    {
        TableKind kind;
        int count;
        HostModel host;
        FileType file;
        const char* message;
    } cases[] = {
        {TableKind::InfoMachines, 19, HostModel::QX, FileType::PX, ""},
        {TableKind::InfoMachines, 20, HostModel::QX, FileType::PX, "最多可以输入20个信息机！"},
        {TableKind::InfoMachines, 20, HostModel::PX, FileType::PX, ""},
        {TableKind::InfoMachines, 500, HostModel::None, FileType::PX, "最多可以输入500个信息机！"},
        {TableKind::Handhelds, 10, HostModel::None, FileType::QX, "最多可以输入10个手持呼叫器！"},
        {TableKind::Callers, 1999, HostModel::PX, FileType::None, "最多可以输入1999个呼叫器！"},
        {TableKind::Callers, 5000, HostModel::None, FileType::None, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WithTable(c.kind,
                            [&](const auto& table) {
                                return CapacityMessage(table, c.count, c.host, c.file);
                            }),
                  c.message)
            << c.count;
    }
}

// A caller key's cells and a typed cell back, as the grid, the spreadsheets and pxctl take them:
// no target is an empty cell, the escalation goes by its name (or its number), a feature code
// brings its code type.
TEST(CallerCellsTest, CellsShowAndTakeTheValuesTheOneWay)
{
    CallerRow row{"A1B2C1", 8, "八号桌", "呼叫", {3, kNoTarget, 0, 499, kNoTarget, 5, 6, 7}, 1, 0};
    const CallerCellTexts cells = CallerCells(row);
    EXPECT_EQ(cells, (CallerCellTexts{"A1B2C1", "8", "八号桌", "呼叫", "3", "", "0", "499", "", "5",
                                      "6", "7", "追呼"}));
    row.zhuiHu = 7;
    EXPECT_EQ(CallerCells(row).back(), "7") << "a value without a name shows as its number";

    const auto column = [](std::string_view name) {
        return *std::find_if(kCallerCellColumns.begin(), kCallerCellColumns.end(),
                             [&](const CallerCellColumn& c) { return c.name == name; });
    };
    const struct
    {
        const char* column;
        const char* text;
        const char* why; // empty: taken
        void (*check)(const CallerRow&);
    } cases[] = {
        {"DeviceNo2", "", "", [](const CallerRow& r) { EXPECT_EQ(r.devices[1], kNoTarget); }},
        {"DeviceNo2", "-1", "", [](const CallerRow& r) { EXPECT_EQ(r.devices[1], kNoTarget); }},
        {"DeviceNo2", "12", "", [](const CallerRow& r) { EXPECT_EQ(r.devices[1], 12); }},
        {"ZhuiHu", "删除追呼", "", [](const CallerRow& r) { EXPECT_EQ(r.zhuiHu, 2); }},
        {"ZhuiHu", "1", "", [](const CallerRow& r) { EXPECT_EQ(r.zhuiHu, 1); }},
        {"CodeNo", "0123456789AB", "", [](const CallerRow& r) { EXPECT_EQ(r.codeType, 1); }},
        {"CallNo", "12a", "is not a whole number", nullptr},
        {"CallNo", "99999999999999999999", "is not a whole number", nullptr},
        {"ZhuiHu", "催", "is not a whole number", nullptr},
    };
    for (const auto& c : cases) {
        CallerRow taken = row;
        const std::string why = TakeCallerCell(taken, column(c.column), c.text);
        if (*c.why == '\0') {
            EXPECT_EQ(why, "") << c.column << " " << c.text;
            c.check(taken);
        } else {
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
        }
    }
}

} // namespace
} // namespace px
