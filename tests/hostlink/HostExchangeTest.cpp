#include "HostFixture.h"

#include <filesystem>

namespace px {
namespace {

using test::HostFixture;

class HostExchangeTest : public HostFixture
{};

TEST_F(HostExchangeTest, SingleFormBuildsTheFrameIntoTheReport)
{
    ASSERT_TRUE(exchange_.SendCommand(0x82, {}, "", false));
    const auto written = Written();
    ASSERT_EQ(written.size(), 1u);
    const Report& report = written[0];
    EXPECT_EQ(Bytes(report.begin(), report.begin() + 7),
              (Bytes{0x00, 0x55, 0xAA, 0x01, 0x82, 0x00, 0x7C}));
    for (std::size_t i = 7; i < report.size(); ++i)
        EXPECT_EQ(report[i], 0) << i;
    // Both reports are logged, the answer last.
    ASSERT_EQ(monitor_.lines.size(), 2u);
    EXPECT_EQ(monitor_.lines[0].text, "Write:0055AA0182007C" + std::string(116, '0'));
    EXPECT_EQ(monitor_.lines[1].text.substr(0, 16), "Read :0055AA0282");
}

TEST_F(HostExchangeTest, SingleFormRefusesMoreThan58PayloadBytes)
{
    EXPECT_FALSE(exchange_.SendCommand(0x62, Bytes(59, 1), "", false));
    EXPECT_TRUE(Written().empty());
    EXPECT_EQ(told_.All().size(), 1u);
    const Bytes clock = {0x12, 0xD6, 0x87, '0', '9', '0', '5', '0', '7', 0x23, 0xCA, 0xB1};
    EXPECT_TRUE(exchange_.SendCommand(0x62, clock, "", false)) << "a clock payload fits";
}

struct PacketCase
{
    std::size_t bytes;
    std::vector<int> lengths; // L of each packet
};

class DownloadPacketsTest : public HostFixture, public ::testing::WithParamInterface<PacketCase>
{};

TEST_P(DownloadPacketsTest, DataIsCutInto54BytePackets)
{
    const PacketCase c = GetParam();
    const Bytes data = Sequence(c.bytes, 1);
    const std::string path = WriteFile("fw.bin", data);
    ASSERT_TRUE(exchange_.Download(0x64, path, "下载升级程序"));

    const auto written = Written();
    ASSERT_EQ(written.size(), c.lengths.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
        const Report& r = written[i];
        const int count = static_cast<int>(c.lengths.size());
        EXPECT_EQ(r[3], 0x01);
        EXPECT_EQ(r[4], 0x64);
        EXPECT_EQ(r[5], c.lengths[i]) << "packet " << i + 1;
        EXPECT_EQ((r[6] << 8) | r[7], count);
        EXPECT_EQ((r[8] << 8) | r[9], static_cast<int>(i + 1));
        EXPECT_EQ(r[10], data[i * 54]);
    }
    EXPECT_EQ(host_.State().tables.at(0x64), data);
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"下载升级程序发送成功"}));
    EXPECT_FALSE(progress_.open);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DownloadPacketsTest,
                         ::testing::Values(PacketCase{1, {5}}, PacketCase{54, {58}},
                                           PacketCase{55, {58, 5}}, PacketCase{108, {58, 58}},
                                           PacketCase{109, {58, 58, 5}}));

TEST_F(HostExchangeTest, DownloadPacesItselfAfterEachPacket)
{
    const std::string path = WriteFile("fw.bin", Sequence(3 * 54));
    const auto start = clock_.NowMs();
    ASSERT_TRUE(exchange_.Download(0x64, path, "x"));
    // 2000 ms after the first packet, 10 ms after each later one, the result shown for 1 s.
    EXPECT_EQ(clock_.NowMs() - start, 2000 + 10 + 10 + 1000);
    EXPECT_EQ(progress_.progressTexts.back(), "x,共有3包数据,当前第3包数据正在发送.......");
}

