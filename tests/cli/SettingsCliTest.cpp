#include "cli/CliApp.h"
#include "common/Profile.h"
#include "mock/FakeClock.h"
#include "mock/TempFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace px {
namespace {

// pxctl's settings commands in process against a simulated host folder.
class SettingsCliTest : public ::testing::Test
{
protected:
    struct Result
    {
        int status;
        std::string out;
        std::string err;
    };

    Result Run(std::vector<std::string> args)
    {
        std::vector<std::string> full = {"--data-dir", data_.Path().string(), "--host",
                                         "sim:" + sim_.Path().string()};
        full.insert(full.end(), args.begin(), args.end());
        std::ostringstream out;
        std::ostringstream err;
        cli::Environment env{out, err, false, profile_, clock_, [] { return std::string(); }};
        const int status = cli::Run(full, env);
        return {status, out.str(), err.str()};
    }

    nlohmann::json Json(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--json");
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false);
    }

    // The table the simulated host keeps for a download command, as hexadecimal.
    std::string Table(const char* command)
    {
        std::ifstream in(sim_.File("state.json"));
        const auto state = nlohmann::json::parse(in, nullptr, false);
        if (!state.is_object() || !state.contains("tables") || !state["tables"].contains(command))
            return {};
        return state["tables"][command].get<std::string>();
    }

    test::TempFolder data_;
    test::TempFolder sim_;
    MemoryProfile profile_;
    test::FakeClock clock_;
};

TEST_F(SettingsCliTest, SetChangesOnlyTheGivenOptionsAndGetReadsBack)
{
    profile_.SetInt("MACHINE", "TIME1", 30);
    const Result set = Run({"params", "set", "--receiver", "200", "--monitor", "3"});
    ASSERT_EQ(set.status, 0) << set.err;
    EXPECT_NE(set.err.find("设置本机参数成功！"), std::string::npos);
    EXPECT_EQ(Table("63"), "5AFF00110004"
                           "00C8"
                           "00"
                           "001E"
                           "02"
                           "000A"
                           "02"
                           "FF"
                           "01");
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 200);

    const auto params = Json({"params", "get"});
    EXPECT_EQ(params["receiver"], 200);
    EXPECT_EQ(params["monitor"], 3);
    EXPECT_EQ(params["monitorName"], "网口回传");
    EXPECT_EQ(params["time1"], 30);

    ASSERT_EQ(Run({"freq", "set", "--tx", "230000"}).status, 0);
    EXPECT_EQ(Table("69"), "5A323330303030FF333135363030FF");
    EXPECT_EQ(Json({"freq", "get"}), (nlohmann::json{{"tx", 230000}, {"rx", 315600}}));
    EXPECT_EQ(Run({"freq", "get"}).out, "tx: 230000\nrx: 315600\n");
}

TEST_F(SettingsCliTest, NetworkAlertsAndHandheldSettingsRoundTrip)
{
    ASSERT_EQ(Run({"net", "set", "--port", "256", "--mac", "1A2B"}).status, 0);
    const std::string network = Table("6A");
    ASSERT_GE(network.size(), 80u);
    // The record is the last 40 bytes the host kept of the frame.
    EXPECT_EQ(network.substr(network.size() - 80),
              "010101C0A800028D131A2B00000000C0A8000F0001FFFFFF00C0A800013C000AFFFFFFFFFFFFFFFF");

    ASSERT_EQ(Run({"lw3", "set", "--interval", "100", "--method", "5"}).status, 0);
    EXPECT_EQ(Table("6C"), "3434343A30355A");
    EXPECT_EQ(Json({"lw3", "get"})["method"], 5);
    ASSERT_EQ(Run({"lw21", "set"}).status, 0);
    EXPECT_EQ(Table("6B"), "343130305A");
    EXPECT_EQ(Json({"lw21", "get"}),
              (nlohmann::json{{"count", 4}, {"interval", 10}, {"method", 0}}));

    ASSERT_EQ(Run({"handheld-settings", "set", "--hurry", "on", "--dispatch-suffix", "号"}).status,
              0);
    const auto handheld = Json({"handheld-settings", "get"});
    EXPECT_EQ(handheld["hurry"]["on"], "on");
    EXPECT_EQ(handheld["dispatch"]["suffix"], "号");
    EXPECT_EQ(profile_.GetString("SHOUCHI", "DIAODUBEHIND", ""), "号");

    // The same read-back as lines of text.
    const Result lines = Run({"handheld-settings", "get"});
    ASSERT_EQ(lines.status, 0) << lines.err;
    EXPECT_NE(lines.out.find("hurry: on\n"), std::string::npos) << lines.out;
    EXPECT_NE(lines.out.find("dispatch-suffix: 号\n"), std::string::npos) << lines.out;
}

TEST_F(SettingsCliTest, ReceiverTypesLiveInTheDatabase)
{
    ASSERT_EQ(Run({"types-rate", "set", "--num-rate", "2", "--char-polarity", "0"}).status, 0);
    const auto rates = Json({"types-rate", "get"});
    EXPECT_EQ(rates["numRate"], 2);
    EXPECT_EQ(rates["charPolarity"], 0);
    EXPECT_EQ(rates["numPolarity"], 0) << "the seeded value is kept";
}

TEST_F(SettingsCliTest, RefusalsAndFailures)
{
    const std::vector<std::vector<std::string>> usage = {
        {"freq", "set", "--tx", "930001"},
        {"params", "set", "--receiver", "0"},
        {"params", "set", "--room", "maybe"},
        {"net", "set", "--mac", "GG"},
        {"net", "set", "--ip", "1.2.3"},
        {"lw3", "set", "--method", "8"},
        {"types-rate", "set", "--num-rate", "3"},
        {"handheld-settings", "set", "--hurry-prefix", "😀"},
    };
    for (const auto& args : usage) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[2] << ": " << r.err;
    }
    EXPECT_EQ(Table("69"), "") << "nothing was sent";

    ASSERT_EQ(Run({"sim", "fault", "silent"}).status, 0);
    profile_.SetInt("LW123", "SHAKE", 1);
    const Result failed = Run({"lw3", "set", "--shake", "9"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("LW3参数设置失败！"), std::string::npos);
    EXPECT_EQ(profile_.GetInt("LW123", "SHAKE", -1), 1);
    EXPECT_EQ(Run({"params", "get"}).status, 1);
}

} // namespace
} // namespace px
