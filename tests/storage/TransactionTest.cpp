#include "storage/Transaction.h"

#include "mock/DatabaseFixture.h"
#include "registry/Callers.h"
#include "settings/MachineParams.h"

#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <utility>

namespace px {
namespace {

// Another program that reads the database and keeps its read lock until told: the window's
// writes cannot commit meanwhile.
class Reader
{
public:
    explicit Reader(const std::string& path)
    {
        sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        Run("BEGIN");
        Run("SELECT count(*) FROM T_FileName");
    }
    ~Reader()
    {
        Finish();
        sqlite3_close_v2(db_);
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    void Finish()
    {
        if (std::exchange(reading_, false))
            Run("COMMIT");
    }

private:
    void Run(const char* sql)
    {
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, &message), SQLITE_OK)
            << (message != nullptr ? message : "");
        sqlite3_free(message);
    }

    sqlite3* db_ = nullptr;
    bool reading_ = true;
};

class TransactionTest : public test::DatabaseFixture
{
protected:
    void SetUp() override
    {
        // A lock held past this is "busy": milliseconds, not the program's five seconds.
        db_.SetBusyTimeout(20);
        DatabaseFixture::SetUp();
    }

    // What the file holds, seen by a connection of its own (what is left when the program
    // ends).
    int CountOnDisk(const std::string& sql)
    {
        Database other;
        EXPECT_TRUE(other.Open(dbPath_));
        QueryResult rs(other);
        EXPECT_TRUE(rs.Open(other, sql));
        return rs.GetRecordCount();
    }
};

TEST_F(TransactionTest, ItLastsOnlyWhenCommitted)
{
    {
        Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('left')"));
        // Ends without Commit: an early return of a failed action.
    }
    {
        Transaction transaction(db_);
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('kept')"));
        ASSERT_TRUE(transaction.Commit());
        EXPECT_FALSE(transaction.Commit()) << "once";
    }
    EXPECT_EQ(CountOnDisk("select * from T_FileName where FileName='left'"), 0);
    EXPECT_EQ(CountOnDisk("select * from T_FileName where FileName='kept'"), 1);
}

TEST_F(TransactionTest, ACommitRefusedWhileAnotherProgramReadsLeavesNothingAndTheConnectionFree)
{
    Reader reader(dbPath_);
    {
        Transaction transaction(db_);
        ASSERT_TRUE(transaction.Began());
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('refused')"));
        EXPECT_FALSE(transaction.Commit());
    }
    const auto failure = db_.TakeFailure();
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->code & 0xFF, SQLITE_BUSY);
    EXPECT_NE(DescribeDatabaseFailure(*failure, dbPath_).find("数据库正被其他程序使用"),
              std::string::npos);

    reader.Finish();
    Transaction next(db_);
    ASSERT_TRUE(next.Began()) << "the connection is no longer inside the refused transaction";
    ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName) values ('next')"));
    ASSERT_TRUE(next.Commit());
    EXPECT_EQ(CountOnDisk("select * from T_FileName where FileName='refused'"), 0);
    EXPECT_EQ(CountOnDisk("select * from T_FileName where FileName='next'"), 1);
}

// Actions of several statements, each refused at its commit while another program reads the
// file: the action fails and changes nothing, and the user's next edit is stored for good
// (it used to report success inside the never-ended transaction and be lost at exit).
TEST_F(TransactionTest, AnActionRefusedAtItsCommitLosesNoLaterEdit)
{
    AddFile("f", 0);
    for (const char* code : {"ABCDE1", "ABCDE2", "ABCDE3"})
        ASSERT_TRUE(db_.Execute("insert into T_Device3 (CodeNo,FileName) values (?,'f')", {code}));
    const struct
    {
        const char* what;
        std::function<bool()> action;
        const char* unchanged; // a query that finds the rows the action would have changed
        int rows;
    } cases[] = {
        {"deleting a caller's keys", [&] { return DeleteCallerKeys(db_, "f", "ABCDE1"); },
         "select * from T_Device3 where CodeNo like 'ABCDE_'", 3},
        {"saving the receiver types' rates",
         [&] {
             return SaveReceiverTypeRates(db_, ReceiverTypeRates{2, 1, 2, 1});
         },
         "select * from T_Type where TypeNo in (2,3) and Rate=1 and Polarity=0", 2},
    };
    int edits = 0;
    for (const auto& c : cases) {
        {
            Reader reader(dbPath_);
            EXPECT_FALSE(c.action()) << c.what;
        }
        db_.TakeFailure();
        ASSERT_TRUE(
            db_.Execute("insert into T_Device2 (DeviceNo,Address,FileName) values (?,?,'f')",
                        {std::int64_t{++edits}, "1A2B"}))
            << c.what;
        EXPECT_EQ(CountOnDisk(c.unchanged), c.rows) << c.what << ": nothing changed";
        EXPECT_EQ(CountOnDisk("select * from T_Device2"), edits)
            << c.what << ": the next edit is on disk";
    }
}

} // namespace
} // namespace px
