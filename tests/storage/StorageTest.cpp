#include "mock/ScratchDatabase.h"
#include "mock/TempFolder.h"
#include "storage/Database.h"
#include "storage/Schema.h"
#include "storage/Transaction.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

// A database with the program's schema in a temporary folder.
class StorageTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }

    test::TempFolder folder_;
    test::ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
    const std::string& path_ = scratch_.Path();
};

TEST_F(StorageTest, OpenOnAnOpenDatabaseClosesItAndOpensTheNewOne)
{
    const std::string otherPath = folder_.File("other.db");
    std::string error;
    ASSERT_TRUE(EnsureDatabase(otherPath, error)) << error;
    ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName, DeviceType) values ('first', 0)"));

    QueryResult attached(db_);
    ASSERT_TRUE(db_.Open(otherPath));
    EXPECT_EQ(db_.Path(), otherPath);
    // The recordset shares the connection, so it now reads the other database.
    ASSERT_TRUE(attached.Open("select * from T_FileName"));
    EXPECT_EQ(attached.GetRecordCount(), 0);

    // Without a path, the file opened last is opened again.
    ASSERT_TRUE(db_.Open());
    EXPECT_TRUE(db_.IsOpen());
    ASSERT_TRUE(attached.Open("select * from T_FileName"));
    EXPECT_EQ(attached.GetRecordCount(), 0);
}

TEST_F(StorageTest, OpeningAMissingDatabaseFailsWithTheConnectionInTheError)
{
    Database db;
    const std::string missing = folder_.File("missing/none.db");
    EXPECT_FALSE(db.Open(missing));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(db.GetLastErrorString().rfind(
                  "Connection String = " + missing + "\nCADODataBase Error\n\tCode = ", 0),
              0u)
        << db.GetLastErrorString();
    EXPECT_FALSE(db.GetErrorDescription().empty());
    EXPECT_NE(db.GetLastError(), 0u);
    EXPECT_FALSE(test::Exists(folder_.File("missing/none.db")));
}

TEST_F(StorageTest, FailingStatementsReturnFalseAndKeepTheirError)
{
    EXPECT_FALSE(db_.Execute("delete from T_Nowhere"));
    EXPECT_NE(db_.GetLastErrorString().find("no such table: T_Nowhere"), std::string::npos);

    QueryResult rs(db_);
    EXPECT_FALSE(rs.Open("select * from T_Nowhere"));
    EXPECT_EQ(
        rs.GetLastErrorString().rfind("Query = select * from T_Nowhere\nQueryResult Error", 0), 0u)
        << rs.GetLastErrorString();
    EXPECT_FALSE(rs.IsOpen());

    // A mismatch between placeholders and values is a failure, not a silent null.
    EXPECT_FALSE(
        db_.Execute("insert into T_KeyName (KeyNo, KeyName) values (?, ?)", {std::int64_t{1}}));
}

TEST_F(StorageTest, NullReadsAsEmptyTextAndZero)
{
    ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo, FileName) values (4, 'f')"));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select DeviceNo, Address, Remark from T_Device1"));
    std::string text = "unchanged";
    int number = 99;
    EXPECT_TRUE(rs.GetFieldValue("Address", text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(rs.GetFieldValue("Remark", number));
    EXPECT_EQ(number, 0);
    EXPECT_TRUE(rs.GetFieldValue(2, number));
    EXPECT_EQ(number, 0);
}

TEST_F(StorageTest, BooleanColumnsReadAsTOrFAndOneOrZero)
{
    ASSERT_TRUE(db_.Execute("create table T_Flags (Id integer, Flag boolean)"));
    ASSERT_TRUE(db_.Execute("insert into T_Flags values (1, 1), (2, 0)"));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Flags order by Id"));
    struct Expected
    {
        const char* text;
        int number;
    };
    for (const Expected& expected : {Expected{"T", 1}, Expected{"F", 0}}) {
        ASSERT_FALSE(rs.IsEof());
        std::string text;
        int number = -1;
        EXPECT_TRUE(rs.GetFieldValue("Flag", text));
        EXPECT_TRUE(rs.GetFieldValue("Flag", number));
        EXPECT_EQ(text, expected.text);
        EXPECT_EQ(number, expected.number);
        rs.MoveNext();
    }
    EXPECT_TRUE(rs.IsEof());
}

TEST_F(StorageTest, FourByteIntegersKeepTheirFullValueByNameAndByPosition)
{
    ASSERT_TRUE(
        db_.Execute("insert into T_Device3 (CodeNo, CallNo, FileName) values ('A', 70000, 'f')"));
    ASSERT_TRUE(
        db_.Execute("insert into T_Device3 (CodeNo, CallNo, FileName) values ('B', -70000, 'f')"));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select CallNo from T_Device3 order by CodeNo"));
    for (int expected : {70000, -70000}) {
        int byName = 0;
        int byPosition = 0;
        std::string text;
        EXPECT_TRUE(rs.GetFieldValue("CallNo", byName));
        EXPECT_TRUE(rs.GetFieldValue(0, byPosition));
        EXPECT_TRUE(rs.GetFieldValue("CallNo", text));
        EXPECT_EQ(byName, expected);
        EXPECT_EQ(byPosition, expected);
        EXPECT_EQ(text, std::to_string(expected));
        rs.MoveNext();
    }
}

TEST_F(StorageTest, AFieldTheResultLacksFailsAndLeavesTheValue)
{
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Type order by TypeNo"));
    int number = 42;
    std::string text = "kept";
    EXPECT_FALSE(rs.GetFieldValue("NoSuchColumn", number));
    EXPECT_NE(rs.GetLastErrorString().find("NoSuchColumn"), std::string::npos);
    EXPECT_FALSE(rs.GetFieldValue("NoSuchColumn", text));
    EXPECT_FALSE(rs.GetFieldValue(99, number));
    EXPECT_EQ(number, 42);
    EXPECT_EQ(text, "kept");
}

TEST_F(StorageTest, LeadingBlanksAreStrippedFromTheQuery)
{
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open(" \t\n  select * from T_Type"));
    EXPECT_EQ(rs.GetQuery(), "select * from T_Type");
    EXPECT_EQ(rs.GetRecordCount(), 5);
}

