#include "cli/CliFixture.h"
#include "common/BuildInfo.h"
#include "common/System.h"
#include "mock/FakeClock.h"
#include "mock/Programs.h"
#include "mock/TempFolder.h"
#include "sim/SimHost.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace px {
namespace {

// Runs pxctl in process against a data folder and a simulated host folder.
class CliTest : public test::CliFixture
{
protected:
    nlohmann::json Status()
    {
        const Result r = Run({"--json", "sim", "status"});
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }

    std::string Capture()
    {
        std::ifstream in(PathFromUtf8(sim_.File("capture.log")));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_F(CliTest, VersionAndHelp)
{
    EXPECT_EQ(Run({"--version"}).out, std::string("pxctl ") + kProgramVersion + "\n");
    const Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("sim status"), std::string::npos);
    EXPECT_NE(help.out.find("message"), std::string::npos);
    const Result sub = Run({"message", "--help"});
    EXPECT_EQ(sub.status, 0);
    EXPECT_NE(sub.out.find("--address ADDR"), std::string::npos);
}

TEST_F(CliTest, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"version", "--nope"},
        {"message", "--to", "600", "x"},
        {"message", "--to", "5", "--address", "9", "x"},
        {"message", "--address", "9", "--baud", "300", "x"},
        {"sim", "fault", "sometimes"},
        {"sim", "press", "12345"},
        {"sim", "pace"},
        {"sim", "pace", "fast"},
        {"--model", "zx", "sim", "status"},
        {"upgrade"},
    };
    for (const auto& args : cases) {
        const Result r = Run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args[0]) << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_EQ(Run({"sim", "status"}, false).status, 2) << "sim commands need a simulated host";
}

TEST_F(CliTest, ANewSimulatedHostTakesTheModelAndKeepsItsState)
{
    test::TempFolder qx;
    std::ostringstream out, err;
    cli::Environment env{out, err, false, profile_, clock_, [] { return std::string(); }};
    ASSERT_EQ(cli::Run({"--data-dir", data_.Text(), "--host", "sim:" + qx.Text(), "--model", "qx",
                        "--json", "sim", "status"},
                       env),
              0);
    EXPECT_EQ(nlohmann::json::parse(out.str())["model"], "QX");

    EXPECT_EQ(Status()["model"], "PX");
    ASSERT_EQ(Run({"sim", "version", "V9.9"}).status, 0);
    const Result version = Run({"version"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "V9.9\n");
    EXPECT_NE(version.err.find("当前设备版本号: V9.9"), std::string::npos);
    EXPECT_EQ(Run({"--json", "version"}).out, "{\"version\":\"V9.9\"}\n");
}

TEST_F(CliTest, HostCommandsReachTheSimulatedHostAndItsCapture)
{
    EXPECT_EQ(Run({"init"}).status, 0);
    EXPECT_EQ(Run({"preamble"}).status, 0);
    const std::string capture = Capture();
    EXPECT_EQ(capture.rfind("Write:0055AA0160009E", 0), 0u) << capture.substr(0, 40);
    EXPECT_NE(capture.find("\nRead :0055AA0260"), std::string::npos);
    EXPECT_NE(capture.find("\nWrite:0055AA01B3004B"), std::string::npos);

    const Result message = Run({"message", "--to", "300", "请到前台"});
    EXPECT_EQ(message.status, 0) << message.err;
    EXPECT_NE(message.err.find("Send information !"), std::string::npos);
    EXPECT_NE(Capture().find("Write:0055AA01B132012C"), std::string::npos);

    const Result address = Run(
        {"message", "--address", "8", "--type", "num", "--polarity", "+", "--baud", "2400", "x"});
    EXPECT_EQ(address.status, 0) << address.err;
    EXPECT_NE(Capture().find("Write:0055AA01B235000008FA01"), std::string::npos);
}

TEST_F(CliTest, FailuresExitWithOne)
{
    const Result range = Run({"message", "--address", "7", "x"});
    EXPECT_EQ(range.status, 1);
    EXPECT_NE(range.err.find("Address rang [8,2097152]"), std::string::npos);

    EXPECT_EQ(Run({"clock"}).status, 1) << "no clock receiver registered";

    ASSERT_EQ(Run({"sim", "fault", "silent"}).status, 0);
    EXPECT_EQ(Run({"preamble"}).status, 1);
    ASSERT_EQ(Run({"sim", "fault", "none"}).status, 0);

    ASSERT_EQ(Run({"sim", "unplug"}).status, 0);
    EXPECT_FALSE(Status()["plugged"].get<bool>());
    const Result unplugged = Run({"version"});
    EXPECT_EQ(unplugged.status, 1);
    EXPECT_NE(unplugged.err.find("设备未连接，请连接设备！"), std::string::npos);
    ASSERT_EQ(Run({"sim", "plug"}).status, 0);
    EXPECT_EQ(Run({"version"}).status, 0);
}

TEST_F(CliTest, UpgradeDownloadsTheImage)
{
    const std::string image = data_.File("fw.bin");
    {
        std::ofstream out(PathFromUtf8(image), std::ios::binary);
        for (int i = 0; i < 500; ++i)
            out.put(static_cast<char>(i));
    }
    const Result r = Run({"upgrade", image});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Status()["tables"]["64"], 500);
    EXPECT_NE(r.err.find("下载升级程序发送成功"), std::string::npos);
    EXPECT_EQ(Run({"upgrade", data_.File("missing.bin")}).status, 1);
}