// A simulated host that declares it needs no pacing is not waited for; the same exchanges
// against a real host's pace are above.
TEST_F(HostExchangeTest, AHostThatNeedsNoPacingIsNotWaitedFor)
{
    host_.State().paced = false;
    const auto start = clock_.NowMs();
    ASSERT_TRUE(exchange_.Download(0x64, WriteFile("fw.bin", Sequence(3 * 54)), "x"));
    EXPECT_EQ(host_.State().tables.at(0x64), Sequence(3 * 54));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"x发送成功"}));
    EXPECT_EQ(clock_.NowMs() - start, 0);

    host_.State().paced = true;
    ASSERT_TRUE(exchange_.Download(0x64, WriteFile("fw.bin", Sequence(3 * 54)), "x"));
    EXPECT_EQ(clock_.NowMs() - start, 2000 + 10 + 10 + 1000) << "paced again once it says so";
}

TEST_F(HostExchangeTest, EachPacketsStepIsShownBeforeItsPause)
{
    std::vector<std::int64_t> shownAt;
    progress_.onText = [this, &shownAt] { shownAt.push_back(clock_.NowMs()); };
    const std::int64_t start = clock_.NowMs();
    ASSERT_TRUE(exchange_.Download(0x64, Sequence(108), "下载升级程序"));
    ASSERT_EQ(shownAt.size(), 2u);
    EXPECT_LT(shownAt[0] - start, HostExchange::kFirstPacketPauseMs)
        << "the first step shows at once, not after the 2 s pause";
    EXPECT_NE(progress_.progressTexts[0].find("当前第1包数据"), std::string::npos);
}

TEST_F(HostExchangeTest, FirmwareProgressIsThePacketNumberAlone)
{
    const std::string path = WriteFile("fw.bin", Sequence(2 * 54));
    progress_.position = 40;
    ASSERT_TRUE(exchange_.Download(0x64, path, "下载升级程序"));
    EXPECT_EQ(progress_.positions, (std::vector<int>{1, 2}));

    progress_.positions.clear();
    progress_.position = 40;
    ASSERT_TRUE(exchange_.Download(0x65, WriteFile("Bp.txt", InfoMachines(3)), "x"));
    EXPECT_EQ(progress_.positions, (std::vector<int>{41, 42}));
}

TEST_F(HostExchangeTest, AMissingRecordFileSendsNothingAndFails)
{
    const std::string path = folder_.File("Bp.txt");
    const auto start = clock_.NowMs();
    EXPECT_FALSE(exchange_.Download(0x65, path, "下载Bp机信息"));
    EXPECT_TRUE(Written().empty());
    EXPECT_GE(clock_.NowMs() - start, 5000) << "the acknowledgement is awaited all the same";
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"下载Bp机信息发送失败"}));
    ASSERT_FALSE(monitor_.lines.empty());
    EXPECT_TRUE(monitor_.lines[0].coloured);
    EXPECT_EQ(monitor_.lines[0].text, "无法打开 " + path + "\r\n");
    EXPECT_EQ(monitor_.lines[0].colour, (Rgb{56, 139, 30}));
}

TEST_F(HostExchangeTest, ARecordFileOverTheLimitIsRefusedBeforeSending)
{
    const std::string path = WriteFile("big.bin", Bytes(HostExchange::kMaxRecordBytes + 1, 0x11));
    EXPECT_FALSE(exchange_.Download(0x64, path, "下载升级程序"));
    EXPECT_TRUE(Written().empty());
    ASSERT_EQ(told_.All().size(), 1u);
    EXPECT_NE(told_.All()[0].text.find("3000000"), std::string::npos);
}

TEST_F(HostExchangeTest, AnUnacknowledgedDownloadFails)
{
    host_.State().fault = *ParseSimFault("silent-after:1");
    const std::string path = WriteFile("Bp.txt", InfoMachines(2));
    EXPECT_FALSE(exchange_.Download(0x65, path, "c"));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"c发送失败"}));
}

