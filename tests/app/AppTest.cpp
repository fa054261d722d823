// What px-system and pxctl share: the command line and where the settings are kept.

#include "app/AppOptions.h"
#include "app/SettingsProfile.h"
#include "cli/CliApp.h"
#include "common/BuildInfo.h"
#include "common/Clock.h"
#include "mock/TempFolder.h"
#include "settings/AlertSettings.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

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
    EXPECT_EQ(options->dataDir, "/srv/site");
    EXPECT_TRUE(options->simulated);
    EXPECT_EQ(options->simDir, "/tmp/host");
    EXPECT_TRUE(options->qxModel);

    const auto plain = Parse({}, error);
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->simulated);
    EXPECT_FALSE(plain->qxModel);
    EXPECT_TRUE(plain->dataDir.isEmpty());
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

TEST(SettingsProfile, AFolderKeepsItsOwnSettings)
{
    test::TempFolder folder;
    const QString path = QString::fromStdString(folder.Path().string());
    {
        SettingsProfile profile("px-system", path);
        profile.SetInt("SECTION", "NUMBER", 42);
        profile.SetString("SECTION", "TEXT", "一号店");
        EXPECT_EQ(profile.Location().toStdString(), folder.File(SettingsProfile::kFileName));
    }
    EXPECT_TRUE(std::filesystem::exists(folder.File(SettingsProfile::kFileName)));
    const SettingsProfile again("px-system", path);
    EXPECT_EQ(again.GetInt("SECTION", "NUMBER", 0), 42);
    EXPECT_EQ(again.GetString("SECTION", "TEXT", ""), "一号店");
    EXPECT_EQ(again.GetInt("SECTION", "MISSING", 7), 7);
}

// pxctl with --data-dir keeps what it remembers in that folder and leaves the user's own
// settings alone; without it, the user's settings serve.
TEST(SettingsProfile, PxctlWithADataFolderRemembersThere)
{
    test::TempFolder data;
    test::TempFolder host;
    MemoryProfile userProfile;
    SystemClock clock;
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{out,
                         err,
                         false,
                         userProfile,
                         clock,
                         [] { return std::string(); },
                         [](const std::string& folder) -> std::unique_ptr<Profile> {
                             return std::make_unique<SettingsProfile>(
                                 "px-system", QString::fromStdString(folder));
                         }};
    const std::string simulated = "sim:" + host.Path().string();
    ASSERT_EQ(cli::Run({"--data-dir", data.Path().string(), "--host", simulated, "--yes", "lw3",
                        "set", "--shake", "7"},
                       env),
              cli::kExitOk)
        << err.str();

    const SettingsProfile portable("px-system", QString::fromStdString(data.Path().string()));
    EXPECT_EQ(LoadLw3Settings(portable).shake, 7);
    EXPECT_NE(LoadLw3Settings(userProfile).shake, 7);
}

} // namespace
} // namespace px
