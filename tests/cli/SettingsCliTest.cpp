#include "cli/CliFixture.h"

namespace px {
namespace {

// pxctl's settings commands in process against a simulated host folder.
class SettingsCliTest : public test::CliFixture
{
protected:
    // The table the simulated host keeps for a download command, as hexadecimal.
    std::string Table(const char* command)
    {
        std::ifstream in(PathFromUtf8(sim_.File("state.json")));
        const auto state = nlohmann::json::parse(in, nullptr, false);
        if (!state.is_object() || !state.contains("tables") || !state["tables"].contains(command))
            return {};
        return state["tables"][command].get<std::string>();
    }
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
    const std::pair<std::vector<std::string>, const char*> usage[] = {
        {{"freq", "set", "--tx", "930001"},
         "--tx must be a whole number from 230000 to 930000, not '930001'"},
        {{"params", "set", "--receiver", "0"},
         "--receiver must be a whole number from 1 to 200, not '0'"},
        {{"params", "set", "--time1", "+5"},
         "--time1 must be a whole number from 1 to 240, not '+5'"},
        {{"params", "set", "--room", "maybe"}, "--room must be on or off"},
        {{"net", "set", "--mac", "GG"}, "MAC地址只能由十六进制数字(0-9, A-F)组成！"},
        {{"net", "set", "--ip", "1.2.3"}, "--ip must be an address A.B.C.D"},
        {{"net", "set", "--role", "boss"}, "--role must be host or slave"},
        {{"net", "set", "--host-port", "-1"},
         "--host-port must be a whole number from 0 to 65535, not '-1'"},
        {{"lw3", "set", "--method", "8"}, "--method must be a whole number from 0 to 7, not '8'"},
        {{"types-rate", "set", "--num-rate", "3"},
         "--num-rate must be a whole number from 0 to 2, not '3'"},
        {{"handheld-settings", "set", "--dispatch-num", "yes"}, "--dispatch-num must be on or off"},
        {{"handheld-settings", "set", "--hurry-prefix", "😀"},
         "信息前缀或后缀含有主机无法显示的字符，请修改后再写入！"},
    };
    for (const auto& [args, message] : usage) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << args[2] << ": " << r.err;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), std::string("pxctl: ") + message);
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

TEST_F(SettingsCliTest, GetPrintsEveryFieldOnItsOwnLine)
{
    struct Case
    {
        std::vector<std::string> set;
        std::vector<std::string> get;
        const char* out;
    };
    const Case cases[] = {
        {{"params", "set", "--room", "on", "--monitor", "3", "--receiver", "200"},
         {"params", "get"},
         "room: on\nmonitor: 3\nmonitorName: 网口回传\nreceiver: 200\nescalation: off\n"
         "time1: 10\ntimes1: 2\ntime2: 10\ntimes2: 2\nmode: 1\n"},
        {{"net", "set", "--port", "256", "--role", "slave", "--host-ip", "10.0.0.1"},
         {"net", "get"},
         "network: on\nrole: slave\nid: 1\nip: 192.168.0.15\nport: 256\nmac: 1A2B3C4D5E6F\n"
         "mask: 255.255.255.0\ngateway: 192.168.0.1\nreconnect: 60\nvalidity: 10\n"
         "hostIp: 10.0.0.1\nhostPort: 5005\n"},
        {{"net", "set", "--off"}, {"net", "get"}, "network: off\n"},
        {{"lw3", "set", "--shake", "0", "--method", "7"},
         {"lw3", "get"},
         "shake: 0\nring: 4\nshine: 4\ninterval: 10\nmethod: 7\n"},
        {{"handheld-settings", "set", "--hurry", "on", "--hurry-prefix", "前", "--dispatch-suffix",
          "号"},
         {"handheld-settings", "get"},
         "hurry: on\nhurry-num: off\nhurry-prefix: 前\nhurry-suffix: \ndispatch: off\n"
         "dispatch-num: off\ndispatch-prefix: \ndispatch-suffix: 号\n"},
        {{"types-rate", "set", "--num-rate", "2"},
         {"types-rate", "get"},
         "numRate: 2\nnumPolarity: 0\ncharRate: 1\ncharPolarity: 0\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.set[0]);
        const Result set = Run(c.set);
        ASSERT_EQ(set.status, 0) << set.err;
        const Result get = Run(c.get);
        ASSERT_EQ(get.status, 0) << get.err;
        EXPECT_EQ(get.out, c.out);
    }
}

TEST_F(SettingsCliTest, EachSetCommandShowsItsOptions)
{
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"params", "set"},
         "[--room on|off] [--monitor 0-3] [--receiver N] [--escalation on|off] [--time1 S] "
         "[--times1 N] [--time2 S] [--times2 N] [--mode 0|1]"},
        {{"freq", "set"}, "[--tx KHZ] [--rx KHZ]"},
        {{"types-rate", "set"},
         "[--num-rate 0-2] [--num-polarity 0-1] [--char-rate 0-2] [--char-polarity 0-1]"},
        {{"net", "set"},
         "[--off] [--role host|slave] [--id N] [--ip A.B.C.D] [--port N] [--mac HEX12] "
         "[--mask A.B.C.D] [--gateway A.B.C.D] [--reconnect S] [--validity M] "
         "[--host-ip A.B.C.D] [--host-port N]"},
        {{"lw3", "set"}, "[--shake N] [--ring N] [--shine N] [--interval N] [--method 0-7]"},
        {{"lw21", "set"}, "[--count N] [--interval N] [--method 0-7]"},
        {{"handheld-settings", "set"},
         "[--hurry on|off] [--hurry-num on|off] [--hurry-prefix T] [--hurry-suffix T] "
         "[--dispatch on|off] [--dispatch-num on|off] [--dispatch-prefix T] "
         "[--dispatch-suffix T]"},
    };
    for (const auto& [command, usage] : cases) {
        std::vector<std::string> args = command;
        args.push_back("--help");
        const Result r = Run(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
                  "Usage: pxctl " + command[0] + " set " + usage);
    }
}

} // namespace
} // namespace px
