#include "sim/SimHost.h"

#include "mock/TempFolder.h"

#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace px {
namespace {

using Data = std::array<std::uint8_t, kReportDataSize>;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Bytes written out by hand: "55 AA 02 ...".
Bytes Hex(std::string_view text)
{
    Bytes bytes;
    std::istringstream in{std::string(text)};
    std::string pair;
    while (in >> pair)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(pair, nullptr, 16)));
    return bytes;
}

// An output report: the given leading bytes, zeros after them.
Report Out(std::string_view text)
{
    const Bytes bytes = Hex(text);
    Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

// The 64 data bytes of an input report: the given leading bytes, zeros after them.
Data In(const Bytes& bytes)
{
    Data data{};
    std::copy(bytes.begin(), bytes.end(), data.begin());
    return data;
}

std::string Line(std::string_view prefix, std::string_view text, std::size_t total)
{
    std::string line(prefix);
    for (const std::uint8_t byte : Hex(text)) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        line += kDigits[byte >> 4];
        line += kDigits[byte & 0x0F];
    }
    line.append((total - Hex(text).size()) * 2, '0');
    return line;
}

std::vector<Data> Drain(SimHost& host)
{
    std::vector<Data> answers;
    Data data{};
    while (host.NextInputReport(data))
        answers.push_back(data);
    return answers;
}

std::uint8_t Sum(std::span<const std::uint8_t> bytes)
{
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes)
        sum += byte;
    return static_cast<std::uint8_t>(sum);
}

// A download packet built from the layout: 01, command, L, N, i, data, checksum.
Report Packet(std::uint8_t command, int count, int index, const Bytes& data)
{
    Report report{};
    report[1] = 0x55;
    report[2] = 0xAA;
    report[3] = 0x01;
    report[4] = command;
    report[5] = static_cast<std::uint8_t>(4 + data.size());
    report[6] = static_cast<std::uint8_t>(count >> 8);
    report[7] = static_cast<std::uint8_t>(count);
    report[8] = static_cast<std::uint8_t>(index >> 8);
    report[9] = static_cast<std::uint8_t>(index);
    std::copy(data.begin(), data.end(), report.begin() + 10);
    report[10 + data.size()] =
        static_cast<std::uint8_t>(~Sum(std::span(report).subspan(3, 7 + data.size())));
    return report;
}

Report ReadBackRequest(std::uint8_t command)
{
    Report report{};
    report[1] = 0x55;
    report[2] = 0xAA;
    report[3] = 0x01;
    report[4] = command;
    report[6] = static_cast<std::uint8_t>(~(0x01 + command));
    return report;
}

Bytes Counting(std::size_t size)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t offset, std::size_t size)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + size));
}

// Sends a table to the host in 54-byte packets.
void Download(SimHost& host, std::uint8_t command, const Bytes& table)
{
    const int count = static_cast<int>((table.size() + 53) / 54);
    for (int i = 1; i <= count; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i - 1) * 54;
        host.OnOutputReport(
            Packet(command, count, i,
                   Slice(table, offset, std::min<std::size_t>(54, table.size() - offset))));
    }
}

const Data kAck65 = In(Hex("55 AA 02 65 01 5A 3D"));

// One read-back answer packet, checked against the layout byte by byte.
void ExpectReadBackPacket(const Data& data, std::uint8_t command, int count, int index,
                          const Bytes& expected)
{
    SCOPED_TRACE("packet " + std::to_string(index));
    const std::size_t length = 4 + expected.size();
    Bytes head = {0x55,
                  0xAA,
                  0x02,
                  command,
                  static_cast<std::uint8_t>(length),
                  static_cast<std::uint8_t>(count >> 8),
                  static_cast<std::uint8_t>(count),
                  static_cast<std::uint8_t>(index >> 8),
                  static_cast<std::uint8_t>(index)};
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 9), head);
    EXPECT_EQ(
        Bytes(data.begin() + 9, data.begin() + 9 + static_cast<std::ptrdiff_t>(expected.size())),
        expected);
    EXPECT_EQ(static_cast<std::uint8_t>(~Sum(std::span(data).subspan(2, 3 + length))),
              data[5 + length]);
    EXPECT_TRUE(std::all_of(data.begin() + 6 + static_cast<std::ptrdiff_t>(length), data.end(),
                            [](std::uint8_t b) { return b == 0; }));
}

// --- single commands --------------------------------------------------------------------------

struct SingleCase
{
    const char* name;
    const char* request;
    const char* answer;
};

void PrintTo(const SingleCase& c, std::ostream* os)
{
    *os << c.name;
}

class SingleCommandTest : public ::testing::TestWithParam<SingleCase>
{};

