// pxctl as installers start it: a program of its own, its words and file names taken from the
// system's command line, its output in UTF-8, several copies at once on one simulated host.

#include "common/Gbk.h"
#include "common/Hex.h"
#include "common/System.h"
#include "mock/Programs.h"
#include "mock/TempFolder.h"
#include "sim/SimHostSession.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace px {
namespace {

using ::testing::HasSubstr;

class PxctlProgramTest : public ::testing::Test
{
protected:
    struct Result
    {
        int status = -1;
        std::string output; // standard output and error, line ends as on Linux
    };

    // These tests are about what pxctl says and stores, not the pace: the simulated host
    // answers at once, without the pauses a real host is given (the pace has tests of its own).
    void SetUp() override
    {
        const Result pace = Run({"sim", "pace", "off"});
        ASSERT_EQ(pace.status, 0) << pace.output;
    }

    // The words after the global options that put the data and the simulated host in Chinese
    // folders.
    std::vector<std::string> Words(const std::vector<std::string>& command) const
    {
        std::vector<std::string> words = {"--data-dir", Data(), "--host", "sim:" + Host()};
        words.insert(words.end(), command.begin(), command.end());
        return words;
    }

    Result Run(const std::vector<std::string>& command)
    {
        std::string error;
        const std::filesystem::path output = temp_.Path() / ("output-" + std::to_string(runs_++));
        const auto child = sys::ChildProcess::Start(test::BuiltProgram(PX_PROGRAM_PXCTL),
                                                    Words(command), error, output);
        EXPECT_NE(child, nullptr) << error;
        if (!child)
            return {};
        Result result;
        result.status = child->Wait(error).value_or(-1);
        result.output = test::ReadBytes(Utf8FromPath(output));
        // Windows programs end their text lines with CR LF.
        result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'),
                            result.output.end());
        return result;
    }

    std::string Data() const { return temp_.File("数据"); }
    std::string Host() const { return temp_.File("主机"); }

    test::TempFolder temp_;
    int runs_ = 0;
};

TEST_F(PxctlProgramTest, ChineseWordsAndFileNamesArriveAsTyped)
{
    const Result made = Run({"file", "new", "一号店", "--model", "px"});
    ASSERT_EQ(made.status, 0) << made.output;
    EXPECT_TRUE(test::Exists(Data() + "/Database/DADE.db")) << "the data folder has its own name";
    const Result list = Run({"file", "list"});
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.output, "px\t一号店\n") << "printed in UTF-8";

    const std::string exported = temp_.File("导出 文件.json");
    const Result exportRun = Run({"export", "一号店", exported});
    ASSERT_EQ(exportRun.status, 0) << exportRun.output;
    EXPECT_THAT(test::ReadBytes(exported), HasSubstr("\"name\": \"一号店\""));
    EXPECT_FALSE(test::Exists(exported + ".part"));

    // The text reaches the host in GBK: nothing was lost to a code page on the way.
    const Result message = Run({"message", "--to", "5", "请到前台"});
    ASSERT_EQ(message.status, 0) << message.output;
    const GbkBytes gbk = *ToGbk("请到前台");
    EXPECT_THAT(test::ReadBytes(Host() + "/capture.log"), HasSubstr(HexString(gbk)));
}

TEST_F(PxctlProgramTest, ASiteIsDownloadedAndVerified)
{
    ASSERT_EQ(Run({"file", "new", "二号店"}).status, 0);
    ASSERT_EQ(Run({"im", "add", "3", "123456", "--remark", "前台", "--file", "二号店"}).status, 0);
    ASSERT_EQ(Run({"handheld", "add", "5", "1A2B", "--file", "二号店"}).status, 0);
    ASSERT_EQ(Run({"caller", "register", "--code", "ABCDE", "--name", "八号桌", "--file", "二号店"})
                  .status,
              0);
    for (const char* table : {"im", "callers", "handhelds"}) {
        const Result download = Run({"download", table, "--file", "二号店"});
        EXPECT_EQ(download.status, 0) << table << ": " << download.output;
    }
    const Result verify = Run({"verify", "二号店"});
    EXPECT_EQ(verify.status, 0) << verify.output;

    ASSERT_EQ(Run({"caller", "set", "ABCDE1", "CallName", "九号桌", "--file", "二号店"}).status, 0);
    const Result differs = Run({"verify", "二号店"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_THAT(differs.output, HasSubstr("九号桌"));
}

// Four copies at a time, each queueing a key press on the same simulated host: none is lost.
TEST_F(PxctlProgramTest, ManyCopiesAtOnceKeepEveryChange)
{
    ASSERT_EQ(Run({"sim", "status"}).status, 0);
    constexpr int kCopies = 4;
    constexpr int kRounds = 6;
    std::vector<std::string> codes;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<sys::ChildProcess>> copies;
        for (int copy = 0; copy < kCopies; ++copy) {
            char code[8];
            std::snprintf(code, sizeof code, "%06X", 0x100000 + round * 16 + copy);
            codes.emplace_back(code);
            std::string error;
            copies.push_back(sys::ChildProcess::Start(test::BuiltProgram(PX_PROGRAM_PXCTL),
                                                      Words({"sim", "press", code}), error,
                                                      temp_.Path() / ("press-" + codes.back())));
            ASSERT_NE(copies.back(), nullptr) << error;
        }
        for (const auto& copy : copies) {
            std::string error;
            EXPECT_EQ(copy->Wait(error), 0) << error;
        }
    }
    std::string error;
    const auto session = SimHostSession::Open(Host(), HostModel::PX, error);
    ASSERT_NE(session, nullptr) << error;
    std::vector<std::string> queued;
    for (const Bytes& press : session->Host().State().presses)
        queued.push_back(HexString(Bytes(press.begin() + 1, press.end())));
    std::sort(queued.begin(), queued.end());
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(queued, codes);
}

} // namespace
} // namespace px