TEST_F(StorageTest, NextNumberIsTheMaximumPlusOne)
{
    EXPECT_EQ(NextNumber(db_, "DeviceNo", "FileName=?", "T_Device1", {std::string("a")}), 1);
    for (int n : {3, 7, 5})
        ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo, FileName) values (?, 'a')",
                                {std::int64_t{n}}));
    ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo, FileName) values (40, 'b')"));
    EXPECT_EQ(NextNumber(db_, "DeviceNo", "FileName=?", "T_Device1", {std::string("a")}), 8);
    EXPECT_EQ(NextNumber(db_, "DeviceNo", "", "T_Device1"), 41);
    // A database that is not open gives the first number.
    Database closed;
    EXPECT_EQ(NextNumber(closed, "DeviceNo", "", "T_Device1"), 1);
}

TEST_F(StorageTest, ValuesAreBoundSoQuotesAndSqlAreStoredAsTyped)
{
    const std::string remark = "O'Brien'); DROP TABLE T_Device1;--";
    ASSERT_TRUE(db_.Execute(
        "insert into T_Device1 (DeviceNo, Address, Remark, FileName) values (?, ?, ?, ?)",
        {std::int64_t{1}, std::string("0000123"), remark, std::string("餐厅'一")}));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Device1 where FileName=?", {std::string("餐厅'一")}));
    ASSERT_EQ(rs.GetRecordCount(), 1);
    std::string stored;
    EXPECT_TRUE(rs.GetFieldValue("Remark", stored));
    EXPECT_EQ(stored, remark);
    EXPECT_TRUE(rs.GetFieldValue("Address", stored));
    EXPECT_EQ(stored, "0000123");
}

TEST_F(StorageTest, ARolledBackTransactionLeavesTheDatabaseAsItWas)
{
    {
        Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        ASSERT_TRUE(db_.Execute("delete from T_Type"));
        EXPECT_FALSE(db_.Execute("insert into T_FileName (FileName) values (NULL)"));
    } // not committed: rolled back
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Type"));
    EXPECT_EQ(rs.GetRecordCount(), 5);
}

TEST_F(StorageTest, RecordsetsSeeTheirDatabaseClose)
{
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Type"));
    EXPECT_TRUE(rs.IsOpen());
    db_.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_FALSE(rs.Open("select * from T_Type"));
}

TEST_F(StorageTest, NewDatabaseHasTheSchemaAndInitialRows)
{
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_Type order by TypeNo"));
    const char* names[] = {"BX-2", "LW2/LW1", "num", "en", "LW3"};
    for (int i = 0; i < 5; ++i, rs.MoveNext()) {
        int typeNo = -1;
        int machineType = -1;
        std::string name;
        rs.GetFieldValue("TypeNo", typeNo);
        rs.GetFieldValue("MachineType", machineType);
        rs.GetFieldValue("TypeName", name);
        EXPECT_EQ(typeNo, i);
        EXPECT_EQ(machineType, i) << "a read-back restores the type only when they are equal";
        EXPECT_EQ(name, names[i]);
    }
    ASSERT_TRUE(rs.Open("select * from T_KeyName"));
    EXPECT_GE(rs.GetRecordCount(), 9);

    // The view joins the receiver type's name.
    ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                            "values (3,'123','','f',4)"));
    ASSERT_TRUE(rs.Open("select * from Q_Device1Query where FileName='f' order by DeviceNo"));
    std::string typeName;
    EXPECT_TRUE(rs.GetFieldValue("TypeName", typeName));
    EXPECT_EQ(typeName, "LW3");

    // A caller row inserted without escalation reads as 0; file names and type names are unique.
    ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo, FileName) values ('A1B2C1', 'f')"));
    ASSERT_TRUE(rs.Open("select ZhuiHu from T_Device3"));
    int escalation = -1;
    EXPECT_TRUE(rs.GetFieldValue("ZhuiHu", escalation));
    EXPECT_EQ(escalation, 0);
    ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName, DeviceType) values ('x', 0)"));
    EXPECT_FALSE(db_.Execute("insert into T_FileName (FileName, DeviceType) values ('x', 1)"));
    EXPECT_FALSE(db_.Execute(
        "insert into T_CallType (TypeName, TypeNum, TypeChoice) values ('单键', 1, 1)"));
}

TEST_F(StorageTest, AnExistingDatabaseIsLeftAsItIs)
{
    ASSERT_TRUE(db_.Execute("delete from T_KeyName"));
    db_.Close();
    std::string error;
    ASSERT_TRUE(EnsureDatabase(path_, error));
    ASSERT_TRUE(db_.Open(path_));
    QueryResult rs(db_);
    ASSERT_TRUE(rs.Open("select * from T_KeyName"));
    EXPECT_EQ(rs.GetRecordCount(), 0);
}

TEST(StorageSetupTest, AFolderThatCannotBeMadeFailsWithoutLeavingAFile)
{
    test::TempFolder folder;
    // A file stands where the folder should be.
    {
        std::ofstream(PathFromUtf8(folder.File("Database"))) << "x";
    }
    std::string error;
    EXPECT_FALSE(EnsureDatabase(DatabasePath(folder.Folder()), error));
    EXPECT_FALSE(error.empty());
}

} // namespace
} // namespace px