TEST_F(HostExchangeTest, MultiPacketFormGoesThroughTempFileAndRemovesIt)
{
    const Bytes payload = {0x5A, 0xFF, 0x00, 0x11, 0x00, 0x01, 0x00, 0x01, 0x00,
                           0x00, 0x0A, 0x02, 0x00, 0x0A, 0x02, 0xFF, 0x01};
    ASSERT_TRUE(exchange_.SendCommand(0x63, payload, "参数", true));
    EXPECT_EQ(host_.State().tables.at(0x63), payload);
    EXPECT_FALSE(test::Exists(folder_.File("Temp.txt")));
}

TEST_F(HostExchangeTest, AnAnswerToAnotherCommandIsSkipped)
{
    host_.State().fault = *ParseSimFault("stale-answer");
    host_.State().version = "V2";
    ASSERT_TRUE(exchange_.SendCommand(0x82, {}, "", false));
    EXPECT_EQ(exchange_.Answer()[4], 0x82);
    EXPECT_EQ(exchange_.AnswerPayload()[0], 'V');
}

TEST_F(HostExchangeTest, ABadChecksumFailsTheExchange)
{
    host_.State().fault = *ParseSimFault("bad-checksum");
    EXPECT_FALSE(exchange_.SendCommand(0x82, {}, "", false));
}

TEST_F(HostExchangeTest, AnAddressMessageAnswerGivesThreeResults)
{
    Bytes payload(53, 0xFF);
    payload[0] = 0x00;
    payload[1] = 0x00;
    payload[2] = 0x08;
    payload[3] = 0xFA;
    payload[4] = 0x01;
    const Bytes frame = frame::Build(0xB2, payload);
    for (const auto& [answer, result] :
         std::vector<std::pair<std::uint8_t, int>>{{0x5A, 1}, {0xA5, 0}, {0x00, 2}}) {
        host_.State().b2Result = answer;
        EXPECT_EQ(exchange_.SingleExchange(frame, true), result) << int(answer);
    }
}

TEST_F(HostExchangeTest, WithoutAHostFiveWritesFailAndTheUserIsTold)
{
    backend_.RemoveDevice(device_);
    EXPECT_EQ(exchange_.SingleExchange(frame::Build(0xB3, {}), true), HostExchange::kFailed);
    ASSERT_EQ(told_.All().size(), 1u);
    EXPECT_EQ(told_.All()[0].text, "设备未连接，请连接设备！");
    EXPECT_EQ(told_.All()[0].caption, "失败1");
}

TEST_F(HostExchangeTest, InitialiseAndKeyCodesWaitFiveSecondsOthersOne)
{
    host_.State().fault = *ParseSimFault("silent");
    for (const auto& [command, timeout] : std::vector<std::pair<std::uint8_t, int>>{
             {0x60, 5000}, {0xD4, 5000}, {0xB3, 1000}, {0x82, 1000}}) {
        const auto start = clock_.NowMs();
        EXPECT_EQ(exchange_.SingleExchange(frame::Build(command, {}), true), HostExchange::kFailed);
        const auto waited = clock_.NowMs() - start;
        EXPECT_GE(waited, timeout) << int(command);
        EXPECT_LT(waited, timeout + 50) << int(command);
    }
}

TEST_F(HostExchangeTest, AHostUnpluggedDuringADownloadEndsIt)
{
    host_.State().fault = *ParseSimFault("unplug-at:3");
    const std::string path = WriteFile("Call.txt", Sequence(5 * 54));
    EXPECT_FALSE(exchange_.Download(0x66, path, "c"));
    EXPECT_EQ(Written().size(), 3u) << "packet 3 reached the host as it went away";
    EXPECT_EQ(told_.Texts(), (std::vector<std::string>{"设备未连接，请连接设备！"}));
    EXPECT_FALSE(progress_.open);
    EXPECT_TRUE(progress_.results.empty());
    EXPECT_FALSE(host_.State().tables.contains(0x66));
}

// --- what the host may answer instead of accepting ----------------------------------------------

// The acknowledgement is 00 55 AA 02, the command, L = 1 and 0x5A: a refusal (0xA5) or an
// acknowledgement of another command is a failed download, whatever else is right.
struct AckCase
{
    const char* fault;
    bool kept; // whether the host kept the table all the same
};

