#include "common/IniFile.h"

#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace px {
namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(IniFileTest, CreatesTheFileAndReplacesTheKeyKeepingTheRest)
{
    test::TempFolder folder;
    const std::string path = folder.File("zpreg.ini");
    ASSERT_TRUE(WriteProfileString(path, "File", "Name", "餐厅"));
    EXPECT_EQ(Contents(path), "[File]\r\nName=餐厅\r\n");

    {
        std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::app);
        out << "[Other]\r\nName=keep\r\n";
    }
    ASSERT_TRUE(WriteProfileString(path, "File", "Name", "二号店"));
    ASSERT_TRUE(WriteProfileString(path, "File", "Extra", "1"));
    EXPECT_EQ(Contents(path), "[File]\r\nName=二号店\r\nExtra=1\r\n[Other]\r\nName=keep\r\n");
    EXPECT_EQ(ReadProfileString(path, "File", "Name"), "二号店");
    EXPECT_EQ(ReadProfileString(path, "Other", "Name"), "keep");
    EXPECT_EQ(ReadProfileString(path, "Missing", "Name", "def"), "def");
}

TEST(IniFileTest, AnUnwritablePathFails)
{
    test::TempFolder folder;
    EXPECT_FALSE(WriteProfileString(folder.File("no/such/folder/zpreg.ini"), "File", "Name", "x"));
}

} // namespace
} // namespace px
