#include "storage/RegistrationTables.h"

#include "mock/DatabaseFixture.h"
#include "storage/Transaction.h"

#include <gtest/gtest.h>

namespace px {
namespace {

class RegistrationTablesTest : public test::DatabaseFixture
{};

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
    ASSERT_TRUE(UpdateRow(db_, CallerTable(), "f", "a1b2c1", changed));

    const auto inF = LoadRows(db_, CallerTable(), "f").rows;
    ASSERT_EQ(inF.size(), 2u);
    EXPECT_EQ(inF[0], rows[0]) << "another key keeps its values";
    EXPECT_EQ(inF[1], changed);
    EXPECT_EQ(LoadRows(db_, CallerTable(), "g").rows[1], rows[1]) << "another file keeps its key";
    EXPECT_TRUE(UpdateRow(db_, CallerTable(), "f", "FFFFF1", changed)) << "no such key: no change";
    EXPECT_EQ(Count("select * from T_Device3"), 4);
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

} // namespace
} // namespace px