TEST_P(SingleCommandTest, IsAnsweredOnce)
{
    SimHostState state;
    state.b2Result = 0xA5;
    state.presses = {Hex("55 12 34")};
    SimHost host(state);
    host.OnOutputReport(Out(GetParam().request));
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex(GetParam().answer))));
    EXPECT_THAT(host.Rejections(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SingleCommandTest,
    ::testing::Values(
        SingleCase{"Initialise", "00 55 AA 01 60 00 9E", "55 AA 02 60 01 5A 42"},
        SingleCase{"Clock", "00 55 AA 01 62 0C 14 09 0C 1E 08 2D 00 03 00 00 00 00 11",
                   "55 AA 02 62 01 5A 40"},
        SingleCase{"Version", "00 55 AA 01 82 00 7C",
                   "55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 66"},
        SingleCase{"MessageB1", "00 55 AA 01 B1 03 11 22 33 E4", "55 AA 02 B1 01 5A F1"},
        SingleCase{"MessageB2GivesTheChosenResult", "00 55 AA 01 B2 02 01 02 47",
                   "55 AA 02 B2 01 A5 A5"},
        SingleCase{"Preamble", "00 55 AA 01 B3 00 4B", "55 AA 02 B3 01 5A EF"},
        SingleCase{"KeyPress", "00 55 AA 01 D4 00 2A", "55 AA 02 D4 03 55 12 34 8B"},
        SingleCase{"NetworkRecord", "00 55 AA 01 6A 08 00 01 00 01 C0 A8 01 64 BD", "55 AA 02 6A 01 5A 38"},
        // Message frames leave 0xFF after the checksum; those bytes are not the host's concern.
        SingleCase{"BytesAfterTheChecksumIgnored",
                   "00 55 AA 01 B1 03 11 22 33 E4 FF FF FF FF FF FF FF FF",
                   "55 AA 02 B1 01 5A F1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimHostTest, SingleCommandsLeaveWhatTheyCarried)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host.OnOutputReport(Out("00 55 AA 01 B3 00 4B"));
    host.OnOutputReport(Out("00 55 AA 01 B1 03 11 22 33 E4"));
    host.OnOutputReport(Out("00 55 AA 01 62 0C 14 09 0C 1E 08 2D 00 03 00 00 00 00 11"));
    host.OnOutputReport(Out("00 55 AA 01 B2 02 01 02 47"));
    host.OnOutputReport(Out("00 55 AA 01 6A 08 00 01 00 01 C0 A8 01 64 BD"));

    const SimHostState& state = host.State();
    EXPECT_EQ(state.initialiseCount, 2);
    EXPECT_EQ(state.preambleCount, 1);
    EXPECT_THAT(
        state.messages,
        ElementsAre(Hex("11 22 33"), Hex("14 09 0C 1E 08 2D 00 03 00 00 00 00"), Hex("01 02")));
    EXPECT_EQ(state.lastClock, Hex("14 09 0C 1E 08 2D 00 03 00 00 00 00"));
    EXPECT_EQ(state.tables.at(0x6A), Hex("C0 A8 01 64"));
    EXPECT_EQ(Drain(host).size(), 7u);
}

TEST(SimHostTest, KeyPressesComeOutInOrderThenNothing)
{
    SimHostState state;
    state.presses = {Hex("55 01"), Hex("66 02 03")};
    SimHost host(state);
    const Report request = Out("00 55 AA 01 D4 00 2A");
    host.OnOutputReport(request);
    host.OnOutputReport(request);
    host.OnOutputReport(request);
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex("55 AA 02 D4 02 55 01 D1")),
                                         In(Hex("55 AA 02 D4 03 66 02 03 BB"))));
    EXPECT_THAT(host.State().presses, IsEmpty());
    EXPECT_THAT(host.Rejections(), IsEmpty());
}

TEST(SimHostTest, VersionTextIsCutToFifteenBytes)
{
    SimHostState state;
    state.version = "QX-2000 V2.3.45 build 7";
    SimHost host(state);
    host.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    const std::vector<Data> answers = Drain(host);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0][4], 15);
    EXPECT_EQ(std::string(answers[0].begin() + 5, answers[0].begin() + 20), "QX-2000 V2.3.45");
    EXPECT_EQ(answers[0][20],
              static_cast<std::uint8_t>(~Sum(std::span(answers[0]).subspan(2, 18))));
}

// --- refused reports --------------------------------------------------------------------------

struct RefusedCase
{
    const char* name;
    const char* report;
};

void PrintTo(const RefusedCase& c, std::ostream* os)
{
    *os << c.name;
}

class RefusedReportTest : public ::testing::TestWithParam<RefusedCase>
{};