// A simulated host paces as a real one until it is told it need not; the clock shows it.
TEST_F(CliTest, TheSimulatedHostIsPacedAsARealHostUntilToldOtherwise)
{
    const std::string image = data_.File("fw.bin");
    {
        std::ofstream out(PathFromUtf8(image), std::ios::binary);
        out << std::string(3 * 54, 'x');
    }
    EXPECT_TRUE(Status()["paced"].get<bool>());
    std::int64_t start = clock_.NowMs();
    ASSERT_EQ(Run({"upgrade", image}).status, 0);
    EXPECT_GE(clock_.NowMs() - start, 2000 + 10 + 10 + 1000) << "the host's pauses";

    ASSERT_EQ(Run({"sim", "pace", "off"}).status, 0);
    EXPECT_FALSE(Status()["paced"].get<bool>());
    start = clock_.NowMs();
    ASSERT_EQ(Run({"upgrade", image}).status, 0);
    EXPECT_LT(clock_.NowMs() - start, 10);
    EXPECT_EQ(Status()["tables"]["64"], 3 * 54);

    ASSERT_EQ(Run({"sim", "pace", "on"}).status, 0);
    EXPECT_TRUE(Status()["paced"].get<bool>());
}

TEST_F(CliTest, PressesAreQueuedForTheHost)
{
    ASSERT_EQ(Run({"sim", "press", "123451"}).status, 0);
    ASSERT_EQ(Run({"sim", "press", "1A2B", "--status", "66"}).status, 0);
    EXPECT_EQ(Status()["presses"], 2);
}

TEST_F(CliTest, ConfigurationFilesFromTheShell)
{
    ASSERT_EQ(Run({"file", "new", "一号店", "--model", "px"}).status, 0);
    ASSERT_EQ(Run({"file", "new", "qx店", "--model", "qx"}).status, 0);
    const Result again = Run({"file", "new", "一号店"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("所起的文件名已存在，请重新设置！"), std::string::npos);
    EXPECT_EQ(Run({"file", "list"}).out, "px\t一号店\nqx\tqx店\n");

    ASSERT_EQ(Run({"im", "add", "7", "2097151", "--type", "LW3", "--remark", "O'Brien", "--file",
                   "一号店"})
                  .status,
              0);
    ASSERT_EQ(Run({"im", "add", "3", "123", "--file", "一号店"}).status, 0);
    const Result list = Run({"--json", "im", "list", "--file", "一号店"});
    const auto rows = nlohmann::json::parse(list.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1]["pager"], 7);
    EXPECT_EQ(rows[1]["type"], "LW3");
    EXPECT_EQ(rows[1]["remark"], "O'Brien");

    ASSERT_EQ(Run({"file", "copy", "一号店", "二号店"}).status, 0);
    EXPECT_EQ(nlohmann::json::parse(Run({"--json", "im", "list", "--file", "二号店"}).out), rows);

    const Result download = Run({"download", "im", "--file", "二号店"});
    EXPECT_EQ(download.status, 0) << download.err;
    EXPECT_EQ(Status()["tables"]["65"], 60);

    ASSERT_EQ(Run({"im", "delete", "3", "--file", "二号店"}).status, 0);
    EXPECT_EQ(Run({"im", "delete", "3", "--file", "二号店"}).status, 1) << "already gone";
    ASSERT_EQ(Run({"file", "delete", "二号店"}).status, 0);
    EXPECT_EQ(Run({"im", "list", "--file", "二号店"}).status, 1);
    EXPECT_EQ(Run({"file", "delete", "二号店"}).status, 1);
}

