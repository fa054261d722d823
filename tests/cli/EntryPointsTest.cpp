// What pxctl takes from a person or a file: every refusal has a message, the documented exit
// code, and leaves the database as it was.

#include "cli/CliFixture.h"
#include "common/Gbk.h"

#include <filesystem>
#include <random>
#include <sqlite3.h>

namespace px {
namespace {

class EntryPointsTest : public test::CliFixture
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
        ASSERT_EQ(Run({"im", "add", "5", "123", "--file", "店"}).status, 0);
        ASSERT_EQ(Run({"caller", "register", "--code", "ABCDE", "--file", "店"}).status, 0);
        document_ = data_.File("site.json");
        ASSERT_EQ(Run({"export", "店", document_}).status, 0);
    }

    std::string document_;
};

struct WordsCase
{
    std::vector<std::string> args;
    int status;
    const char* says; // a part of the message
};

TEST_F(EntryPointsTest, CommandLineWordsAreCheckedAndARefusalWritesNothing)
{
    const std::vector<WordsCase> cases = {
        // Text that is not UTF-8 never reaches the database.
        {{"file", "new", "\xFF\xFE"}, 2, "not valid UTF-8"},
        {{"im", "add", "6", "123", "--remark", "a\xC0\xAF", "--file", "店"}, 2, "not valid UTF-8"},
        {{"type", "add", "t\xFF", "1,2"}, 2, "not valid UTF-8"},
        {{"import", "site.json", "--as", "\xE4\xB8"}, 2, "not valid UTF-8"},
        // A value out of its range is a wrong command line.
        {{"im", "add", "600", "123", "--file", "店"}, 2, "PAGER"},
        {{"im", "add", "6", "16777339", "--file", "店"}, 2, "1 to 7 decimal digits"},
        {{"im", "add", "6", "2097152", "--file", "店"}, 2, "above 2097151"},
        {{"im", "add", "6", "12ab", "--file", "店"}, 2, "decimal digits"},
        {{"handheld", "add", "100", "1A2B", "--file", "店"}, 2, "NUMBER"},
        {{"handheld", "add", "5", "1A2B3", "--file", "店"}, 2, "CODE"},
        {{"caller", "set", "ABCDE1", "CallNo", "65536", "--file", "店"}, 2, "CallNo"},
        {{"caller", "set", "ABCDE1", "CallName", "八号\xF0\x9F\x98\x80", "--file", "店"},
         2,
         "cannot show"},
        {{"caller", "set", "ABCDE1", "CodeNo", "ABCDE", "--file", "店"}, 2, "6 or 12"},
        {{"caller", "register", "--code", "1234F", "--number", "70000", "--file", "店"},
         2,
         "--number"},
        {{"type", "add", "t", "1,2,99"}, 2, "a key"},
        {{"file", "new", "x", "--model", "zx"}, 2, "--model"},
        // A sound command line whose operation cannot be done.
        {{"im", "add", "6", "123", "--file", "nope"}, 1, "不存在"},
        {{"file", "copy", "店", "店"}, 1, "已存在"},
        {{"handheld", "add", "5", "0000", "--file", "店"}, 1, "自定义特征码错误"},
    };
    for (const WordsCase& c : cases) {
        std::vector<std::string> args = c.args;
        for (std::string& word : args) {
            if (word == "site.json")
                word = document_;
        }
        const std::string before = DatabaseBytes();
        const Result r = Run(args);
        EXPECT_EQ(r.status, c.status) << args[0] << " " << args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos)
            << args[0] << " " << args[1] << ": " << r.err;
        EXPECT_EQ(DatabaseBytes(), before) << args[0] << " " << args[1] << " wrote to the database";
    }
}