TEST_P(RefusedReportTest, GetsNoAnswerAndAReason)
{
    SimHostState state;
    state.presses = {Hex("55 01")};
    SimHost host(state);
    host.OnOutputReport(Out(GetParam().report));
    EXPECT_THAT(Drain(host), IsEmpty());
    EXPECT_EQ(host.Rejections().size(), 1u);
    EXPECT_EQ(host.Capture().size(), 1u) << "the write is still recorded";
    EXPECT_EQ(host.State().lastClock, Bytes{});
    EXPECT_EQ(host.State().presses.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, RefusedReportTest,
    ::testing::Values(RefusedCase{"BadChecksum", "00 55 AA 01 82 00 7D"},
                      RefusedCase{"AnswerStartByte", "00 55 AA 02 82 00 7B"},
                      RefusedCase{"Missing55AA", "00 AA 55 01 82 00 7C"},
                      RefusedCase{"ReportIdNotZero", "01 55 AA 01 82 00 7C"},
                      // The checksum would lie past the end of the report.
                      RefusedCase{"LengthAbove58", "00 55 AA 01 B1 3B"},
                      RefusedCase{"LengthFF", "00 55 AA 01 B1 FF"},
                      RefusedCase{"UnknownCommand", "00 55 AA 01 70 00 8E"},
                      RefusedCase{"ClockOfElevenBytes",
                                  "00 55 AA 01 62 0B 14 09 0C 1E 08 2D 00 03 00 00 00 12"},
                      RefusedCase{"ReadBackRequestWithPayload", "00 55 AA 01 84 01 00 79"},
                      RefusedCase{"KeyPressWithBadChecksum", "00 55 AA 01 D4 00 2B"},
                      RefusedCase{"AllZero", "00"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- capture ----------------------------------------------------------------------------------

TEST(SimHostTest, CaptureHoldsBothDirectionsInOrder)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    Drain(host);
    const std::string write = Line("Write:", "00 55 AA 01 82 00 7C", 65);
    const std::string read =
        Line("Read :", "00 55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 66", 65);
    EXPECT_THAT(host.Capture(), ElementsAre(write, read));
    EXPECT_EQ(write.size(), 6u + 130u);

    EXPECT_THAT(host.TakeCapture(), ElementsAre(write, read));
    EXPECT_THAT(host.TakeCapture(), IsEmpty());
    host.OnOutputReport(Out("00 55 AA 01 70 00 8E")); // refused, but it crossed the link
    EXPECT_THAT(host.TakeCapture(), ElementsAre(Line("Write:", "00 55 AA 01 70 00 8E", 65)));
    EXPECT_EQ(host.Capture().size(), 3u);
}

TEST(SimHostTest, AnAnswerIsCapturedWhenItIsHandedOut)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host.OnOutputReport(Out("00 55 AA 01 B3 00 4B"));
    ASSERT_EQ(host.Capture().size(), 2u);
    Data data{};
    ASSERT_TRUE(host.NextInputReport(data));
    EXPECT_EQ(host.Capture().back(), Line("Read :", "00 55 AA 02 60 01 5A 42", 65));
}

// --- downloads --------------------------------------------------------------------------------

TEST(SimHostDownloadTest, OnePacketWrittenByHand)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 65 05 00 01 00 01 AB E7"));
    EXPECT_THAT(Drain(host), ElementsAre(kAck65));
    EXPECT_EQ(host.State().tables.at(0x65), Bytes{0xAB});
}

TEST(SimHostDownloadTest, FiftyFiveBytesInTwoPacketsAreAcknowledgedAfterTheLast)
{
    SimHost host;
    const Bytes table = Counting(55);
    host.OnOutputReport(Packet(0x65, 2, 1, Slice(table, 0, 54)));
    EXPECT_THAT(Drain(host), IsEmpty()) << "no answer per packet";
    EXPECT_FALSE(host.State().tables.contains(0x65));
    host.OnOutputReport(Packet(0x65, 2, 2, Slice(table, 54, 1)));
    EXPECT_THAT(Drain(host), ElementsAre(kAck65));
    EXPECT_EQ(host.State().tables.at(0x65), table);
    EXPECT_THAT(host.Rejections(), IsEmpty());
}

TEST(SimHostDownloadTest, PacketOneStartsAgainAndDropsTheUnfinishedTransfer)
{
    SimHost host;
    const Bytes first = Counting(100);
    host.OnOutputReport(Packet(0x65, 2, 1, Slice(first, 0, 54)));
    host.OnOutputReport(Packet(0x65, 1, 1, Hex("01 02 03")));
    EXPECT_THAT(Drain(host), ElementsAre(kAck65));
    EXPECT_EQ(host.State().tables.at(0x65), Hex("01 02 03"));
}

TEST(SimHostDownloadTest, AfterARefusedTransferANewOneIsAccepted)
{
    SimHost host;
    const Bytes table = Counting(60);
    host.OnOutputReport(Packet(0x65, 2, 2, Slice(table, 54, 6)));
    host.OnOutputReport(Packet(0x65, 2, 1, Slice(table, 0, 54)));
    host.OnOutputReport(Packet(0x65, 2, 2, Slice(table, 54, 6)));
    EXPECT_THAT(Drain(host), ElementsAre(kAck65));
    EXPECT_EQ(host.State().tables.at(0x65), table);
    EXPECT_EQ(host.Rejections().size(), 1u);
}

struct BrokenCase
{
    const char* name;
    std::vector<Report> (*reports)();
};

void PrintTo(const BrokenCase& c, std::ostream* os)
{
    *os << c.name;
}

class BrokenDownloadTest : public ::testing::TestWithParam<BrokenCase>
{};

// A malformed transfer is never acknowledged and leaves the earlier table in place.
TEST_P(BrokenDownloadTest, IsNotAcknowledged)
{
    SimHostState state;
    state.tables[0x65] = {0xEE};
    SimHost host(state);
    for (const Report& report : GetParam().reports())
        host.OnOutputReport(report);
    EXPECT_THAT(Drain(host), IsEmpty());
    EXPECT_EQ(host.State().tables.at(0x65), Bytes{0xEE});
    EXPECT_THAT(host.Rejections(), ::testing::Not(IsEmpty()));
}

const Bytes kTable = Counting(200);

INSTANTIATE_TEST_SUITE_P(
    Violations, BrokenDownloadTest,
    ::testing::Values(
        BrokenCase{"BadChecksumOnTheLastPacket",
                   [] {
                       Report last = Packet(0x65, 2, 2, Slice(kTable, 54, 10));
                       last[20] ^= 0x01;
                       return std::vector{Packet(0x65, 2, 1, Slice(kTable, 0, 54)), last};
                   }},
        BrokenCase{"WrongStartByteOnTheFirstPacket",
                   [] {
                       Report first = Packet(0x65, 2, 1, Slice(kTable, 0, 54));
                       first[3] = 0x02;
                       first[64] = static_cast<std::uint8_t>(first[64] - 1); // checksum still fits
                       return std::vector{first, Packet(0x65, 2, 2, Slice(kTable, 54, 10))};
                   }},
        BrokenCase{"Missing55AA",
                   [] {
                       Report last = Packet(0x65, 2, 2, Slice(kTable, 54, 10));
                       last[1] = 0x00;
                       last[2] = 0x00;
                       return std::vector{Packet(0x65, 2, 1, Slice(kTable, 0, 54)), last};
                   }},
        BrokenCase{"PacketsOutOfOrder",
                   [] {
                       return std::vector{Packet(0x65, 3, 1, Slice(kTable, 0, 54)),
                                          Packet(0x65, 3, 3, Slice(kTable, 108, 10)),
                                          Packet(0x65, 3, 2, Slice(kTable, 54, 54))};
                   }},
        BrokenCase{"PacketRepeated",
                   [] {
                       return std::vector{Packet(0x65, 3, 1, Slice(kTable, 0, 54)),
                                          Packet(0x65, 3, 2, Slice(kTable, 54, 54)),
                                          Packet(0x65, 3, 2, Slice(kTable, 54, 54)),
                                          Packet(0x65, 3, 3, Slice(kTable, 108, 10))};
                   }},
        BrokenCase{"CountChanged",
                   [] {
                       return std::vector{Packet(0x65, 2, 1, Slice(kTable, 0, 54)),
                                          Packet(0x65, 3, 2, Slice(kTable, 54, 54)),
                                          Packet(0x65, 3, 3, Slice(kTable, 108, 10))};
                   }},
        BrokenCase{"ShortPacketBeforeTheLast",
                   [] {
                       return std::vector{Packet(0x65, 2, 1, Slice(kTable, 0, 30)),
                                          Packet(0x65, 2, 2, Slice(kTable, 30, 10))};
                   }},
        BrokenCase{"CommandChanged",
                   [] {
                       return std::vector{Packet(0x65, 2, 1, Slice(kTable, 0, 54)),
                                          Packet(0x66, 2, 2, Slice(kTable, 54, 10)),
                                          Packet(0x65, 2, 2, Slice(kTable, 54, 10))};
                   }},
        BrokenCase{"NoPacketOne",
                   [] { return std::vector{Packet(0x65, 2, 2, Slice(kTable, 54, 10))}; }},
        BrokenCase{"CountZero", [] { return std::vector{Packet(0x65, 0, 1, Hex("01"))}; }},
        BrokenCase{"NoDataBytes", [] { return std::vector{Packet(0x65, 1, 1, {})}; }}),
    [](const auto& info) { return std::string(info.param.name); });

// --- read-back --------------------------------------------------------------------------------

TEST(SimHostReadBackTest, NothingStoredAnswersOneEmptyPacket)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 84 00 7A"));
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex("55 AA 02 84 04 00 01 00 01 73"))));

    host.State().tables[0x65] = {};
    host.OnOutputReport(Out("00 55 AA 01 84 00 7A"));
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex("55 AA 02 84 04 00 01 00 01 73"))));
}