void PrintTo(const AckCase& c, std::ostream* os)
{
    *os << c.fault;
}

class DownloadAcknowledgementTest : public HostFixture,
                                    public ::testing::WithParamInterface<AckCase>
{};

TEST_P(DownloadAcknowledgementTest, AnythingButTheAcknowledgementFailsTheDownload)
{
    host_.State().fault = *ParseSimFault(GetParam().fault);
    const std::string path = WriteFile("Bp.txt", InfoMachines(2));
    EXPECT_FALSE(exchange_.Download(0x65, path, "c"));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"c发送失败"}));
    EXPECT_EQ(host_.State().tables.contains(0x65), GetParam().kept);
    ASSERT_FALSE(monitor_.lines.empty());
    EXPECT_EQ(monitor_.lines.back().text.substr(0, 14), "Read :0055AA02")
        << "the answer was logged";
}

INSTANTIATE_TEST_SUITE_P(Answers, DownloadAcknowledgementTest,
                         ::testing::Values(AckCase{"nak", false}, AckCase{"wrong-ack", true},
                                           AckCase{"answer-length:58", true},
                                           AckCase{"answer-length:0", true}),
                         [](const auto& testCase) {
                             std::string name = testCase.param.fault;
                             std::erase_if(name, [](char c) { return c == '-' || c == ':'; });
                             return name;
                         });

// Five attempts at every write: four failures are survived, five are not.
TEST_F(HostExchangeTest, AWriteIsTriedFiveTimes)
{
    host_.State().fault = *ParseSimFault("fail-writes:4");
    EXPECT_EQ(exchange_.SingleExchange(frame::Build(0xB3, {}), true), HostExchange::kOk);
    EXPECT_TRUE(told_.All().empty());
    EXPECT_EQ(host_.State().preambleCount, 1);

    host_.State().fault = *ParseSimFault("fail-writes:5");
    EXPECT_EQ(exchange_.SingleExchange(frame::Build(0xB3, {}), true), HostExchange::kFailed);
    EXPECT_EQ(told_.Texts(), (std::vector<std::string>{"设备未连接，请连接设备！"}));
    EXPECT_EQ(host_.State().preambleCount, 1);
    EXPECT_EQ(host_.State().fault.kind, SimFault::Kind::None) << "all five were used up";

    // Every download packet goes through the same five attempts.
    told_.Clear();
    host_.State().fault = *ParseSimFault("fail-writes:4");
    ASSERT_TRUE(exchange_.Download(0x64, WriteFile("fw.bin", Sequence(3 * 54)), "x"));
    EXPECT_TRUE(told_.All().empty());
    EXPECT_EQ(host_.State().tables.at(0x64), Sequence(3 * 54));
}

// An answer of L = 58 fills the report to its checksum; 59 and more leave no room for one and
// must be refused without reading past the report.
TEST_F(HostExchangeTest, AnswerLengthsAtTheEndOfTheReport)
{
    struct Case
    {
        int length;
        int result;
    };
    for (const Case c : {Case{58, HostExchange::kOk}, Case{59, HostExchange::kFailed},
                         Case{255, HostExchange::kFailed}}) {
        SCOPED_TRACE(c.length);
        host_.State().fault = SimFault{SimFault::Kind::AnswerLength, c.length};
        EXPECT_EQ(exchange_.SingleExchange(frame::Build(0x82, {}), true), c.result);
        if (c.result == HostExchange::kOk) {
            EXPECT_EQ(exchange_.AnswerPayload().size(), 58u);
            EXPECT_EQ(exchange_.AnswerPayload()[0], 'P');
        }
    }
}

// ---------------------------------------------------------------------------------------------

class ReadBackTest : public HostFixture
{
protected:
    std::string file_ = folder_.File("RDevice.txt");
};