TEST_F(EntryPointsTest, ListsAndExportsNeverAbortOnWhatTheDatabaseHolds)
{
    // A database written by another tool may hold bytes that are not UTF-8.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(DatabasePath().c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw,
                           "update T_Device1 set Remark=cast(x'41FF42' as text);"
                           "insert into T_FileName (FileName,DeviceType) values "
                           "(cast(x'C0AF' as text),0);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    EXPECT_EQ(Run({"--json", "im", "list", "--file", "店"}).status, 0);
    EXPECT_EQ(Run({"--json", "file", "list"}).status, 0);
    const Result exported = Run({"export", "店", data_.File("out.json")});
    EXPECT_EQ(exported.status, 1);
    EXPECT_NE(exported.err.find("infoMachines[0].Remark"), std::string::npos) << exported.err;
    EXPECT_FALSE(test::Exists(data_.File("out.json")));
    EXPECT_FALSE(test::Exists(data_.File("out.json.part")));
}

TEST_F(EntryPointsTest, AFailedExportLeavesNoPartialFile)
{
    const std::string path = data_.File("missing/out.json");
    const Result r = Run({"export", "店", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_FALSE(test::Exists(path + ".part"));
}

struct DatabaseCase
{
    const char* what;
    std::string (*make)(const std::string& good);
    const char* says;
};

std::string RandomBytes(const std::string&)
{
    std::mt19937 random(7);
    std::string bytes(8192, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string Truncated(const std::string& good)
{
    return good.substr(0, good.size() / 2);
}

std::string ForeignDatabase(const std::string&)
{
    return ""; // an empty file is an empty SQLite database, without the program's tables
}

TEST_F(EntryPointsTest, ADamagedOrForeignDatabaseIsNamedAndLeftAlone)
{
    const std::string good = DatabaseBytes();
    const DatabaseCase cases[] = {
        {"random bytes", RandomBytes, "已损坏或不是数据库"},
        {"a truncated database", Truncated, "已损坏或不是数据库"},
        {"a database of another program", ForeignDatabase, "不是本程序的配置数据库"},
    };
    for (const DatabaseCase& c : cases) {
        const std::string bytes = c.make(good);
        WriteAll(DatabasePath(), bytes);
        for (const std::vector<std::string>& args : {std::vector<std::string>{"file", "list"},
                                                     {"im", "add", "6", "1", "--file", "店"},
                                                     {"im", "list", "--file", "店"},
                                                     {"export", "店", data_.File("out.json")},
                                                     {"import", document_, "--as", "三号店"}}) {
            const Result r = Run(args);
            EXPECT_EQ(r.status, 1) << c.what << ": " << args[0];
            EXPECT_NE(r.err.find(c.says), std::string::npos)
                << c.what << ": " << args[0] << ": " << r.err;
            EXPECT_EQ(r.err.find("不存在"), std::string::npos) << c.what << ": " << r.err;
            EXPECT_EQ(DatabaseBytes(), bytes) << c.what << ": the file was changed";
        }
    }
}

TEST_F(EntryPointsTest, ADatabaseLockedByAnotherProgramIsBusyNotMissing)
{
    databaseBusyMs_ = 20;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(DatabasePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
    const Result r = Run({"im", "list", "--file", "店"});
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("正被其他程序使用"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("不存在"), std::string::npos) << r.err;
}

TEST_F(EntryPointsTest, AWriteThatLosesTheLockSaysWhy)
{
    databaseBusyMs_ = 20;
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(DatabasePath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "begin immediate", nullptr, nullptr, nullptr), SQLITE_OK);
    const Result r = Run({"im", "add", "6", "123", "--file", "店"});
    sqlite3_exec(other, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("正被其他程序使用"), std::string::npos)
        << "not a silent failure: " << r.err;
    EXPECT_EQ(Json({"im", "list", "--file", "店"}).size(), 1u);
}

TEST_F(EntryPointsTest, JsonDocumentsAreBoundedBeforeTheyAreRead)
{
    const std::string nested = data_.File("nested.json");
    WriteAll(nested, R"({"format": )" + std::string(200000, '[') + std::string(200000, ']') + "}");
    const std::string big = data_.File("big.json");
    WriteAll(big, "{}");
    std::filesystem::resize_file(PathFromUtf8(big), 65u * 1024u * 1024u);

    for (const std::string& path : {nested, big}) {
        const std::string before = DatabaseBytes();
        const Result r = Run({"import", path, "--as", "三号店"});
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_LT(r.err.size(), 300u) << "the message does not print the document";
        EXPECT_NE(r.err.find("nothing was imported"), std::string::npos) << r.err;
        EXPECT_EQ(DatabaseBytes(), before);
    }
}

TEST_F(EntryPointsTest, VerifyFailsForARowThatCannotTravel)
{
    ASSERT_EQ(Run({"download", "im", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"download", "callers", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"verify", "店"}).status, 0);

    // Another tool writes a caller number the record cannot carry: it would go out as 4464.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(DatabasePath().c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "update T_Device3 set CallNo=70000", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    const Result download = Run({"download", "callers", "--file", "店"});
    EXPECT_EQ(download.status, 1);
    EXPECT_NE(download.err.find("ABCDE1 无法下载"), std::string::npos) << download.err;
    const Result verify = Run({"verify", "店"});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("callers ABCDE1: cannot be sent: caller number 70000"),
              std::string::npos)
        << verify.out;
}

} // namespace
} // namespace px

namespace px {
namespace {

class CallerSheetCliTest : public test::CliFixture
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
        ASSERT_EQ(Run({"im", "add", "7", "123", "--file", "店"}).status, 0);
    }

    std::string Sheet(const std::string& name, const std::string& bytes)
    {
        const std::string path = data_.File(name);
        WriteAll(path, bytes);
        return path;
    }
};

TEST_F(CallerSheetCliTest, APreviewThenAnImportFromAGbkSpreadsheet)
{
    const GbkBytes gbk = *ToGbk("特征码,中文名称\r\n123451,一号桌\r\n123452,一号桌\r\n");
    const std::string path = Sheet("tables.csv", std::string(gbk.begin(), gbk.end()));

    const Result dry = Run({"caller", "import", path, "--file", "店", "--dry-run"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("encoding: GBK\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("line 2\t123451\tadd\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("2 to add, 0 to change, 0 unchanged, 0 refused\n"), std::string::npos);
    EXPECT_TRUE(Json({"caller", "list", "--file", "店"}).empty()) << "a dry run writes nothing";

    ASSERT_EQ(Run({"caller", "import", path, "--file", "店"}).status, 0);
    const auto callers = Json({"caller", "list", "--file", "店"});
    ASSERT_EQ(callers.size(), 2u);
    EXPECT_EQ(callers[0]["CallName"], "一号桌");
    EXPECT_EQ(callers[0]["DeviceNo1"], "7");

    // The export reads back to the same rows, in either encoding.
    for (const char* encoding : {"gbk", "utf-8"}) {
        const std::string out = data_.File(std::string("out-") + encoding + ".csv");
        ASSERT_EQ(Run({"caller", "export", "--file", "店", out, "--encoding", encoding}).status, 0);
        const Result again = Run({"caller", "import", out, "--file", "店", "--dry-run"});
        EXPECT_EQ(again.status, 0) << again.err;
        EXPECT_NE(again.out.find("0 to add, 0 to change, 2 unchanged, 0 refused"),
                  std::string::npos)
            << encoding << ": " << again.out;
    }
}

TEST_F(CallerSheetCliTest, ARefusedRowMeansNothingIsWritten)
{
    const std::string path = Sheet("bad.csv", "CodeNo,CallName\r\n123451,ok\r\n12345,short\r\n");
    const std::string before = DatabaseBytes();
    const Result r = Run({"caller", "import", path, "--file", "店"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("line 3\t12345\trefused: 特征码: feature code \"12345\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos);
    EXPECT_EQ(DatabaseBytes(), before);

    EXPECT_EQ(Run({"caller", "import", data_.File("none.csv"), "--file", "店"}).status, 1);
    EXPECT_EQ(Run({"caller", "export", "--file", "店", data_.File("x.csv"), "--encoding", "latin1"})
                  .status,
              2);
    EXPECT_EQ(Run({"caller", "import", path}).status, 2) << "--file is needed";
}

} // namespace
} // namespace px