struct ReadBackCase
{
    std::size_t size;
    std::vector<std::size_t> dataPerPacket;
};

class ReadBackSizeTest : public ::testing::TestWithParam<ReadBackCase>
{};

TEST_P(ReadBackSizeTest, TableComesBackIn54BytePackets)
{
    const Bytes table = Counting(GetParam().size);
    SimHostState state;
    state.tables[0x66] = table;
    SimHost host(state);
    host.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> answers = Drain(host);
    const auto& sizes = GetParam().dataPerPacket;
    ASSERT_EQ(answers.size(), sizes.size());
    std::size_t offset = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        ExpectReadBackPacket(answers[i], 0x85, static_cast<int>(sizes.size()),
                             static_cast<int>(i + 1), Slice(table, offset, sizes[i]));
        offset += sizes[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadBackSizeTest,
                         ::testing::Values(ReadBackCase{1, {1}}, ReadBackCase{54, {54}},
                                           ReadBackCase{55, {54, 1}},
                                           ReadBackCase{170, {54, 54, 54, 8}}),
                         [](const auto& info) { return std::to_string(info.param.size); });

TEST(SimHostReadBackTest, EachReadBackReturnsItsDownload)
{
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> pairs = {
        {0x63, 0x83}, {0x65, 0x84}, {0x66, 0x85}, {0x67, 0x86}, {0x68, 0x87},
        {0x69, 0x88}, {0x6A, 0x89}, {0x6B, 0x8A}, {0x6C, 0x8B}};
    for (const auto& [download, readBack] : pairs) {
        SCOPED_TRACE(download);
        EXPECT_EQ(ReadBackCommandFor(download), readBack);
        EXPECT_EQ(DownloadCommandFor(readBack), download);

        SimHost host;
        const Bytes table = {download, 0x10, 0x20};
        if (download == 0x6A) {
            // The network record travels as one frame in the packet layout: N = 1, i = 1.
            Report frame = Out("00 55 AA 01 6A 07 00 01 00 01");
            std::copy(table.begin(), table.end(), frame.begin() + 10);
            frame[13] = static_cast<std::uint8_t>(~Sum(std::span(frame).subspan(3, 10)));
            host.OnOutputReport(frame);
        } else {
            Download(host, download, table);
        }
        ASSERT_EQ(Drain(host).size(), 1u);
        host.OnOutputReport(ReadBackRequest(readBack));
        const std::vector<Data> answers = Drain(host);
        ASSERT_EQ(answers.size(), 1u);
        ExpectReadBackPacket(answers[0], readBack, 1, 1, table);
    }
    // The firmware upgrade has no read-back, and a read-back command has no download.
    EXPECT_EQ(ReadBackCommandFor(0x64), std::nullopt);
    EXPECT_EQ(ReadBackCommandFor(0x84), std::nullopt);
    EXPECT_EQ(DownloadCommandFor(0x65), std::nullopt);
    EXPECT_EQ(DownloadCommandFor(0x82), std::nullopt);
}

// --- faults -----------------------------------------------------------------------------------

class SimHostFaultTest : public ::testing::Test
{
protected:
    void Arm(const char* fault) { host_.State().fault = *ParseSimFault(fault); }

    SimHost host_{[] {
        SimHostState state;
        state.tables[0x66] = Counting(150); // three packets: 54, 54, 42
        return state;
    }()};
    const Bytes& table_ = host_.State().tables.at(0x66);
};

TEST_F(SimHostFaultTest, SilentAnswersNothingButRecordsTheWrites)
{
    Arm("silent");
    host_.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    host_.OnOutputReport(ReadBackRequest(0x85));
    Download(host_, 0x65, Hex("01 02"));
    EXPECT_THAT(Drain(host_), IsEmpty());
    ASSERT_EQ(host_.Capture().size(), 3u);
    EXPECT_EQ(host_.Capture()[0], Line("Write:", "00 55 AA 01 82 00 7C", 65));

    Arm("none");
    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))));
}

