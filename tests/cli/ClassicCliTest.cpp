// pxctl import-classic: the preview on standard output, messages and exit statuses, and the
// database untouched by a dry run or a refusal.

#include "classic/SmallLibrary.h"
#include "cli/CliFixture.h"
#include "mock/Programs.h"

namespace px::test {
namespace {

class ClassicCliTest : public CliFixture
{
protected:
    void SetUp() override
    {
        classicReader_ = BuiltProgram(PX_PROGRAM_CLASSIC_READER);
        ASSERT_EQ(Run({"file", "new", "甲店"}).status, 0); // makes the database
    }

    std::string WriteLibrary(const std::string& password = {})
    {
        return WriteSmallClassicLibrary(data_.File("old.mdb"), password);
    }
};

TEST_F(ClassicCliTest, ConflictRefusesDryRunWritesNothingThenRenameImports)
{
    const std::string path = WriteLibrary();
    const std::string before = DatabaseBytes();

    Result r = Run({"import-classic", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("\"甲店\""), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("\"乙店\" qx: 1 信息机, 0 手持呼叫器, 0 呼叫器: import"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(DatabaseBytes(), before);

    r = Run({"import-classic", path, "--on-conflict", "skip", "--dry-run"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("1 configuration files would be imported"), std::string::npos) << r.err;
    EXPECT_EQ(DatabaseBytes(), before);

    r = Run({"import-classic", path, "--on-conflict=rename", "--only", "甲店", "--only", "乙店"});
    EXPECT_EQ(r.status, 0) << r.err;
    const Result list = Run({"file", "list"});
    EXPECT_NE(list.out.find("甲店 (2)"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("乙店"), std::string::npos) << list.out;
}

TEST_F(ClassicCliTest, BadInputAndBadOptions)
{
    const std::string before = DatabaseBytes();
    Result r = Run({"import-classic", WriteLibrary("other")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("protected by a password"), std::string::npos) << r.err;
    r = Run({"import-classic", data_.File("old.mdb"), "--only", "丙店"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Run({"import-classic", data_.File("old.mdb"), "--on-conflict", "merge"}).status, 2);
    EXPECT_EQ(Run({"import-classic", data_.File("old.mdb"), "--code-page", "x"}).status, 2);
    EXPECT_EQ(DatabaseBytes(), before);
}

TEST_F(ClassicCliTest, NothingToImportFailsEvenInADryRun)
{
    const std::string path = WriteLibrary();
    const std::string before = DatabaseBytes();
    // 甲店 exists here and is skipped; 乙店 is not chosen.
    for (const bool dryRun : {false, true}) {
        std::vector<std::string> words{"import-classic", path,     "--on-conflict",
                                       "skip",           "--only", "甲店"};
        if (dryRun)
            words.push_back("--dry-run");
        const Result r = Run(words);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("no configuration file can be imported"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("\"甲店\" px: 0 信息机, 0 手持呼叫器, 0 呼叫器: skip (a configuration "
                             "file of this name exists here)"),
                  std::string::npos)
            << r.out;
    }
    EXPECT_EQ(DatabaseBytes(), before);
}

// As an installer runs it from the build tree: pxctl finds the reader beside itself.
TEST_F(ClassicCliTest, TheBuiltPxctlFindsItsReader)
{
    const std::string path = WriteLibrary();
    const std::string output = data_.File("output.txt");
    std::string error;
    const auto pxctl = sys::ChildProcess::Start(
        BuiltProgram(PX_PROGRAM_PXCTL),
        {"--data-dir", data_.Text(), "import-classic", path, "--on-conflict", "skip"}, error,
        PathFromUtf8(output));
    ASSERT_NE(pxctl, nullptr) << error;
    EXPECT_EQ(pxctl->Wait(error), 0) << ReadAll(output);
    EXPECT_NE(ReadAll(output).find("imported 1 configuration files"), std::string::npos)
        << ReadAll(output);
}

} // namespace
} // namespace px::test