TEST_F(CliTest, RegistrationLimitsAndChecksHoldOnTheCommandLine)
{
    ASSERT_EQ(Run({"file", "new", "q", "--model", "qx"}).status, 0);
    for (int pager = 0; pager < 20; ++pager)
        ASSERT_EQ(Run({"im", "add", std::to_string(pager), "1", "--file", "q"}).status, 0);
    const Result full = Run({"im", "add", "20", "1", "--file", "q"});
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.err.find("最多可以输入20个信息机！"), std::string::npos);
    EXPECT_EQ(Run({"im", "add", "1", "2097152", "--file", "q"}).status, 2) << "out of range";
    EXPECT_EQ(Run({"im", "add", "1", "5", "--type", "pager", "--file", "q"}).status, 2);
    EXPECT_EQ(Run({"download", "im"}).status, 2) << "--file is needed";

    ASSERT_EQ(Run({"file", "new", "empty"}).status, 0);
    const Result empty = Run({"download", "im", "--file", "empty"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_NE(empty.err.find("Bp机信息表中没有数据！"), std::string::npos);
}

TEST_F(CliTest, APxFileIsRefusedWhileAQxHostIsConnected)
{
    test::TempFolder qx;
    std::ostringstream out, err;
    cli::Environment env{out, err, false, profile_, clock_, [] { return std::string(); }};
    EXPECT_EQ(cli::Run({"--data-dir", data_.Text(), "--host", "sim:" + qx.Text(), "--model", "qx",
                        "file", "new", "px", "--model", "px"},
                       env),
              1);
    EXPECT_NE(err.str().find("当前连接的主机为QX主机"), std::string::npos);
    EXPECT_EQ(Run({"file", "list"}).out, "");
}

TEST_F(CliTest, CallersHandheldsAndTypesFromTheShell)
{
    ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
    ASSERT_EQ(Run({"im", "add", "5", "123", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"type", "add", "二四", "2,4"}).status, 0);
    const auto types = nlohmann::json::parse(Run({"--json", "type", "list"}).out);
    bool found = false;
    for (const auto& t : types)
        found = found || (t["name"] == "二四" && t["keys"] == 2 && t["selection"] == 10);
    EXPECT_TRUE(found) << types.dump();

    ASSERT_EQ(Run({"sim", "press", "ABCDE2"}).status, 0);
    const Result automatic =
        Run({"caller", "register", "--type", "二四", "--name", "八号桌", "--file", "店"});
    EXPECT_EQ(automatic.status, 0) << automatic.err;
    EXPECT_EQ(automatic.out, "ABCDE2\nABCDE4\n");

    const Result manual = Run({"caller", "register", "--code", "1234F", "--from", "1", "--to", "3",
                               "--plus-one", "--file", "店"});
    EXPECT_EQ(manual.status, 0) << manual.err;
    EXPECT_EQ(manual.out, "1234F1\n123501\n123511\n");

    ASSERT_EQ(Run({"sim", "press", "77777A"}).status, 0);
    EXPECT_EQ(Run({"--json", "caller", "register", "--file", "店"}).out, "[\"77777A\"]\n")
        << "a letter counts as key 0, which a single-key type takes";
    ASSERT_EQ(Run({"caller", "set", "ABCDE2", "ZhuiHu", "2", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"caller", "set", "ABCDE2", "DeviceNo3", "-1", "--file", "店"}).status, 0);
    EXPECT_EQ(Run({"caller", "set", "ABCDE2", "CodeNo", "ABC", "--file", "店"}).status, 2);
    EXPECT_EQ(Run({"caller", "set", "NOPE01", "CallName", "x", "--file", "店"}).status, 1);
    EXPECT_EQ(Run({"caller", "set", "ABCDE2", "Colour", "x", "--file", "店"}).status, 2);
    const auto callers =
        nlohmann::json::parse(Run({"--json", "caller", "list", "--file", "店"}).out);
    ASSERT_EQ(callers.size(), 6u);
    EXPECT_EQ(callers[1]["CodeNo"], "ABCDE2") << "descending codes: ABCDE4 first";
    EXPECT_EQ(callers[1]["ZhuiHu"], "删除追呼");
    EXPECT_EQ(callers[1]["CallName"], "八号桌");
    EXPECT_EQ(callers[1]["DeviceNo1"], "5");
    EXPECT_EQ(callers[1]["DeviceNo3"], "");

    EXPECT_EQ(Run({"caller", "delete", "ABCDE2", "--all-keys", "--file", "店"}).status, 1)
        << "no --yes: Cancel";
    ASSERT_EQ(Run({"--yes", "caller", "delete", "ABCDE2", "--all-keys", "--file", "店"}).status, 0);
    EXPECT_EQ(nlohmann::json::parse(Run({"--json", "caller", "list", "--file", "店"}).out).size(),
              4u);

    ASSERT_EQ(Run({"handheld", "add", "5", "1a2b", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"sim", "press", "3C4D", "--status", "66"}).status, 0);
    ASSERT_EQ(Run({"handheld", "add", "6", "--file", "店"}).status, 0);
    EXPECT_EQ(Run({"handheld", "add", "7", "ffff", "--file", "店"}).status, 1);
    EXPECT_EQ(Run({"handheld", "list", "--file", "店"}).out, "5\t1a2b\t\n6\t3C4D\t\n");

    EXPECT_EQ(Run({"download", "callers", "--file", "店"}).status, 0);
    EXPECT_EQ(Run({"download", "handhelds", "--file", "店"}).status, 0);
    const auto status = Status();
    EXPECT_EQ(status["tables"]["66"], 400);
    EXPECT_EQ(status["tables"]["68"], 12);
    ASSERT_EQ(Run({"handheld", "delete", "5", "--file", "店"}).status, 0);
    EXPECT_EQ(Run({"handheld", "delete", "5", "--file", "店"}).status, 1);
    ASSERT_EQ(Run({"type", "delete", "二四"}).status, 0);
}

TEST_F(CliTest, ReadBackPrintsAndImports)
{
    ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
    ASSERT_EQ(Run({"im", "add", "3", "123", "--type", "LW3", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"im", "add", "7", "2097151", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"download", "im", "--file", "店"}).status, 0);

    const Result shown = Run({"--json", "readback", "im"});
    ASSERT_EQ(shown.status, 0) << shown.err;
    const auto rows = nlohmann::json::parse(shown.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], "3");
    EXPECT_EQ(rows[1][1], "2097151");

    EXPECT_EQ(Run({"readback", "im", "--import", "副本"}).status, 1) << "the question needs --yes";
    ASSERT_EQ(Run({"--yes", "readback", "im", "--import", "副本"}).status, 0);
    EXPECT_EQ(Run({"im", "list", "--file", "副本"}).out, "3\t123\tLW3\t\n7\t2097151\tBX-2\t\n");

    ASSERT_EQ(Run({"sim", "fault", "silent"}).status, 0);
    const Result failed = Run({"readback", "callers"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("无法找到回读文件RCall.txt文件！"), std::string::npos);
    EXPECT_EQ(Run({"readback", "everything"}).status, 2);
}

TEST_F(CliTest, ExportImportAndVerifyASite)
{
    ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
    ASSERT_EQ(Run({"im", "add", "3", "0000123", "--remark", "O'Brien", "--file", "店"}).status, 0);
    ASSERT_EQ(Run({"handheld", "add", "5", "1A2B", "--file", "店"}).status, 0);
    ASSERT_EQ(
        Run({"caller", "register", "--code", "ABCDE", "--name", "八号桌", "--file", "店"}).status,
        0);
    const std::string json = data_.File("site.json");
    ASSERT_EQ(Run({"export", "店", json}).status, 0);
    EXPECT_EQ(Run({"export", "nope", json}).status, 1);

    EXPECT_EQ(Run({"import", json}).status, 1) << "the name exists";
    ASSERT_EQ(Run({"import", json, "--as", "二号店"}).status, 0);
    EXPECT_EQ(Run({"im", "list", "--file", "二号店"}).out, Run({"im", "list", "--file", "店"}).out);
    ASSERT_EQ(Run({"--yes", "import", json}).status, 0);

    for (const char* table : {"im", "callers", "handhelds"})
        ASSERT_EQ(Run({"download", table, "--file", "店"}).status, 0) << table;
    const Result same = Run({"verify", "店"});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    const Result json1 = Run({"--json", "verify", "店"});
    EXPECT_TRUE(nlohmann::json::parse(json1.out)["match"].get<bool>());

    ASSERT_EQ(Run({"caller", "set", "ABCDE1", "CallName", "九号桌", "--file", "店"}).status, 0);
    const Result changed = Run({"--json", "verify", "店"});
    EXPECT_EQ(changed.status, 1);
    const auto report = nlohmann::json::parse(changed.out);
    EXPECT_FALSE(report["match"].get<bool>());
    ASSERT_EQ(report["differences"].size(), 1u);
    EXPECT_EQ(report["differences"][0]["key"], "ABCDE1");
    EXPECT_EQ(report["differences"][0]["file"], "九号桌");
    EXPECT_EQ(report["differences"][0]["host"], "八号桌");

    {
        std::ofstream bad(PathFromUtf8(data_.File("bad.json")));
        bad << R"({"format": 1, "name": "x", "model": "px", "infoMachines": [{"DeviceNo": 600, "Address": "1", "Remark": "", "TypeNo": 0}], "handhelds": [], "callers": []})";
    }
    const Result bad = Run({"import", data_.File("bad.json")});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("infoMachines[0].DeviceNo"), std::string::npos);
    EXPECT_EQ(Run({"file", "list"}).out.find("\tx\n"), std::string::npos) << "nothing written";
}

