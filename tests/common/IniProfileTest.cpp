#include "common/IniProfile.h"

#include "mock/TempFolder.h"

#include <gtest/gtest.h>

namespace px {
namespace {

class IniProfileTest : public ::testing::Test
{
protected:
    std::filesystem::path File() const { return folder_.Path() / "px-system.ini"; }
    std::string Text() const { return test::ReadBytes(Utf8FromPath(File())); }

    test::TempFolder folder_;
};

#if defined(_WIN32)
constexpr const char* kEol = "\r\n";
#else
constexpr const char* kEol = "\n";
#endif

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + kEol;
    return text;
}

TEST_F(IniProfileTest, KeepsNumbersAndTextsSortedBySectionAndKey)
{
    IniProfile profile(File());
    EXPECT_EQ(profile.GetInt("MACHINE", "ROOM", 3), 3) << "no file yet: the default";
    profile.SetString("SHOUCHI", "HURRYPREFIX", "请到");
    profile.SetInt("MACHINE", "ROOM", 1);
    profile.SetInt("MACHINE", "MONITOR", -2);
    EXPECT_FALSE(profile.LastWriteFailed()) << profile.WriteError();

    EXPECT_EQ(Text(),
              Lines({"[MACHINE]", "MONITOR=-2", "ROOM=1", "", "[SHOUCHI]", "HURRYPREFIX=请到"}));
    const IniProfile again(File());
    EXPECT_EQ(again.GetInt("MACHINE", "ROOM", 0), 1);
    EXPECT_EQ(again.GetInt("MACHINE", "MONITOR", 0), -2);
    EXPECT_EQ(again.GetString("SHOUCHI", "HURRYPREFIX", ""), "请到");
    EXPECT_EQ(again.GetString("SHOUCHI", "MISSING", "def"), "def");
    EXPECT_EQ(again.GetInt("SHOUCHI", "HURRYPREFIX", 9), 9) << "a text is no number";
}

// Texts that the file's syntax would otherwise take apart are written as QSettings writes them,
// and read back whole.
TEST_F(IniProfileTest, TextsWithTheFilesOwnSyntaxAreEscaped)
{
    struct Case
    {
        std::string text;
        const char* stored;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"", ""},
        {"a,b", "\"a,b\""},
        {"x=y", "\"x=y\""},
        {"semi;colon", "\"semi;colon\""},
        {" lead", "\" lead\""},
        {"trail ", "\"trail \""},
        {"@at", "@@at"},
        {"quote\"s", "quote\\\"s"},
        {"back\\slash", "back\\\\slash"},
        {"tab\there", "tab\\there"},
        {"line\nbreak", "line\\nbreak"},
        {std::string("nul\0"
                     "1",
                     5),
         "@String(nul\\0\\x31)"},
        {"\x01"
         "a",
         "\\x1\\x61"},
        {"中文，逗号", "中文，逗号"},
        {"请,到", "\"请,到\""},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(File());
        IniProfile profile(File());
        profile.SetString("S", "K", c.text);
        EXPECT_EQ(Text(), Lines({"[S]", ("K=" + std::string(c.stored)).c_str()})) << c.stored;
        EXPECT_EQ(IniProfile(File()).GetString("S", "K", "?"), c.text) << c.stored;
    }
}

// Two programs that use the same file (the window and pxctl) never undo each other's changes.
TEST_F(IniProfileTest, EachChangeKeepsWhatAnotherWriterLeft)
{
    IniProfile window(File());
    IniProfile pxctl(File());
    window.SetInt("MAINWINDOW", "WIDTH", 800);
    pxctl.SetInt("LW123", "SHAKE", 7);
    window.SetInt("MAINWINDOW", "HEIGHT", 600);
    EXPECT_EQ(window.GetInt("LW123", "SHAKE", 0), 7);
    EXPECT_EQ(pxctl.GetInt("MAINWINDOW", "HEIGHT", 0), 600);
    EXPECT_EQ(pxctl.GetInt("MAINWINDOW", "WIDTH", 0), 800);
}

// What earlier versions, or a person with an editor, left in the file.
TEST_F(IniProfileTest, ReadsWhatOthersWroteAsQSettingsWouldAndKeepsIt)
{
    test::WriteBytes(Utf8FromPath(File()), "\xEF\xBB\xBF; a comment\r\n"
                                           "[General]\r\n"
                                           "top=1\r\n"
                                           "[MACHINE]\r\n"
                                           "  ROOM = 5   \r\n"
                                           "LIST=a, b ,c\r\n"
                                           "QUOTED=\"x, y\" ; said after\r\n"
                                           "HEX=\\x4e2d\\x6587\r\n"
                                           "CONTINUED=one\\\r\n"
                                           "two\r\n"
                                           "INVALID=@Invalid()\r\n"
                                           "NOEQUALS\r\n"
                                           "[%E4%B8%AD%U6587]\r\n"
                                           "KEY=v\r\n");
    IniProfile profile(File());
    EXPECT_EQ(profile.GetInt("MACHINE", "ROOM", 0), 5);
    EXPECT_EQ(profile.GetString("MACHINE", "LIST", ""), "a, b, c");
    EXPECT_EQ(profile.GetString("MACHINE", "QUOTED", ""), "x, y");
    EXPECT_EQ(profile.GetString("MACHINE", "HEX", ""), "中文");
    EXPECT_EQ(profile.GetString("MACHINE", "CONTINUED", ""), "onetwo");
    EXPECT_EQ(profile.GetString("MACHINE", "INVALID", "def"), "def");
    EXPECT_EQ(profile.GetString("", "top", ""), "1");
    EXPECT_EQ(profile.GetString("\xC3\xA4\xC2\xB8\xC2\xAD文", "KEY", ""), "v")
        << "%XX is one Latin-1 character, %UXXXX one UTF-16 unit";

    profile.SetInt("MACHINE", "ROOM", 6);
    EXPECT_EQ(Text(), Lines({"[General]", "top=1", "", "[MACHINE]", "CONTINUED=onetwo", "HEX=中文",
                             "INVALID=@Invalid()", "LIST=a, b, c", "QUOTED=\"x, y\"", "ROOM=6", "",
                             "[%E4%B8%AD%U6587]", "KEY=v"}))
        << "every entry kept, in the form QSettings writes it";
}

TEST_F(IniProfileTest, AFileThatCannotBeWrittenIsSaid)
{
    IniProfile profile(folder_.Path() / "missing" / "px-system.ini");
    test::WriteBytes(Utf8FromPath(folder_.Path() / "missing"), "a file where the folder goes");
    profile.SetInt("S", "K", 1);
    EXPECT_TRUE(profile.LastWriteFailed());
    EXPECT_NE(profile.WriteError().find("px-system.ini"), std::string::npos)
        << profile.WriteError();
    EXPECT_EQ(profile.GetInt("S", "K", 0), 0);
}

} // namespace
} // namespace px