TEST_F(ReadBackTest, ASinglePacketAnswerIsWrittenWhole)
{
    host_.State().tables[0x65] = Sequence(30);
    ASSERT_TRUE(exchange_.ReadBack(0x84, file_, "回读"));
    EXPECT_EQ(ReadFile(file_), Sequence(30));
    EXPECT_EQ(progress_.rangeHigh, 1);
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"回读发送成功"}));
    EXPECT_EQ(Written()[0][4], 0x84);
    EXPECT_EQ(Written()[0][5], 0x00);
}

TEST_F(ReadBackTest, ManyPacketsAreJoinedAndLogged)
{
    const Bytes table = Sequence(3 * 54 + 7);
    host_.State().tables[0x66] = table;
    ASSERT_TRUE(exchange_.ReadBack(0x85, file_, "c"));
    EXPECT_EQ(ReadFile(file_), table);
    std::vector<std::string> prefixes;
    for (const auto& line : monitor_.Texts())
        prefixes.push_back(line.substr(0, line.find(':') + 1));
    EXPECT_EQ(prefixes,
              (std::vector<std::string>{"Write:", "Read :", "Read002:", "Read003:", "Read004:"}));
}

TEST_F(ReadBackTest, AnEmptyTableGivesAnEmptyFile)
{
    ASSERT_TRUE(exchange_.ReadBack(0x87, file_, "c"));
    EXPECT_TRUE(test::Exists(file_));
    EXPECT_TRUE(ReadFile(file_).empty());
}

// Only the last packet may be short: a shorter one in the middle loses data, so the read-back
// fails with a message and writes no file (the old file stays).
TEST_F(ReadBackTest, AShortMiddlePacketFailsWithAMessageAndWritesNothing)
{
    WriteFile("RDevice.txt", Bytes{'o', 'l', 'd'});
    host_.State().tables[0x65] = Sequence(4 * 54, 0x10);
    host_.State().fault = *ParseSimFault("short-packet:2");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"c  数据包错误"}));
    EXPECT_EQ(told_.Texts(), (std::vector<std::string>{
                                 "第2包数据不完整：只有20字节，应为54字节，回读的数据未保存！"}));
    EXPECT_EQ(ReadFile(file_), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(progress_.open);
}

TEST_F(ReadBackTest, AShortLastPacketIsTheEndOfTheTable)
{
    host_.State().tables[0x65] = Sequence(3 * 54 + 20, 0x10);
    ASSERT_TRUE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(ReadFile(file_), Sequence(3 * 54 + 20, 0x10));
    EXPECT_TRUE(told_.All().empty());
}

TEST_F(ReadBackTest, AShortFirstPacketOfSeveralFailsToo)
{
    host_.State().tables[0x65] = Sequence(60);
    host_.State().fault = *ParseSimFault("short-packet:1");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(told_.Texts().size(), 1u);
    EXPECT_FALSE(test::Exists(file_));
}

struct EndingCase
{
    const char* fault;
    const char* ending;
};

// A case as the test's name shows it.
void PrintTo(const EndingCase& c, std::ostream* out)
{
    *out << c.fault;
}

class ReadBackEndingTest : public ReadBackTest, public ::testing::WithParamInterface<EndingCase>
{};

TEST_P(ReadBackEndingTest, AFailedReadBackLeavesTheOldFileAlone)
{
    WriteFile("RDevice.txt", Bytes{'o', 'l', 'd'});
    host_.State().tables[0x65] = Sequence(5 * 54);
    host_.State().fault = *ParseSimFault(GetParam().fault);
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{std::string("c") + GetParam().ending}));
    EXPECT_EQ(ReadFile(file_), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(progress_.open);
}

INSTANTIATE_TEST_SUITE_P(Endings, ReadBackEndingTest,
                         ::testing::Values(EndingCase{"silent-after:2", "  读取失败"},
                                           EndingCase{"unplug-at:3", "  读取失败"},
                                           EndingCase{"long-packet:2", "  数据包错误"}));

