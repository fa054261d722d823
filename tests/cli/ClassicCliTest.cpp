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

} // namespace
} // namespace px::test