TEST_F(SimHostFaultTest, BadChecksumSpoilsEveryAnswerUntilDisarmed)
{
    Arm("bad-checksum");
    host_.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    host_.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    host_.OnOutputReport(Out("00 55 AA 01 84 00 7A"));
    host_.OnOutputReport(Out("00 55 AA 01 65 05 00 01 00 01 AB E7"));
    const Data version = In(Hex("55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 99"));
    EXPECT_THAT(Drain(host_),
                ElementsAre(version, version, In(Hex("55 AA 02 84 04 00 01 00 01 8C")),
                            In(Hex("55 AA 02 65 01 5A C2"))));

    Arm("none");
    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))));
}

TEST_F(SimHostFaultTest, StaleAnswerComesBeforeEverySingleAnswerOnly)
{
    Arm("stale-answer");
    for (int round = 0; round < 2; ++round) {
        host_.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
        const std::vector<Data> answers = Drain(host_);
        ASSERT_EQ(answers.size(), 2u);
        const Data& stale = answers[0];
        EXPECT_EQ(Bytes(stale.begin(), stale.begin() + 3), Hex("55 AA 02"));
        EXPECT_NE(stale[3], 0x82);
        ASSERT_LE(stale[4], 58);
        EXPECT_EQ(stale[5 + stale[4]],
                  static_cast<std::uint8_t>(~Sum(std::span(stale).subspan(2, 3 + stale[4]))));
        EXPECT_EQ(answers[1],
                  In(Hex("55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 66")));
    }

    host_.OnOutputReport(Out("00 55 AA 01 65 05 00 01 00 01 AB E7"));
    EXPECT_THAT(Drain(host_), ElementsAre(kAck65));
    host_.OnOutputReport(Out("00 55 AA 01 84 00 7A"));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 1u);
    ExpectReadBackPacket(packets[0], 0x84, 1, 1, {0xAB});
}

TEST_F(SimHostFaultTest, UnplugAtADownloadPacketDropsIt)
{
    int unplugs = 0;
    host_.SetUnplugHandler([&] { ++unplugs; });
    Arm("unplug-at:2");
    const Bytes table = Counting(120);
    Download(host_, 0x65, table);
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(host_.State().plugged);
    EXPECT_EQ(host_.State().fault.kind, SimFault::Kind::None);
    EXPECT_THAT(Drain(host_), IsEmpty());
    EXPECT_FALSE(host_.State().tables.contains(0x65));
}