// pxctl lays the sheet out through px-sheet, which comes with the window; pxctl alone says so.
TEST_F(CliTest, TheSiteSheetNeedsPxSheetAndSaysSo)
{
    ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
    sheetProgram_ = data_.Path() / sys::ProgramFileName("px-sheet");
    const std::string pdf = data_.File("店.pdf");
    const Result missing = Run({"sheet", "--file", "店", pdf});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("px-sheet"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("installed with the window"), std::string::npos) << missing.err;
    EXPECT_FALSE(test::Exists(pdf));
}

#if defined(PX_PROGRAM_SHEET)
TEST_F(CliTest, TheSiteSheetIsWrittenAsPdfByPxSheet)
{
    ASSERT_EQ(Run({"file", "new", "一号店"}).status, 0);
    ASSERT_EQ(Run({"caller", "register", "--code", "ABCDE", "--name", "八号桌", "--file", "一号店"})
                  .status,
              0);
    sheetProgram_ = test::BuiltProgram(PX_PROGRAM_SHEET);
    const std::string pdf = data_.File("站点 资料.pdf");
    const Result sheet = Run({"sheet", "--file", "一号店", pdf});
    ASSERT_EQ(sheet.status, 0) << sheet.err;
    EXPECT_EQ(sheet.err.find("no host connected"), std::string::npos) << sheet.err;

    const std::string text = data_.File("sheet.txt");
    std::string error;
    ASSERT_EQ(sys::RunProgram("/usr/bin/pdftotext", {pdf, text}, error), 0) << error;
    const std::string content = test::ReadBytes(text);
    EXPECT_NE(content.find("一号店"), std::string::npos) << content;
    EXPECT_NE(content.find("八号桌"), std::string::npos) << content;
    EXPECT_NE(content.find("ABCDE1"), std::string::npos) << content;
    EXPECT_NE(content.find("PX V1.0.1"), std::string::npos) << "the simulated host's version";

    // A sheet that cannot be written: px-sheet says why, pxctl fails.
    const Result refused = Run({"sheet", "--file", "一号店", data_.File("no/such/folder/x.pdf")});
    EXPECT_EQ(refused.status, 1);
}
#endif

