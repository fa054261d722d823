#include "common/FileIo.h"

#include "mock/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace px {
namespace {

class FileIoTest : public ::testing::Test
{
protected:
    std::string Write(const std::string& name, const std::string& bytes)
    {
        const std::string path = folder_.File(name);
        std::ofstream(PathFromUtf8(path), std::ios::binary) << bytes;
        return path;
    }

    test::TempFolder folder_;
    std::string error_;
};

TEST_F(FileIoTest, AFileLargerThanTheLimitIsRefusedUnread)
{
    const std::string path = Write("a.csv", "12345");
    EXPECT_EQ(ReadFileUpTo(path, 5, error_), "12345");
    EXPECT_FALSE(ReadFileUpTo(path, 4, error_));
    EXPECT_NE(error_.find("5 bytes"), std::string::npos) << error_;
    EXPECT_FALSE(ReadFileUpTo(folder_.File("missing"), 10, error_));
}

TEST_F(FileIoTest, TheTailStartsAtAWholeLine)
{
    const std::string path = Write("capture.log", "first line\nsecond\nthird\n");
    EXPECT_EQ(ReadFileTail(path, 1000, error_), "first line\nsecond\nthird\n");
    EXPECT_EQ(ReadFileTail(path, 13, error_), "third\n") << "\"second\" is cut, so it is left out";
    EXPECT_EQ(ReadFileTail(path, 4, error_), "") << "no whole line fits";
    EXPECT_EQ(ReadFileTail(folder_.File("none.log"), 10, error_), "")
        << "no log yet is an empty log";
}

TEST_F(FileIoTest, AWriteIsAllOrNothing)
{
    const std::string path = Write("out.csv", "old");
    ASSERT_TRUE(WriteFileWhole(path, "new text", error_)) << error_;
    EXPECT_EQ(ReadFileUpTo(path, 100, error_), "new text");
    EXPECT_FALSE(test::Exists(path + ".part"));

    const std::string nowhere = folder_.File("no-such-folder/out.csv");
    EXPECT_FALSE(WriteFileWhole(nowhere, "x", error_));
    EXPECT_FALSE(error_.empty());
    EXPECT_FALSE(test::Exists(nowhere));
}

} // namespace
} // namespace px