TEST_F(ReadBackTest, CancelEndsItAtTheNextPacket)
{
    host_.State().tables[0x65] = Sequence(5 * 54);
    exchange_.RequestCancel(1);
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(progress_.results, (std::vector<std::string>{"c  取消读取"}));
    EXPECT_EQ(exchange_.CancelRequest(), 0) << "the transfer that honours it clears it";
    EXPECT_FALSE(test::Exists(file_));
}

// The first answer must be for the read-back's own command; one for another ends it at once,
// without a message and without a file, even though the right packets follow.
TEST_F(ReadBackTest, AFirstAnswerForAnotherCommandEndsItSilently)
{
    host_.State().tables[0x65] = Sequence(3 * 54);
    host_.State().fault = *ParseSimFault("wrong-first-readback");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_TRUE(told_.All().empty());
    EXPECT_TRUE(progress_.results.empty());
    EXPECT_FALSE(test::Exists(file_));
}

TEST_F(ReadBackTest, ARefusedReadBackWritesNothing)
{
    host_.State().tables[0x65] = Sequence(3 * 54);
    host_.State().fault = *ParseSimFault("nak");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_FALSE(test::Exists(file_));
}

TEST_F(ReadBackTest, NoAnswerOrABadFirstChecksum)
{
    host_.State().fault = *ParseSimFault("silent");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_TRUE(told_.All().empty());
    EXPECT_TRUE(progress_.results.empty());

    host_.State().fault = *ParseSimFault("bad-checksum");
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(told_.Texts(),
              (std::vector<std::string>{"接受数据不正确，请检查主机是否正常工作！"}));
    EXPECT_EQ(told_.All()[0].caption, "警告");
    EXPECT_FALSE(test::Exists(file_));
}

TEST_F(ReadBackTest, ARequestThatCannotBeWrittenIsReported)
{
    backend_.RemoveDevice(device_);
    EXPECT_FALSE(exchange_.ReadBack(0x84, file_, "c"));
    EXPECT_EQ(told_.Texts(), (std::vector<std::string>{"下发数据失败，请重新发送！"}));
    EXPECT_EQ(told_.All()[0].caption, "失败1");
}

TEST_F(HostExchangeTest, OnlyOneCommandTalksToTheHostAtATime)
{
    auto first = exchange_.Begin();
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(exchange_.Begin().has_value());
    EXPECT_EQ(told_.Texts(), (std::vector<std::string>{HostExchange::kBusyMessage}));
    first.reset();
    EXPECT_TRUE(exchange_.Begin().has_value());
}

} // namespace
} // namespace px

namespace px {
namespace {

// A pump that runs a handler the way the window does while an exchange waits.
class HandlerPump final : public EventPump
{
public:
    bool PumpMessages() override
    {
        if (handler) {
            auto run = std::move(handler);
            handler = nullptr;
            run();
        }
        return true;
    }
    std::function<void()> handler;
};

TEST(NestedExchangeTest, ACommandStartedDuringAnotherWaitIsRefused)
{
    test::TempFolder folder;
    SimHost host;
    host.State().fault = *ParseSimFault("silent"); // the first exchange waits its full time-out
    SimHidBackend backend;
    backend.AddDevice(kHostVendorId, kPxProductId, &host);
    test::FakeClock clock;
    HandlerPump pump;
    test::RecordingMonitor monitor;
    test::RecordingProgress progress;
    HostLink link(backend, clock, pump);
    HostExchange exchange(link, clock, monitor, progress, folder.Folder());

    // Not through Begin(): the way a dialog calls the primitives directly.
    bool nested = true;
    pump.handler = [&] { nested = exchange.ReadBack(0x86, folder.File("rshouchi.txt"), "x"); };
    EXPECT_EQ(exchange.SingleExchange(frame::Build(0x60, {}), true), HostExchange::kFailed);
    EXPECT_FALSE(nested);
    EXPECT_EQ(exchange.TakeNotices().Texts(),
              (std::vector<std::string>{HostExchange::kBusyMessage}));
    for (const std::string& line : host.Capture())
        EXPECT_EQ(line.find("Write:0055AA0186"), std::string::npos) << "no read-back was sent";
}

} // namespace
} // namespace px