// --- the simulated host from the shell
// -------------------------------------------------------------

TEST_F(CliTest, EveryFaultHasItsOwnLineInTheHelp)
{
    const Result help = Run({"--help"});
    for (const SimFaultHelpLine& fault : SimFaultHelp()) {
        const std::string line = "        " + std::string(fault.usage);
        const auto at = help.out.find(line);
        ASSERT_NE(at, std::string::npos) << fault.usage;
        const std::string rest = help.out.substr(at, help.out.find('\n', at) - at);
        EXPECT_NE(rest.find(std::string(fault.meaning)), std::string::npos) << rest;
    }
    const Result sub = Run({"sim", "fault", "--help"});
    EXPECT_NE(sub.out.find("fail-writes:N"), std::string::npos);
    const Result unknown = Run({"sim", "fault", "sometimes"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("wrong-first-readback"), std::string::npos);
}

// A state file nested deeper than any state needs (or too deep for any parser's stack) is
// refused by everything that loads it, in one short line, and left as it is.
TEST_F(CliTest, ADeeplyNestedStateFileIsRefusedNotFollowed)
{
    const std::string nested = R"({"format": 1, "model": "px", "tables": {"65": )" +
                               std::string(100000, '[') + std::string(100000, ']') + "}}";
    std::ofstream(PathFromUtf8(sim_.File("state.json")), std::ios::binary) << nested;
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"sim", "status"}, {"version"}, {"sim", "press", "123451"}}) {
        const Result r = Run(command);
        EXPECT_EQ(r.status, 1) << command[0];
        EXPECT_NE(r.err.find("nested more than 4 levels"), std::string::npos)
            << r.err.substr(0, 300);
        EXPECT_LT(r.err.size(), 400u);
    }
    std::ifstream in(PathFromUtf8(sim_.File("state.json")), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), nested)
        << "left for its owner to mend";
}