TEST_F(SimHostFaultTest, UnplugAtAReadBackPacketHandsOutTheOnesBefore)
{
    int unplugs = 0;
    host_.SetUnplugHandler([&] { ++unplugs; });
    Arm("unplug-at:3");
    host_.OnOutputReport(ReadBackRequest(0x85));
    EXPECT_EQ(unplugs, 0);
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 2u);
    ExpectReadBackPacket(packets[1], 0x85, 3, 2, Slice(table_, 54, 54));
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(host_.State().plugged);
    EXPECT_EQ(host_.State().fault.kind, SimFault::Kind::None);
    Data data{};
    EXPECT_FALSE(host_.NextInputReport(data));
    EXPECT_EQ(unplugs, 1);
}

TEST_F(SimHostFaultTest, ShortPacketCarriesTwentyBytes)
{
    Arm("short-packet:2");
    host_.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 3u);
    ExpectReadBackPacket(packets[0], 0x85, 3, 1, Slice(table_, 0, 54));
    ExpectReadBackPacket(packets[1], 0x85, 3, 2, Slice(table_, 54, 20));
    EXPECT_EQ(packets[1][4], 24);
    ExpectReadBackPacket(packets[2], 0x85, 3, 3, Slice(table_, 108, 42));
}

TEST_F(SimHostFaultTest, ShortPacketDoesNotTouchTheLastPacket)
{
    Arm("short-packet:3");
    host_.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 3u);
    ExpectReadBackPacket(packets[2], 0x85, 3, 3, Slice(table_, 108, 42));
}

TEST_F(SimHostFaultTest, LongPacketAnnouncesSixtyAndFillsTheReport)
{
    host_.State().tables[0x66] = Counting(100); // 54 + 46
    Arm("long-packet:2");
    host_.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 2u);
    ExpectReadBackPacket(packets[0], 0x85, 2, 1, Slice(Counting(100), 0, 54));
    const Data& long_ = packets[1];
    EXPECT_EQ(Bytes(long_.begin(), long_.begin() + 9), Hex("55 AA 02 85 3C 00 02 00 02"));
    Bytes expected = Slice(Counting(100), 54, 46);
    expected.resize(55, 0xFF); // the report's last byte is still data, not a checksum
    EXPECT_EQ(Bytes(long_.begin() + 9, long_.end()), expected);
}

TEST_F(SimHostFaultTest, SilentAfterStopsTheReadBackAndTheAcknowledgement)
{
    Arm("silent-after:1");
    host_.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 1u);
    ExpectReadBackPacket(packets[0], 0x85, 3, 1, Slice(table_, 0, 54));

    Download(host_, 0x65, Hex("01 02 03"));
    EXPECT_THAT(Drain(host_), IsEmpty());
    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))));
}

struct FaultTextCase
{
    const char* text;
    std::optional<SimFault> fault;
};

TEST(SimFaultTextTest, ParsesTheKnownTextsOnly)
{
    using K = SimFault::Kind;
    const std::vector<FaultTextCase> cases = {
        {"none", SimFault{K::None, 0}},
        {"silent", SimFault{K::Silent, 0}},
        {"bad-checksum", SimFault{K::BadChecksum, 0}},
        {"stale-answer", SimFault{K::StaleAnswer, 0}},
        {"unplug-at:1", SimFault{K::UnplugAt, 1}},
        {"short-packet:12", SimFault{K::ShortPacket, 12}},
        {"long-packet:3", SimFault{K::LongPacket, 3}},
        {"silent-after:40000", SimFault{K::SilentAfter, 40000}},
        {"", std::nullopt},
        {"Silent", std::nullopt},
        {"silent:2", std::nullopt},
        {"unplug-at", std::nullopt},
        {"unplug-at:", std::nullopt},
        {"unplug-at:0", std::nullopt},
        {"unplug-at:-3", std::nullopt},
        {"unplug-at:+3", std::nullopt},
        {"unplug-at:3x", std::nullopt},
        {"unplug-at: 3", std::nullopt},
        {"unplug-at:99999999999", std::nullopt},
        {"short-packet:2:3", std::nullopt},
        {"sometimes", std::nullopt},
    };
    for (const FaultTextCase& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<SimFault> parsed = ParseSimFault(c.text);
        ASSERT_EQ(parsed.has_value(), c.fault.has_value());
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->kind, c.fault->kind);
        EXPECT_EQ(parsed->packet, c.fault->packet);
        EXPECT_EQ(FormatSimFault(*parsed), c.text);
    }
}

// --- the session ------------------------------------------------------------------------------

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Writes a report through the backend as the tool would and reads the answer, if any.
std::optional<Data> Exchange(HidBackend& backend, const Report& report)
{
    const std::vector<HidDeviceInfo> devices = backend.Enumerate();
    if (devices.empty())
        return std::nullopt;
    OpenError error = OpenError::None;
    std::unique_ptr<HidDevice> device = backend.Open(devices[0].path, error);
    if (!device || !device->Write(report))
        return std::nullopt;
    Data data{};
    if (device->Read(data, 1000) != static_cast<int>(kReportDataSize))
        return std::nullopt;
    return data;
}

