#include "session/Workspace.h"

#include "common/FileIo.h"
#include "common/System.h"
#include "common/Utf8Path.h"
#include "hostlink/HidBackend.h"
#include "mock/TempFolder.h"
#include "session/DataFolder.h"
#include "sim/SimHostSession.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace px {
namespace {

// A copy is portable by the marker beside its programs, not by whether their folder can be
// written: an installed copy whose folder happens to be writable keeps its data in the user's
// folder all the same.
TEST(DataFolderTest, OnlyTheMarkerMakesACopyKeepItsDataBesideItsPrograms)
{
    test::TempFolder programs;
    test::TempFolder home;
    const std::optional<std::string> saved = sys::EnvironmentValue("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", home.Text().c_str(), 1);
    std::string error;

    const auto installed = ResolveDataFolder({}, programs.Path(), error);
    EXPECT_FALSE(IsPortableCopy(programs.Path()));
    ASSERT_TRUE(installed) << error;
    EXPECT_EQ(*installed, home.Text() + "/DADE_System/px-system/");
    EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(*installed)));

    ASSERT_TRUE(WriteFileWhole(programs.File(kPortableMarker), "portable\n", error)) << error;
    EXPECT_TRUE(IsPortableCopy(programs.Path()));
    EXPECT_EQ(ResolveDataFolder({}, programs.Path(), error), programs.Folder());
    EXPECT_EQ(ResolveDataFolder(home.File("named"), programs.Path(), error),
              home.File("named") + "/")
        << "a folder named on the command line wins";

    if (saved)
        ::setenv("XDG_DATA_HOME", saved->c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST(SharedOptions, TakeWhatBothProgramsAllowAndNameWhatTheyRefuse)
{
    const struct
    {
        const char* word;
        const char* value;
        const char* refusal; // nullptr: taken
        const char* simFolder;
        HostModel model;
    } cases[] = {
        {"--host", "hid", nullptr, "", HostModel::PX},
        {"--host", "sim:/tmp/主机", nullptr, "/tmp/主机", HostModel::PX},
        {"--host", "sim:", "--host sim:DIR needs a folder", "", HostModel::PX},
        {"--host", "usb", "--host must be hid or sim:DIR, not 'usb'", "", HostModel::PX},
        {"--host", "SIM:/x", "--host must be hid or sim:DIR, not 'SIM:/x'", "", HostModel::PX},
        {"--model", "qx", nullptr, "", HostModel::QX},
        {"--model", "QX", nullptr, "", HostModel::QX},
        {"--model", "zx", "--model must be px or qx, not 'zx'", "", HostModel::PX},
        {"--data-dir", "", "--data-dir needs a folder", "", HostModel::PX},
        {"--colour", "red", "unknown option --colour", "", HostModel::PX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.word) + " " + c.value);
        SharedOptions options;
        const auto refused = TakeSharedOption(options, c.word, c.value);
        EXPECT_EQ(refused.value_or(""), c.refusal ? c.refusal : "");
        EXPECT_EQ(options.host.simFolder, c.simFolder);
        EXPECT_EQ(options.host.IsSimulated(), std::string(c.simFolder) != "");
        EXPECT_EQ(options.host.simModel, c.model);
        EXPECT_EQ(IsSharedOption(c.word), std::string(c.word) != "--colour");
    }
    SharedOptions back;
    ASSERT_FALSE(TakeSharedOption(back, "--host", "sim:/x"));
    ASSERT_FALSE(TakeSharedOption(back, "--host", "hid"));
    EXPECT_FALSE(back.host.IsSimulated()) << "the last --host wins";
}

class WorkspaceTest : public ::testing::Test
{
protected:
    SharedOptions Options(bool simulated)
    {
        SharedOptions options;
        options.dataDir = folder_.File("数据");
        if (simulated) {
            options.host.simFolder = folder_.File("主机");
            options.host.simModel = HostModel::QX;
        }
        return options;
    }

    test::TempFolder folder_;
};

TEST_F(WorkspaceTest, MakesTheDataFolderWithItsDatabaseAndOpensIt)
{
    Workspace workspace(Options(false));
    EXPECT_TRUE(workspace.DataFolder().empty());
    EXPECT_FALSE(workspace.Open()) << "nothing to open before the folder is found";
    std::string error;
    ASSERT_TRUE(workspace.PrepareFolder(error)) << error;
    EXPECT_TRUE(std::filesystem::equivalent(PathFromUtf8(workspace.DataFolder()),
                                            PathFromUtf8(folder_.File("数据"))));
    ASSERT_TRUE(workspace.Open());
    std::string problem;
    EXPECT_TRUE(workspace.Check(problem)) << problem;
    EXPECT_EQ(workspace.Db().Path(), DatabasePath(workspace.DataFolder()));
    EXPECT_FALSE(workspace.IsSimulated());
}

TEST_F(WorkspaceTest, ASimulatedHostIsMadeFromTheHostOptionOnce)
{
    Workspace workspace(Options(true));
    ASSERT_TRUE(workspace.IsSimulated());
    std::string error;
    HidBackend* backend = workspace.Backend(error);
    ASSERT_NE(backend, nullptr) << error;
    SimHostSession* sim = workspace.Sim(error);
    ASSERT_NE(sim, nullptr);
    EXPECT_EQ(backend, &sim->Backend());
    EXPECT_EQ(sim->Host().State().model, HostModel::QX) << "--model names a new host's model";
    EXPECT_EQ(workspace.Backend(error), backend);
    EXPECT_TRUE(workspace.FlushSimulatedHost(error)) << error;
}

TEST_F(WorkspaceTest, AnUnreadableSimulatedHostGivesNoBackendAndSaysWhy)
{
    const SharedOptions options = Options(true);
    std::string error;
    std::filesystem::create_directories(PathFromUtf8(options.host.simFolder));
    ASSERT_TRUE(WriteFileWhole(options.host.simFolder + "/state.json", "{ not json", error))
        << error;
    Workspace workspace(options);
    EXPECT_EQ(workspace.Backend(error), nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(workspace.Sim(error), nullptr);
}

TEST_F(WorkspaceTest, AFolderThatCannotBeMadeIsSaidAndLeavesNoFolder)
{
    std::string error;
    ASSERT_TRUE(WriteFileWhole(folder_.File("文件"), "x", error)) << error;
    SharedOptions options;
    options.dataDir = folder_.File("文件") + "/数据";
    Workspace workspace(options);
    EXPECT_FALSE(workspace.PrepareFolder(error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(workspace.DataFolder().empty());
}

} // namespace
} // namespace px