// Each fault, armed with pxctl, reaches a command of the tool as the protocol's failure.
struct FaultCase
{
    const char* fault;
    std::vector<std::string> command;
    int status;
    const char* message; // on standard error; "" for none expected
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.fault << " " << c.command[0];
}

class CliFaultTest : public CliTest, public ::testing::WithParamInterface<FaultCase>
{};

TEST_P(CliFaultTest, ReachesTheToolAsItsFailure)
{
    {
        std::ofstream image(PathFromUtf8(data_.File("fw.bin")), std::ios::binary);
        image << std::string(100, '\x11');
    }
    ASSERT_EQ(Run({"sim", "fault", GetParam().fault}).status, 0);
    std::vector<std::string> command = GetParam().command;
    for (std::string& word : command) {
        if (word == "IMAGE")
            word = data_.File("fw.bin");
    }
    const Result r = Run(command);
    EXPECT_EQ(r.status, GetParam().status) << r.err;
    EXPECT_NE(r.err.find(GetParam().message), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CliFaultTest,
    ::testing::Values(
        FaultCase{"nak", {"upgrade", "IMAGE"}, 1, "下载升级程序发送失败"},
        FaultCase{"wrong-ack", {"upgrade", "IMAGE"}, 1, "下载升级程序发送失败"},
        FaultCase{"fail-writes:4", {"upgrade", "IMAGE"}, 0, "下载升级程序发送成功"},
        FaultCase{"fail-writes:4", {"version"}, 0, "当前设备版本号: PX V1.0.1"},
        FaultCase{"fail-writes:5", {"version"}, 1, "设备未连接，请连接设备！"},
        FaultCase{"answer-length:58", {"version"}, 0, "当前设备版本号: PX V1.0.1"},
        FaultCase{"answer-length:59", {"version"}, 1, "读取版本号失败！"},
        FaultCase{"answer-length:255", {"version"}, 1, "读取版本号失败！"},
        FaultCase{"answer-length:58", {"upgrade", "IMAGE"}, 1, "下载升级程序发送失败"},
        FaultCase{"wrong-first-readback", {"readback", "im"}, 1, "无法找到回读RDevice.txt文件！"},
        FaultCase{"nak", {"readback", "im"}, 1, "无法找到回读RDevice.txt文件！"},
        FaultCase{"nak", {"message", "--address", "8", "x"}, 1, "发送信息失败！"}),
    [](const auto& testCase) {
        std::string name = std::string(testCase.param.fault) + "_" + testCase.param.command[0];
        std::erase_if(name, [](char c) { return c == '-' || c == ':'; });
        return name + "_" + std::to_string(testCase.index);
    });

// A table read back with a packet shorter than announced in its middle is lost data: the
// command fails with a message and imports nothing.
TEST_F(CliTest, AReadBackWithAShortPacketImportsNothing)
{
    ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
    for (const char* code : {"12301", "12302", "12303", "12304", "12305", "12306"})
        ASSERT_EQ(Run({"caller", "register", "--code", code, "--file", "店"}).status, 0);
    ASSERT_EQ(nlohmann::json::parse(Run({"--json", "caller", "list", "--file", "店"}).out).size(),
              6u);
    ASSERT_EQ(Run({"download", "callers", "--file", "店"}).status, 0);
    EXPECT_EQ(Status()["tables"]["66"], 600);

    ASSERT_EQ(Run({"sim", "fault", "short-packet:2"}).status, 0);
    const Result r = Run({"--yes", "readback", "callers", "--import", "副本"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("第2包数据不完整"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << "no rows shown";
    EXPECT_EQ(Run({"file", "list"}).out, "px\t店\n") << "nothing imported";

    ASSERT_EQ(Run({"sim", "fault", "none"}).status, 0);
    const Result whole = Run({"--json", "readback", "callers"});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(nlohmann::json::parse(whole.out).size(), 6u);
}

TEST_F(CliTest, SimSendHandsRawReportsToTheHost)
{
    const Result version = Run({"sim", "send", "0055AA0182007C"});
    EXPECT_EQ(version.status, 0) << version.err;
    EXPECT_EQ(version.out, "Write:0055AA0182007C" + std::string(116, '0') +
                               "\nRead :0055AA02820F5058205631"
                               "2E302E31FFFFFFFFFFFF66" +
                               std::string(86, '0') + "\n");

    // Initialise with a payload byte, which the protocol does not allow.
    const Result refused = Run({"sim", "send", "0055AA016001009D", "0055AA0160009E"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("\nRefused: 0x60 carries 1 payload byte, expected none\n"),
              std::string::npos)
        << refused.out;
    EXPECT_NE(refused.out.find("Read :0055AA0260015A42"), std::string::npos)
        << "the second is answered";
    EXPECT_EQ(Status()["lastRefusal"], "0x60 carries 1 payload byte, expected none");
    EXPECT_NE(
        Run({"sim", "status"}).out.find("refused   0x60 carries 1 payload byte, expected none\n"),
        std::string::npos);
    EXPECT_NE(Capture().find("\nRefused: 0x60 carries 1 payload byte, expected none\n"),
              std::string::npos);

    const Result json = Run({"--json", "sim", "send", "0055AA016001009D"});
    const auto list = nlohmann::json::parse(json.out);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["written"], true);
    EXPECT_EQ(list[0]["answers"].size(), 0u);
    EXPECT_EQ(list[0]["refused"], "0x60 carries 1 payload byte, expected none");

    for (const std::vector<std::string>& wrong : {std::vector<std::string>{"sim", "send"},
                                                  {"sim", "send", "0055AA0"},
                                                  {"sim", "send", "ZZ"},
                                                  {"sim", "send", std::string(132, '0')}}) {
        EXPECT_EQ(Run(wrong).status, 2) << wrong.back();
    }

    ASSERT_EQ(Run({"sim", "fault", "fail-writes:1"}).status, 0);
    const Result failed = Run({"sim", "send", "0055AA0160009E"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.out.find("Failed: the write did not reach the host"), std::string::npos);
    ASSERT_EQ(Run({"sim", "unplug"}).status, 0);
    const Result unplugged = Run({"sim", "send", "0055AA0160009E"});
    EXPECT_EQ(unplugged.status, 1);
    EXPECT_NE(unplugged.out.find("unplugged"), std::string::npos);
}

// A clock whose first pause runs something else, the way another shell acts while pxctl waits.
class InterruptingClock final : public Clock
{
public:
    std::int64_t NowMs() const override { return now_; }
    void SleepMs(int ms) override
    {
        now_ += ms > 0 ? ms : 0;
        if (meanwhile_)
            std::exchange(meanwhile_, nullptr)();
    }
    LocalTime Local() const override { return {}; }
    std::int64_t EpochSeconds() const override { return 1'700'000'000; }
    void Meanwhile(std::function<void()> action) { meanwhile_ = std::move(action); }

private:
    std::int64_t now_ = 1'000'000;
    std::function<void()> meanwhile_;
};

class SharedFolderCliTest : public CliTest
{
protected:
    // pxctl with a clock that lets another pxctl run during its first pause.
    Result RunWhile(std::vector<std::string> args, std::vector<std::string> meanwhile,
                    Result& other)
    {
        InterruptingClock clock;
        clock.Meanwhile([&] { other = Run(meanwhile); });
        std::vector<std::string> full = {"--data-dir", data_.Text(), "--host",
                                         "sim:" + sim_.Text()};
        full.insert(full.end(), args.begin(), args.end());
        std::ostringstream out, err;
        cli::Environment env{out, err, false, profile_, clock, [] { return std::string(); }};
        const int status = cli::Run(full, env);
        return {status, out.str(), err.str()};
    }

    void SetUp() override
    {
        ASSERT_EQ(Run({"file", "new", "店"}).status, 0);
        for (const char* code : {"12301", "12302"})
            ASSERT_EQ(Run({"caller", "register", "--code", code, "--file", "店"}).status, 0);
        ASSERT_EQ(Run({"handheld", "add", "5", "1a2b", "--file", "店"}).status, 0);
    }
};

TEST_F(SharedFolderCliTest, AnUnplugFromAnotherShellFailsARunningDownload)
{
    Result unplug{};
    const Result download =
        RunWhile({"download", "callers", "--file", "店"}, {"sim", "unplug"}, unplug);
    EXPECT_EQ(unplug.status, 0) << unplug.err;
    EXPECT_EQ(download.status, 1);
    EXPECT_NE(download.err.find("设备未连接，请连接设备！"), std::string::npos) << download.err;
    EXPECT_NE(download.err.find("下载呼叫器信息失败！"), std::string::npos);
    const auto status = Status();
    EXPECT_FALSE(status["plugged"].get<bool>()) << "the download did not plug it back";
    EXPECT_FALSE(status["tables"].contains("66"));
}

TEST_F(SharedFolderCliTest, TwoDownloadsAtOnceKeepBothTables)
{
    Result handhelds{};
    const Result callers = RunWhile({"download", "callers", "--file", "店"},
                                    {"download", "handhelds", "--file", "店"}, handhelds);
    EXPECT_EQ(handhelds.status, 0) << handhelds.err;
    EXPECT_EQ(callers.status, 0) << callers.err;
    const auto tables = Status()["tables"];
    EXPECT_EQ(tables["66"], 200);
    EXPECT_EQ(tables["68"], 6);
}

TEST_F(SharedFolderCliTest, APressQueuedDuringACommandIsKept)
{
    Result press{};
    const Result download =
        RunWhile({"download", "callers", "--file", "店"}, {"sim", "press", "ABCDE2"}, press);
    EXPECT_EQ(download.status, 0) << download.err;
    EXPECT_EQ(Status()["presses"], 1);
}

} // namespace
} // namespace px
