// What px-system and pxctl share: the command line and the settings file.

#include "app/AppOptions.h"
#include "cli/CliApp.h"
#include "common/BuildInfo.h"
#include "common/Clock.h"
#include "common/IniProfile.h"
#include "mock/FakeClock.h"
#include "mock/TempFolder.h"
#include "session/DataFolder.h"
#include "settings/AlertSettings.h"

#include <QSettings>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <variant>

namespace px {
namespace {

std::optional<AppOptions> Parse(QStringList arguments, QString& error)
{
    arguments.prepend("px-system");
    return ParseAppOptions(arguments, error);
}

TEST(AppOptions, VersionAndHelpLeaveWithTheirText)
{
    QString error;
    const auto version = Parse({"--version"}, error);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->exitText, QString("px-system ") + kProgramVersion);

    const auto help = Parse({"--help"}, error);
    ASSERT_TRUE(help);
    for (const char* option : {"--data-dir DIR", "--host sim:DIR", "--model px|qx", "--version"})
        EXPECT_TRUE(help->exitText.contains(option)) << option;
}

TEST(AppOptions, TakesTheDataFolderAndASimulatedHost)
{
    QString error;
    const auto options =
        Parse({"--data-dir", "/srv/site", "--host", "sim:/tmp/host", "--model", "QX"}, error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_TRUE(options->exitText.isEmpty());
    EXPECT_EQ(options->shared.dataDir, "/srv/site");
    EXPECT_TRUE(options->shared.host.IsSimulated());
    EXPECT_EQ(options->shared.host.simFolder, "/tmp/host");
    EXPECT_EQ(options->shared.host.simModel, HostModel::QX);

    const auto plain = Parse({}, error);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->shared.host.IsSimulated());
    EXPECT_EQ(plain->shared.host.simModel, HostModel::PX);
    EXPECT_TRUE(plain->shared.dataDir.empty());
}

TEST(AppOptions, RefusesWhatItDoesNotKnow)
{
    const struct
    {
        QStringList arguments;
        const char* said;
    } cases[] = {
        {{"--host", "usb"}, "--host must be hid or sim:DIR"},
        {{"--host", "sim:"}, "needs a folder"},
        {{"--model", "zx"}, "--model must be px or qx"},
        {{"--colour"}, "colour"},
        {{"--data-dir"}, "data-dir"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(Parse(c.arguments, error)) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(error.contains(c.said)) << error.toStdString();
    }
}

// Earlier versions of the window kept these settings with QSettings; the window and pxctl now
// share IniProfile, which must read what QSettings wrote and write what it reads, byte for byte.
struct SettingValue
{
    const char* key;
    std::variant<int, std::string> value;
};

const std::vector<SettingValue>& Values()
{
    static const std::vector<SettingValue> values = {
        {"WIDTH", 1024},
        {"X", -8},
        {"PLAIN", std::string("一号店")},
        {"EMPTY", std::string()},
        {"COMMA", std::string("请,到")},
        {"EQUALS", std::string("a=b;c")},
        {"BLANKS", std::string(" both ")},
        {"AT", std::string("@ByteArray(x)")},
        {"QUOTE", std::string("say \"hi\" \\ bye")},
        {"CONTROL", std::string("tab\tline\nend\x01"
                                "2")},
        {"EMOJI", std::string("\xF0\x9F\x98\x80")},
        {"NUL", std::string("a\0"
                            "b",
                            3)},
    };
    return values;
}

void WriteWithQSettings(const QString& file, const char* section)
{
    QSettings settings(file, QSettings::IniFormat);
    for (const SettingValue& v : Values()) {
        const QString key = QString(section) + "/" + v.key;
        if (const int* number = std::get_if<int>(&v.value))
            settings.setValue(key, *number);
        else
            settings.setValue(key, QString::fromStdString(std::get<std::string>(v.value)));
    }
    settings.sync();
    ASSERT_EQ(settings.status(), QSettings::NoError);
}

void WriteWithIniProfile(const std::filesystem::path& file, const char* section)
{
    IniProfile profile(file);
    for (const SettingValue& v : Values()) {
        if (const int* number = std::get_if<int>(&v.value))
            profile.SetInt(section, v.key, *number);
        else
            profile.SetString(section, v.key, std::get<std::string>(v.value));
    }
    ASSERT_FALSE(profile.LastWriteFailed()) << profile.WriteError();
}

TEST(IniProfileWithQSettings, EachReadsWhatTheOtherWrote)
{
    test::TempFolder folder;
    const std::filesystem::path ours = folder.Path() / "ours.ini";
    const std::filesystem::path theirs = folder.Path() / "theirs.ini";
    WriteWithIniProfile(ours, "SHOUCHI");
    WriteWithQSettings(QString::fromStdString(Utf8FromPath(theirs)), "SHOUCHI");

    const QSettings readByQt(QString::fromStdString(Utf8FromPath(ours)), QSettings::IniFormat);
    const IniProfile readByUs(theirs);
    for (const SettingValue& v : Values()) {
        const QVariant qt = readByQt.value(QString("SHOUCHI/") + v.key);
        if (const int* number = std::get_if<int>(&v.value)) {
            EXPECT_EQ(qt.toInt(), *number) << v.key;
            EXPECT_EQ(readByUs.GetInt("SHOUCHI", v.key, 0), *number) << v.key;
        } else {
            const std::string& text = std::get<std::string>(v.value);
            EXPECT_EQ(qt.toString().toStdString(), text) << v.key;
            EXPECT_EQ(readByUs.GetString("SHOUCHI", v.key, "?"), text) << v.key;
        }
    }
}

TEST(IniProfileWithQSettings, BothWriteTheSameBytes)
{
    test::TempFolder folder;
    const std::filesystem::path ours = folder.Path() / "ours.ini";
    const std::filesystem::path theirs = folder.Path() / "theirs.ini";
    const QString theirsName = QString::fromStdString(Utf8FromPath(theirs));
    WriteWithIniProfile(ours, "MACHINE");
    WriteWithQSettings(theirsName, "MACHINE");
    EXPECT_EQ(test::ReadBytes(Utf8FromPath(ours)), test::ReadBytes(Utf8FromPath(theirs)));

    // A file one wrote, changed by the other: a new section, a new key, a changed value.
    test::WriteBytes(Utf8FromPath(ours), test::ReadBytes(Utf8FromPath(theirs)));
    {
        IniProfile profile(ours);
        profile.SetInt("LW123", "SHAKE", 7);
        profile.SetString("MACHINE", "ADDED", "新");
        profile.SetInt("MACHINE", "WIDTH", 800);
    }
    {
        QSettings settings(theirsName, QSettings::IniFormat);
        settings.setValue("LW123/SHAKE", 7);
        settings.setValue("MACHINE/ADDED", QString("新"));
        settings.setValue("MACHINE/WIDTH", 800);
    }
    EXPECT_EQ(test::ReadBytes(Utf8FromPath(ours)), test::ReadBytes(Utf8FromPath(theirs)));
}

// pxctl with --data-dir keeps what it remembers in that folder and leaves the user's own
// settings alone; without it, the user's settings serve.
TEST(IniProfileWithQSettings, PxctlWithADataFolderRemembersThere)
{
    test::TempFolder data;
    test::TempFolder host;
    MemoryProfile userProfile;
    test::FakeClock clock;
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out,
                         err,
                         false,
                         userProfile,
                         clock,
                         [] { return std::string(); },
                         [](const std::string& folder) -> std::unique_ptr<Profile> {
                             return std::make_unique<IniProfile>(SettingsFile(folder, folder));
                         }};
    ASSERT_EQ(cli::Run({"--data-dir", data.Text(), "--host", "sim:" + host.Text(), "--yes", "lw3",
                        "set", "--shake", "7"},
                       env),
              cli::kExitOk)
        << err.str();

    const IniProfile portable(data.Path() / kFolderSettingsFile);
    EXPECT_EQ(LoadLw3Settings(portable).shake, 7);
    EXPECT_NE(LoadLw3Settings(userProfile).shake, 7);
    const QSettings window(QString::fromStdString(Utf8FromPath(data.Path() / kFolderSettingsFile)),
                           QSettings::IniFormat);
    EXPECT_EQ(window.value("LW123/SHAKE").toInt(), 7) << "the window of an earlier version sees it";
}

} // namespace
} // namespace px