TEST(SimHostSessionTest, NewFolderGetsAPluggedHostOfTheChosenModel)
{
    for (const auto& [model, product] : {std::pair{HostModel::PX, std::uint16_t{0x1234}},
                                         std::pair{HostModel::QX, std::uint16_t{0x5158}}}) {
        test::TempFolder temp;
        const std::string dir = (temp.Path() / "new" / "sim").string();
        std::string error;
        const auto session = SimHostSession::Open(dir, model, error);
        ASSERT_NE(session, nullptr) << error;
        EXPECT_TRUE(std::filesystem::is_directory(dir));
        EXPECT_EQ(session->Host().State().model, model);
        EXPECT_TRUE(session->IsPlugged());
        const std::vector<HidDeviceInfo> devices = session->Backend().Enumerate();
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].vendorId, 0x0483);
        EXPECT_EQ(devices[0].productId, product);
        EXPECT_EQ(Exchange(session->Backend(), Out("00 55 AA 01 60 00 9E")),
                  In(Hex("55 AA 02 60 01 5A 42")));
    }
}

TEST(SimHostSessionTest, PlugAndUnplugFollowTheDevice)
{
    test::TempFolder temp;
    std::string error;
    const auto session = SimHostSession::Open(temp.Folder(), HostModel::PX, error);
    ASSERT_NE(session, nullptr) << error;
    session->Unplug();
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_FALSE(session->Host().State().plugged);
    EXPECT_THAT(session->Backend().Enumerate(), IsEmpty());
    session->Plug();
    session->Plug();
    EXPECT_TRUE(session->IsPlugged());
    EXPECT_TRUE(session->Host().State().plugged);
    EXPECT_EQ(session->Backend().Enumerate().size(), 1u);
}

TEST(SimHostSessionTest, StateAndCaptureSurviveBetweenRuns)
{
    test::TempFolder temp;
    const std::string dir = temp.Folder();
    std::string error;
    {
        const auto session = SimHostSession::Open(dir, HostModel::QX, error);
        ASSERT_NE(session, nullptr) << error;
        ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 82 00 7C")));
        SimHostState& state = session->Host().State();
        state.version = "QX V2.0";
        state.tables[0x65] = Counting(70);
        state.tables[0x6A] = Hex("C0 A8 01 64");
        state.presses = {Hex("55 01 02"), Hex("66")};
        state.b2Result = 0xA5;
        state.fault = SimFault{SimFault::Kind::ShortPacket, 4};
        state.messages = {Hex("11 22"), Hex("33")};
        state.lastClock = Hex("14 09 0C 1E 08 2D 00 03 00 00 00 00");
        state.initialiseCount = 3;
        state.preambleCount = 2;
        session->Unplug();
        ASSERT_TRUE(session->Save(error)) << error;
    }

    const nlohmann::json doc = nlohmann::json::parse(ReadFile(dir + "state.json"));
    EXPECT_EQ(doc["format"], 1);
    EXPECT_EQ(doc["model"], "qx");
    EXPECT_EQ(doc["plugged"], false);
    EXPECT_EQ(doc["tables"]["6A"], "C0A80164");
    EXPECT_EQ(doc["fault"], "short-packet:4");
    EXPECT_EQ(doc["presses"], nlohmann::json::array({"550102", "66"}));
    EXPECT_FALSE(std::filesystem::exists(dir + "state.json.tmp"));
    const std::vector<std::string> firstLines = ReadLines(dir + "capture.log");
    ASSERT_EQ(firstLines.size(), 2u);
    EXPECT_EQ(firstLines[0], Line("Write:", "00 55 AA 01 82 00 7C", 65));

    const auto session = SimHostSession::Open(dir, HostModel::PX, error);
    ASSERT_NE(session, nullptr) << error;
    const SimHostState& state = session->Host().State();
    EXPECT_EQ(state.model, HostModel::QX);
    EXPECT_FALSE(state.plugged);
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_EQ(state.version, "QX V2.0");
    EXPECT_EQ(state.tables.size(), 2u);
    EXPECT_EQ(state.tables.at(0x65), Counting(70));
    EXPECT_EQ(state.tables.at(0x6A), Hex("C0 A8 01 64"));
    EXPECT_THAT(state.presses, ElementsAre(Hex("55 01 02"), Hex("66")));
    EXPECT_EQ(state.b2Result, 0xA5);
    EXPECT_EQ(state.fault.kind, SimFault::Kind::ShortPacket);
    EXPECT_EQ(state.fault.packet, 4);
    EXPECT_THAT(state.messages, ElementsAre(Hex("11 22"), Hex("33")));
    EXPECT_EQ(state.lastClock, Hex("14 09 0C 1E 08 2D 00 03 00 00 00 00"));
    EXPECT_EQ(state.initialiseCount, 3);
    EXPECT_EQ(state.preambleCount, 2);

    session->Plug();
    EXPECT_EQ(session->Backend().Enumerate().at(0).productId, 0x5158);
    ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 B3 00 4B")));
    ASSERT_TRUE(session->Save(error)) << error;
    const std::vector<std::string> lines = ReadLines(dir + "capture.log");
    ASSERT_EQ(lines.size(), 4u) << "new lines are appended";
    EXPECT_EQ(lines[0], firstLines[0]);
    EXPECT_EQ(lines[2], Line("Write:", "00 55 AA 01 B3 00 4B", 65));
    EXPECT_EQ(lines[3], Line("Read :", "00 55 AA 02 B3 01 5A EF", 65));
}

struct MalformedCase
{
    const char* name;
    const char* json;
    const char* complaint;
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedStateTest : public ::testing::TestWithParam<MalformedCase>
{};

TEST_P(MalformedStateTest, IsRefusedWithTheReason)
{
    test::TempFolder temp;
    WriteFile(temp.File("state.json"), GetParam().json);
    std::string error;
    EXPECT_EQ(SimHostSession::Open(temp.Folder(), HostModel::PX, error), nullptr);
    EXPECT_THAT(error, HasSubstr("state.json"));
    EXPECT_THAT(error, HasSubstr(GetParam().complaint));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedStateTest,
    ::testing::Values(
        MalformedCase{"NotJson", R"({"format": 1, "model": )", "not valid JSON"},
        MalformedCase{"NotAnObject", "[1, 2]", "object"},
        MalformedCase{"NoFormat", R"({"model": "px"})", R"("format" is missing)"},
        MalformedCase{"LaterFormat", R"({"format": 2, "model": "px"})", R"("format" is 2)"},
        MalformedCase{"NoModel", R"({"format": 1})", R"("model" is missing)"},
        MalformedCase{"UnknownModel", R"({"format": 1, "model": "zx"})", R"("model" is "zx")"},
        MalformedCase{"UnknownKey", R"({"format": 1, "model": "px", "colour": 3})",
                      R"(unknown key "colour")"},
        MalformedCase{"PluggedNotBoolean", R"({"format": 1, "model": "px", "plugged": "yes"})",
                      R"("plugged")"},
        MalformedCase{"TableKeyNotADownload",
                      R"({"format": 1, "model": "px", "tables": {"84": "00"}})",
                      R"("tables" key "84")"},
        MalformedCase{"TableOddDigits", R"({"format": 1, "model": "px", "tables": {"65": "ABC"}})",
                      R"("tables" key "65")"},
        MalformedCase{"PressNotHex", R"({"format": 1, "model": "px", "presses": ["55", "XY"]})",
                      R"("presses" entry 2)"},
        MalformedCase{"B2ResultTooBig", R"({"format": 1, "model": "px", "b2Result": 300})",
                      R"("b2Result" is 300)"},
        MalformedCase{"UnknownFault", R"({"format": 1, "model": "px", "fault": "sometimes"})",
                      R"("fault" is "sometimes")"},
        MalformedCase{"NegativeCount", R"({"format": 1, "model": "px", "preambleCount": -1})",
                      R"("preambleCount" is -1)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimHostSessionTest, UnplugAtADownloadPacketRemovesTheDevice)
{
    test::TempFolder temp;
    std::string error;
    const auto session = SimHostSession::Open(temp.Folder(), HostModel::PX, error);
    ASSERT_NE(session, nullptr) << error;
    session->Host().State().fault = SimFault{SimFault::Kind::UnplugAt, 1};

    OpenError openError = OpenError::None;
    const auto device =
        session->Backend().Open(session->Backend().Enumerate().at(0).path, openError);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->Write(Packet(0x65, 1, 1, Hex("01 02"))));
    EXPECT_THAT(session->Backend().Enumerate(), IsEmpty());
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_FALSE(session->Host().State().plugged);
    EXPECT_FALSE(device->Write(Packet(0x65, 1, 1, Hex("01 02"))));

    ASSERT_TRUE(session->Save(error)) << error;
    EXPECT_EQ(nlohmann::json::parse(ReadFile(temp.File("state.json")))["plugged"], false);
}

TEST(SimHostSessionTest, UnplugAtAReadBackPacketRemovesTheDeviceWhenItIsDue)
{
    test::TempFolder temp;
    std::string error;
    const auto session = SimHostSession::Open(temp.Folder(), HostModel::QX, error);
    ASSERT_NE(session, nullptr) << error;
    session->Host().State().tables[0x65] = Counting(100);
    session->Host().State().fault = SimFault{SimFault::Kind::UnplugAt, 2};

    OpenError openError = OpenError::None;
    const auto device =
        session->Backend().Open(session->Backend().Enumerate().at(0).path, openError);
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->Write(ReadBackRequest(0x84)));
    EXPECT_TRUE(session->IsPlugged());
    Data data{};
    ASSERT_EQ(device->Read(data, 200), 64);
    ExpectReadBackPacket(data, 0x84, 2, 1, Slice(Counting(100), 0, 54));
    EXPECT_LE(device->Read(data, 200), 0);
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_THAT(session->Backend().Enumerate(), IsEmpty());
    EXPECT_EQ(device->Read(data, 200), -1);
}

} // namespace
} // namespace px
