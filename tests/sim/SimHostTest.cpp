#include "common/Hex.h"
#include "common/SharedFile.h"
#include "mock/Programs.h"
#include "mock/TempFolder.h"
#include "sim/SimHostSession.h"

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

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
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

// A frame from the layout: 01, command, L, payload, checksum; then trailer, then zeros.
Report Frame(std::uint8_t command, const Bytes& payload, const Bytes& trailer = {})
{
    Report report{};
    report[1] = 0x55;
    report[2] = 0xAA;
    report[3] = 0x01;
    report[4] = command;
    report[5] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), report.begin() + 6);
    report[6 + payload.size()] =
        static_cast<std::uint8_t>(~Sum(std::span(report).subspan(3, 3 + payload.size())));
    std::copy(trailer.begin(), trailer.end(),
              report.begin() + 7 + static_cast<std::ptrdiff_t>(payload.size()));
    return report;
}

// An answer from the layout: 55 AA 02, command, L, payload, checksum.
Data Answer(std::uint8_t command, const Bytes& payload)
{
    Data data{};
    data[0] = 0x55;
    data[1] = 0xAA;
    data[2] = 0x02;
    data[3] = command;
    data[4] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), data.begin() + 5);
    data[5 + payload.size()] =
        static_cast<std::uint8_t>(~Sum(std::span(data).subspan(2, 3 + payload.size())));
    return data;
}

// A download packet built from the layout: 01, command, L, N, i, data, checksum.
Report Packet(std::uint8_t command, int count, int index, const Bytes& data)
{
    return Frame(command,
                 Join({{static_cast<std::uint8_t>(count >> 8), static_cast<std::uint8_t>(count),
                        static_cast<std::uint8_t>(index >> 8), static_cast<std::uint8_t>(index)},
                       data}));
}

Report ReadBackRequest(std::uint8_t command)
{
    return Frame(command, {});
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

// The reports of a table sent in 54-byte packets.
std::vector<Report> DownloadReports(std::uint8_t command, const Bytes& table)
{
    std::vector<Report> reports;
    const int count = static_cast<int>((table.size() + 53) / 54);
    for (int i = 1; i <= count; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i - 1) * 54;
        reports.push_back(
            Packet(command, count, i,
                   Slice(table, offset, std::min<std::size_t>(54, table.size() - offset))));
    }
    return reports;
}

void Download(SimHost& host, std::uint8_t command, const Bytes& table)
{
    for (const Report& report : DownloadReports(command, table))
        host.OnOutputReport(report);
}

// --- records as the description lays them out
// -----------------------------------------------------

// Machine parameters with the dialog's defaults.
Bytes MachineRecord()
{
    return Hex("5A FF 00 11 00 01 00 01 00 00 0A 02 00 0A 02 FF 01");
}

// 430225 and 315600 kHz.
Bytes FrequencyRecord()
{
    return Hex("5A 34 33 30 32 32 35 FF 33 31 35 36 30 30 FF");
}

Bytes InfoMachineRecord(std::uint8_t pager)
{
    return Join({{0x00, pager, 0xF8, 0xF1, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7B},
                 Bytes(18, 0x00),
                 {0xFF}});
}

Bytes CallerRecord(std::uint8_t callNo)
{
    return Join({Hex("55 A1 B2 C3 FF FF FF FF"),
                 {callNo, 0x00},
                 Bytes(58, 0xFF),
                 {0x0C, 0x00},
                 Bytes(14, 0xFF),
                 {0x01},
                 Bytes(15, 0xFF)});
}

Bytes HandheldSettingsRecord()
{
    return Join({{0x01, 0x00}, Bytes(80, 0xFF), {0x00, 0x01}, Bytes(80, 0xFF)});
}

Bytes HandheldMatchRecord(std::uint8_t number)
{
    return {number, 0x1A, 0x2B, 0xFF, 0xFF, 0xFF};
}

// The dialog's defaults with the network on and role host.
Bytes NetworkRecord()
{
    return Join({Hex("01 01 01 C0 A8 00 02 8D 13 1A 2B 3C 4D 5E 6F C0 A8 00 0F D0 07 FF FF FF 00 "
                     "C0 A8 00 01 3C 00 0A"),
                 Bytes(8, 0xFF)});
}

Bytes Lw21Record()
{
    return Hex("34 31 30 30 5A");
}

Bytes Lw3Record()
{
    return Hex("34 34 34 31 30 30 5A");
}

// The network record travels as one frame in the packet layout: N = 1, i = 1.
Report NetworkFrame(const Bytes& record)
{
    return Frame(0x6A, Join({Hex("00 01 00 01"), record}));
}

// Clock receiver 1234567 at 09:05:07.
Bytes ClockPayload()
{
    return Hex("12 D6 87 30 39 30 35 30 37 23 CA B1");
}

// Pager 300, the text "hi", 0xFF after it; handed over with three 0xFF after the checksum.
Report NumberMessage(std::size_t payloadSize = 50)
{
    Bytes payload(payloadSize, 0xFF);
    payload[0] = 0x01;
    payload[1] = 0x2C;
    payload[2] = 'h';
    payload[3] = 'i';
    return Frame(0xB1, payload, {0xFF, 0xFF, 0xFF});
}

// Address 8, numeric, "+", 2400 baud.
Report AddressMessage(std::size_t payloadSize = 53, int address = 8)
{
    Bytes payload(payloadSize, 0xFF);
    payload[0] = static_cast<std::uint8_t>(address >> 16);
    payload[1] = static_cast<std::uint8_t>(address >> 8);
    payload[2] = static_cast<std::uint8_t>(address);
    payload[3] = 0xFA;
    payload[4] = 0x01;
    return Frame(0xB2, payload);
}

const Data kAck64 = In(Hex("55 AA 02 64 01 5A 3E"));

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
    Report (*request)();
    Data (*answer)();
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
    EXPECT_TRUE(host.OnOutputReport(GetParam().request()));
    EXPECT_THAT(Drain(host), ElementsAre(GetParam().answer()));
    EXPECT_THAT(host.Rejections(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SingleCommandTest,
    ::testing::Values(
        SingleCase{"Initialise", [] { return Out("00 55 AA 01 60 00 9E"); },
                   [] { return In(Hex("55 AA 02 60 01 5A 42")); }},
        SingleCase{"Clock", [] { return Frame(0x62, ClockPayload()); },
                   [] { return In(Hex("55 AA 02 62 01 5A 40")); }},
        SingleCase{"Version", [] { return Out("00 55 AA 01 82 00 7C"); },
                   [] {
                       return In(
                           Hex("55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 66"));
                   }},
        SingleCase{"MessageByNumberWithItsTrailingFF", [] { return NumberMessage(); },
                   [] { return In(Hex("55 AA 02 B1 01 5A F1")); }},
        SingleCase{"MessageByAddressGivesTheChosenResult", [] { return AddressMessage(); },
                   [] { return In(Hex("55 AA 02 B2 01 A5 A5")); }},
        SingleCase{"Preamble", [] { return Out("00 55 AA 01 B3 00 4B"); },
                   [] { return In(Hex("55 AA 02 B3 01 5A EF")); }},
        SingleCase{"KeyPress", [] { return Out("00 55 AA 01 D4 00 2A"); },
                   [] { return In(Hex("55 AA 02 D4 03 55 12 34 8B")); }},
        SingleCase{"NetworkRecord", [] { return NetworkFrame(NetworkRecord()); },
                   [] { return In(Hex("55 AA 02 6A 01 5A 38")); }},
        SingleCase{"NetworkOff",
                   [] {
                       return NetworkFrame(Join({{0x00}, Bytes(39, 0xFF)}));
                   },
                   [] { return In(Hex("55 AA 02 6A 01 5A 38")); }}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(SimHostTest, SingleCommandsLeaveWhatTheyCarried)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host.OnOutputReport(Out("00 55 AA 01 B3 00 4B"));
    const Report number = NumberMessage();
    const Report address = AddressMessage();
    host.OnOutputReport(number);
    host.OnOutputReport(Frame(0x62, ClockPayload()));
    host.OnOutputReport(address);
    host.OnOutputReport(NetworkFrame(NetworkRecord()));

    const SimHostState& state = host.State();
    EXPECT_EQ(state.initialiseCount, 2);
    EXPECT_EQ(state.preambleCount, 1);
    ASSERT_EQ(state.messages.size(), 3u);
    EXPECT_EQ(state.messages[0], Bytes(number.begin() + 6, number.begin() + 56));
    EXPECT_EQ(state.messages[1], ClockPayload());
    EXPECT_EQ(state.messages[2], Bytes(address.begin() + 6, address.begin() + 59));
    EXPECT_EQ(state.lastClock, ClockPayload());
    EXPECT_EQ(state.tables.at(0x6A), NetworkRecord());
    EXPECT_EQ(Drain(host).size(), 7u);
    EXPECT_EQ(host.PendingChanges(), SimHost::kStateChanged);
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

// The host waits for a key: a press queued while the tool still waits is the answer, one
// queued after the tool moved on is kept for the next request.
TEST(SimHostTest, AKeyRequestIsAnsweredByAPressQueuedWhileItWaits)
{
    SimHost host;
    host.OnOutputReport(Out("00 55 AA 01 D4 00 2A"));
    EXPECT_THAT(Drain(host), IsEmpty());
    host.State().presses.push_back(Hex("55 01"));
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex("55 AA 02 D4 02 55 01 D1"))));
    EXPECT_THAT(host.State().presses, IsEmpty());

    host.OnOutputReport(Out("00 55 AA 01 D4 00 2A"));
    host.OnOutputReport(Out("00 55 AA 01 B3 00 4B"));
    EXPECT_THAT(Drain(host), ElementsAre(In(Hex("55 AA 02 B3 01 5A EF"))));
    host.State().presses.push_back(Hex("55 02"));
    EXPECT_THAT(Drain(host), IsEmpty());
    EXPECT_EQ(host.State().presses.size(), 1u);
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
    EXPECT_TRUE(host.OnOutputReport(Out(GetParam().report))) << "the write itself succeeds";
    EXPECT_THAT(Drain(host), IsEmpty());
    ASSERT_EQ(host.Rejections().size(), 1u);
    ASSERT_EQ(host.Capture().size(), 2u) << "the write is recorded, then why it was refused";
    EXPECT_EQ(host.Capture()[1], "Refused: " + host.Rejections()[0]);
    EXPECT_EQ(host.State().lastRefusal, host.Rejections()[0]);
    EXPECT_EQ(host.PendingChanges(), SimHost::kRefused);
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
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Reports whose framing is right but whose size or content the protocol does not allow: the
// host refuses each with the reason, answers nothing and keeps nothing.
struct RuleCase
{
    const char* name;
    std::vector<Report> (*reports)();
    const char* reason;
};

void PrintTo(const RuleCase& c, std::ostream* os)
{
    *os << c.name;
}

class RuleViolationTest : public ::testing::TestWithParam<RuleCase>
{};

TEST_P(RuleViolationTest, IsRefusedWithItsReason)
{
    SimHost host;
    for (const Report& report : GetParam().reports())
        host.OnOutputReport(report);
    EXPECT_THAT(Drain(host), IsEmpty());
    ASSERT_FALSE(host.Rejections().empty());
    EXPECT_EQ(host.Rejections().back(), GetParam().reason);
    EXPECT_EQ(host.State().lastRefusal, GetParam().reason);
    EXPECT_EQ(host.Capture().back(), std::string("Refused: ") + GetParam().reason);
    EXPECT_THAT(host.State().tables, IsEmpty());
    EXPECT_THAT(host.State().messages, IsEmpty());
    EXPECT_EQ(host.State().initialiseCount + host.State().preambleCount, 0);
}

std::vector<Report> Single(const Report& report)
{
    return {report};
}

Bytes With(Bytes bytes, std::size_t at, std::uint8_t value)
{
    bytes[at] = value;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RuleViolationTest,
    ::testing::Values(
        // Sizes.
        RuleCase{"InitialiseWithAPayload", [] { return Single(Frame(0x60, {0x00})); },
                 "0x60 carries 1 payload byte, expected none"},
        RuleCase{"PreambleWithAPayload",
                 [] {
                     return Single(Frame(0xB3, {0x01, 0x02}));
                 },
                 "0xB3 carries 2 payload bytes, expected none"},
        RuleCase{"VersionRequestWithAPayload", [] { return Single(Frame(0x82, {0x00})); },
                 "0x82 carries 1 payload byte, expected none"},
        RuleCase{"MessageByNumberOfTenBytes", [] { return Single(NumberMessage(10)); },
                 "0xB1 carries 10 payload bytes, expected 50"},
        RuleCase{"MessageByAddressOfFiftyBytes", [] { return Single(AddressMessage(50)); },
                 "0xB2 carries 50 payload bytes, expected 53"},
        RuleCase{"ByteAfterTheFrame",
                 [] {
                     return Single(Frame(0x82, {}, {0x00, 0x00, 0x00, 0x01}));
                 },
                 "0x82 report byte 10 after the frame is 0x01, expected 0x00"},
        RuleCase{"MessageByNumberWithoutItsTrailingFF",
                 [] { return Single(Frame(0xB1, Bytes(50, 0xFF))); },
                 "0xB1 report byte 57 after the frame is 0x00, expected 0xFF"},
        RuleCase{"MachineRecordOfFiveBytes", [] { return DownloadReports(0x63, Bytes(5, 0x5A)); },
                 "0x63 record is 5 bytes, expected 17"},
        RuleCase{"CallerTableOf150Bytes",
                 [] {
                     return DownloadReports(0x66,
                                            Join({CallerRecord(1), Slice(CallerRecord(2), 0, 50)}));
                 },
                 "0x66 table is 150 bytes, expected a multiple of 100"},
        RuleCase{"NetworkRecordOfTenBytes",
                 [] { return Single(NetworkFrame(Slice(NetworkRecord(), 0, 10))); },
                 "0x6A record is 10 bytes, expected 40"},
        RuleCase{"NetworkFrameNotPacketOneOfOne",
                 [] {
                     return Single(Frame(0x6A, Join({Hex("00 02 00 01"), NetworkRecord()})));
                 },
                 "0x6A frame is not packet 1 of 1"},
        RuleCase{"HandheldSettingsInOnePacket",
                 [] { return Single(Packet(0x67, 1, 1, Slice(HandheldSettingsRecord(), 0, 54))); },
                 "0x67 download announces 1 packet, expected 4"},
        RuleCase{"ImageOfMoreThanThreeMillionBytes",
                 [] { return Single(Packet(0x64, 55557, 1, Bytes(54, 0x11))); },
                 "0x64 download announces 55557 packets, expected 1 to 55556"},
        // Content.
        RuleCase{"MachineRecordWithoutItsMarker",
                 [] { return DownloadReports(0x63, With(MachineRecord(), 0, 0x00)); },
                 "0x63 record: byte 0 is 0x00, expected 0x5A"},
        RuleCase{"MachineRecordWithReceiver201",
                 [] { return DownloadReports(0x63, With(MachineRecord(), 7, 0xC9)); },
                 "0x63 record: bytes 6-7 are 201, expected 1 to 200"},
        RuleCase{"FrequencyOfFiveDigits",
                 [] {
                     return DownloadReports(0x69,
                                            Hex("5A 31 32 33 34 35 FF FF 33 31 35 36 30 30 FF"));
                 },
                 "0x69 record: bytes 1-7 are not six digits and 0xFF (byte 6 is 0xFF)"},
        RuleCase{"FrequencyOutOfRange",
                 [] {
                     return DownloadReports(0x69,
                                            Hex("5A 39 39 39 39 39 39 FF 33 31 35 36 30 30 FF"));
                 },
                 "0x69 record: bytes 1-7 give 999999 kHz, expected 230000 to 930000"},
        RuleCase{"InfoMachineRecordTwoWithoutItsByteFour",
                 [] {
                     return DownloadReports(
                         0x65, Join({InfoMachineRecord(1), With(InfoMachineRecord(2), 4, 0x03)}));
                 },
                 "0x65 record 2: byte 4 is 0x03, expected 0x02"},
        RuleCase{"InfoMachineTypeByte",
                 [] { return DownloadReports(0x65, With(InfoMachineRecord(1), 3, 0xF5)); },
                 "0x65 record 1: byte 3 is 0xF5, expected 0xF0, 0xF1, 0xF2, 0xF3 or 0xF4"},
        RuleCase{"CallerRecordWithDataInItsTail",
                 [] {
                     return DownloadReports(
                         0x66, Join({CallerRecord(1), With(CallerRecord(2), 90, 0x00)}));
                 },
                 "0x66 record 2: byte 90 is 0x00, expected 0xFF in bytes 85-99"},
        RuleCase{"CallerRecordMarker",
                 [] { return DownloadReports(0x66, With(CallerRecord(1), 0, 0x56)); },
                 "0x66 record 1: byte 0 is 0x56, expected 0x55 or 0x5A"},
        RuleCase{"HandheldMatchRecordTail",
                 [] { return DownloadReports(0x68, With(HandheldMatchRecord(5), 3, 0x00)); },
                 "0x68 record 1: byte 3 is 0x00, expected 0xFF in bytes 3-5"},
        RuleCase{"HandheldSettingsSwitchOfTwo",
                 [] { return DownloadReports(0x67, With(HandheldSettingsRecord(), 82, 0x02)); },
                 "0x67 record: byte 82 is 2, expected 0 to 1"},
        RuleCase{"NetworkRoleThree",
                 [] { return Single(NetworkFrame(With(NetworkRecord(), 1, 0x03))); },
                 "0x6A record: byte 1 is 3, expected 1 to 2"},
        RuleCase{"NetworkOffWithData",
                 [] {
                     return Single(NetworkFrame(Join({{0x00, 0x01}, Bytes(38, 0xFF)})));
                 },
                 "0x6A record: byte 1 is 0x01, expected 0xFF in bytes 1-39"},
        RuleCase{"Lw21RecordNotClosed",
                 [] { return DownloadReports(0x6B, With(Lw21Record(), 4, 0x00)); },
                 "0x6B record: byte 4 is 0x00, expected 0x5A"},
        RuleCase{"Lw3MethodEight", [] { return DownloadReports(0x6C, With(Lw3Record(), 5, '8')); },
                 "0x6C record: byte 5 is 0x38, expected a digit '0' to '7'"},
        RuleCase{"ClockWithoutItsHourSign",
                 [] { return Single(Frame(0x62, With(ClockPayload(), 11, 0x00))); },
                 "0x62 payload: byte 11 is 0x00, expected 0xB1"},
        RuleCase{"AddressSeven", [] { return Single(AddressMessage(53, 7)); },
                 "0xB2 payload: bytes 0-2 give the address 7, expected 8 to 2097152"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// Every record the protocol allows is kept as it came and returned by its read-back.
TEST(SimHostTest, EveryDownloadKeepsItsRecordsAndItsReadBackReturnsThem)
{
    struct Case
    {
        std::uint8_t download;
        std::uint8_t readBack;
        Bytes table;
    };
    const std::vector<Case> cases = {
        {0x63, 0x83, MachineRecord()},
        {0x65, 0x84, Join({InfoMachineRecord(1), InfoMachineRecord(2)})},
        {0x66, 0x85, Join({CallerRecord(1), CallerRecord(2), CallerRecord(3)})},
        {0x67, 0x86, HandheldSettingsRecord()},
        {0x68, 0x87, Join({HandheldMatchRecord(1), HandheldMatchRecord(2)})},
        {0x69, 0x88, FrequencyRecord()},
        {0x6A, 0x89, NetworkRecord()},
        {0x6B, 0x8A, Lw21Record()},
        {0x6C, 0x8B, Lw3Record()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.download));
        EXPECT_EQ(ReadBackCommandFor(c.download), c.readBack);
        EXPECT_EQ(DownloadCommandFor(c.readBack), c.download);

        SimHost host;
        if (c.download == 0x6A)
            host.OnOutputReport(NetworkFrame(c.table));
        else
            Download(host, c.download, c.table);
        EXPECT_THAT(host.Rejections(), IsEmpty());
        EXPECT_THAT(Drain(host), ElementsAre(Answer(c.download, {0x5A})));
        EXPECT_EQ(host.State().tables.at(c.download), c.table);

        host.OnOutputReport(ReadBackRequest(c.readBack));
        const std::vector<Data> answers = Drain(host);
        const std::size_t count = (c.table.size() + 53) / 54;
        ASSERT_EQ(answers.size(), count);
        for (std::size_t i = 0; i < count; ++i)
            ExpectReadBackPacket(
                answers[i], c.readBack, static_cast<int>(count), static_cast<int>(i + 1),
                Slice(c.table, i * 54, std::min<std::size_t>(54, c.table.size() - i * 54)));
    }
    // The firmware upgrade has no read-back, and a read-back command has no download.
    EXPECT_EQ(ReadBackCommandFor(0x64), std::nullopt);
    EXPECT_EQ(ReadBackCommandFor(0x84), std::nullopt);
    EXPECT_EQ(DownloadCommandFor(0x65), std::nullopt);
    EXPECT_EQ(DownloadCommandFor(0x82), std::nullopt);
}

// --- capture ----------------------------------------------------------------------------------

TEST(SimHostTest, CaptureHoldsBothDirectionsAndRefusalsInOrder)
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
    EXPECT_THAT(host.TakeCapture(), ElementsAre(Line("Write:", "00 55 AA 01 70 00 8E", 65),
                                                "Refused: unknown command 0x70"));
    EXPECT_EQ(host.Capture().size(), 4u);
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
    host.OnOutputReport(Out("00 55 AA 01 64 05 00 01 00 01 AB E8"));
    EXPECT_THAT(Drain(host), ElementsAre(kAck64));
    EXPECT_EQ(host.State().tables.at(0x64), Bytes{0xAB});
}

TEST(SimHostDownloadTest, FiftyFiveBytesInTwoPacketsAreAcknowledgedAfterTheLast)
{
    SimHost host;
    const Bytes image = Counting(55);
    host.OnOutputReport(Packet(0x64, 2, 1, Slice(image, 0, 54)));
    EXPECT_THAT(Drain(host), IsEmpty()) << "no answer per packet";
    EXPECT_FALSE(host.State().tables.contains(0x64));
    EXPECT_TRUE(host.InTransfer());
    EXPECT_EQ(host.PendingChanges(), SimHost::kNoChange) << "a transfer stays in memory";
    host.OnOutputReport(Packet(0x64, 2, 2, Slice(image, 54, 1)));
    EXPECT_THAT(Drain(host), ElementsAre(kAck64));
    EXPECT_EQ(host.State().tables.at(0x64), image);
    EXPECT_THAT(host.Rejections(), IsEmpty());
    EXPECT_FALSE(host.InTransfer());
    EXPECT_EQ(host.PendingChanges(), SimHost::kStateChanged);
}

TEST(SimHostDownloadTest, PacketOneStartsAgainAndDropsTheUnfinishedTransfer)
{
    SimHost host;
    const Bytes first = Counting(100);
    host.OnOutputReport(Packet(0x64, 2, 1, Slice(first, 0, 54)));
    host.OnOutputReport(Packet(0x64, 1, 1, Hex("01 02 03")));
    EXPECT_THAT(Drain(host), ElementsAre(kAck64));
    EXPECT_EQ(host.State().tables.at(0x64), Hex("01 02 03"));
}

TEST(SimHostDownloadTest, AfterARefusedTransferANewOneIsAccepted)
{
    SimHost host;
    const Bytes image = Counting(60);
    host.OnOutputReport(Packet(0x64, 2, 2, Slice(image, 54, 6)));
    host.OnOutputReport(Packet(0x64, 2, 1, Slice(image, 0, 54)));
    host.OnOutputReport(Packet(0x64, 2, 2, Slice(image, 54, 6)));
    EXPECT_THAT(Drain(host), ElementsAre(kAck64));
    EXPECT_EQ(host.State().tables.at(0x64), image);
    EXPECT_EQ(host.Rejections().size(), 1u);
}

// The reason shown is the one that refused the transfer; the packets after it are logged.
TEST(SimHostDownloadTest, PacketsAfterARefusedOneKeepItsReason)
{
    SimHost host;
    const std::vector<Report> reports = DownloadReports(0x64, Counting(200));
    host.OnOutputReport(reports[0]);
    host.OnOutputReport(reports[2]);
    EXPECT_TRUE(host.InTransfer());
    host.OnOutputReport(reports[3]);
    EXPECT_FALSE(host.InTransfer()) << "the last packet ends the refused transfer";
    EXPECT_EQ(host.State().lastRefusal, "0x64 download packet 3/4 after packet 1");
    EXPECT_EQ(host.Rejections().size(), 2u);
    EXPECT_EQ(host.Capture().back(),
              "Refused: 0x64 download packet 4/4 of a transfer already refused");
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

// A malformed transfer is never acknowledged and leaves the earlier image in place.
TEST_P(BrokenDownloadTest, IsNotAcknowledged)
{
    SimHostState state;
    state.tables[0x64] = {0xEE};
    SimHost host(state);
    for (const Report& report : GetParam().reports())
        host.OnOutputReport(report);
    EXPECT_THAT(Drain(host), IsEmpty());
    EXPECT_EQ(host.State().tables.at(0x64), Bytes{0xEE});
    EXPECT_THAT(host.Rejections(), ::testing::Not(IsEmpty()));
}

const Bytes kImage = Counting(200);

INSTANTIATE_TEST_SUITE_P(
    Violations, BrokenDownloadTest,
    ::testing::Values(
        BrokenCase{"BadChecksumOnTheLastPacket",
                   [] {
                       Report last = Packet(0x64, 2, 2, Slice(kImage, 54, 10));
                       last[20] ^= 0x01;
                       return std::vector{Packet(0x64, 2, 1, Slice(kImage, 0, 54)), last};
                   }},
        BrokenCase{"WrongStartByteOnTheFirstPacket",
                   [] {
                       Report first = Packet(0x64, 2, 1, Slice(kImage, 0, 54));
                       first[3] = 0x02;
                       first[64] = static_cast<std::uint8_t>(first[64] - 1); // checksum still fits
                       return std::vector{first, Packet(0x64, 2, 2, Slice(kImage, 54, 10))};
                   }},
        BrokenCase{"Missing55AA",
                   [] {
                       Report last = Packet(0x64, 2, 2, Slice(kImage, 54, 10));
                       last[1] = 0x00;
                       last[2] = 0x00;
                       return std::vector{Packet(0x64, 2, 1, Slice(kImage, 0, 54)), last};
                   }},
        BrokenCase{"PacketsOutOfOrder",
                   [] {
                       return std::vector{Packet(0x64, 3, 1, Slice(kImage, 0, 54)),
                                          Packet(0x64, 3, 3, Slice(kImage, 108, 10)),
                                          Packet(0x64, 3, 2, Slice(kImage, 54, 54))};
                   }},
        BrokenCase{"PacketRepeated",
                   [] {
                       return std::vector{Packet(0x64, 3, 1, Slice(kImage, 0, 54)),
                                          Packet(0x64, 3, 2, Slice(kImage, 54, 54)),
                                          Packet(0x64, 3, 2, Slice(kImage, 54, 54)),
                                          Packet(0x64, 3, 3, Slice(kImage, 108, 10))};
                   }},
        BrokenCase{"CountChanged",
                   [] {
                       return std::vector{Packet(0x64, 2, 1, Slice(kImage, 0, 54)),
                                          Packet(0x64, 3, 2, Slice(kImage, 54, 54)),
                                          Packet(0x64, 3, 3, Slice(kImage, 108, 10))};
                   }},
        BrokenCase{"ShortPacketBeforeTheLast",
                   [] {
                       return std::vector{Packet(0x64, 2, 1, Slice(kImage, 0, 30)),
                                          Packet(0x64, 2, 2, Slice(kImage, 30, 10))};
                   }},
        BrokenCase{"CommandChanged",
                   [] {
                       return std::vector{Packet(0x64, 2, 1, Slice(kImage, 0, 54)),
                                          Packet(0x66, 2, 2, Slice(kImage, 54, 10)),
                                          Packet(0x64, 2, 2, Slice(kImage, 54, 10))};
                   }},
        BrokenCase{"NoPacketOne",
                   [] { return std::vector{Packet(0x64, 2, 2, Slice(kImage, 54, 10))}; }},
        BrokenCase{"CountZero", [] { return std::vector{Packet(0x64, 0, 1, Hex("01"))}; }},
        BrokenCase{"NoDataBytes", [] { return std::vector{Packet(0x64, 1, 1, {})}; }}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

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

// The state may hold any bytes (a file written by hand), so the tool's read-back can be tried
// on tables a download could not leave.
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
    EXPECT_EQ(host.PendingChanges(), SimHost::kNoChange) << "a read-back changes nothing";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadBackSizeTest,
                         ::testing::Values(ReadBackCase{1, {1}}, ReadBackCase{54, {54}},
                                           ReadBackCase{55, {54, 1}},
                                           ReadBackCase{170, {54, 54, 54, 8}}),
                         [](const auto& testCase) { return std::to_string(testCase.param.size); });

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
    Download(host_, 0x64, Hex("01 02"));
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
    host_.OnOutputReport(Out("00 55 AA 01 64 05 00 01 00 01 AB E8"));
    const Data version = In(Hex("55 AA 02 82 0F 50 58 20 56 31 2E 30 2E 31 FF FF FF FF FF FF 99"));
    EXPECT_THAT(Drain(host_),
                ElementsAre(version, version, In(Hex("55 AA 02 84 04 00 01 00 01 8C")),
                            In(Hex("55 AA 02 64 01 5A C1"))));

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

    host_.OnOutputReport(Out("00 55 AA 01 64 05 00 01 00 01 AB E8"));
    EXPECT_THAT(Drain(host_), ElementsAre(kAck64));
    host_.OnOutputReport(ReadBackRequest(0x85));
    EXPECT_EQ(Drain(host_).size(), 3u);
}

TEST_F(SimHostFaultTest, UnplugAtADownloadPacketDropsIt)
{
    int unplugs = 0;
    host_.SetUnplugHandler([&] { ++unplugs; });
    Arm("unplug-at:2");
    Download(host_, 0x64, Counting(120));
    EXPECT_EQ(unplugs, 1);
    EXPECT_FALSE(host_.State().plugged);
    EXPECT_EQ(host_.State().fault.kind, SimFault::Kind::None);
    EXPECT_THAT(Drain(host_), IsEmpty());
    EXPECT_FALSE(host_.State().tables.contains(0x64));
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

    Download(host_, 0x64, Hex("01 02 03"));
    EXPECT_THAT(Drain(host_), IsEmpty());
    EXPECT_THAT(host_.Rejections(), IsEmpty()) << "kept, only not acknowledged";
    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))));
}

TEST_F(SimHostFaultTest, NakRefusesEveryCommandAndKeepsNothing)
{
    Arm("nak");
    Download(host_, 0x66, CallerRecord(1));
    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    host_.OnOutputReport(NetworkFrame(NetworkRecord()));
    host_.OnOutputReport(ReadBackRequest(0x85));
    EXPECT_THAT(Drain(host_), ElementsAre(Answer(0x66, {0xA5}), Answer(0x60, {0xA5}),
                                          Answer(0x6A, {0xA5}), Answer(0x85, {0xA5})));
    EXPECT_EQ(host_.State().tables.at(0x66), Counting(150)) << "the old table stays";
    EXPECT_FALSE(host_.State().tables.contains(0x6A));
    EXPECT_EQ(host_.State().initialiseCount, 0);
    EXPECT_THAT(host_.Rejections(), IsEmpty()) << "well-formed reports, refused by the host itself";
}

TEST_F(SimHostFaultTest, FailWritesFailsTheNextNWritesOnly)
{
    Arm("fail-writes:2");
    EXPECT_FALSE(host_.OnOutputReport(Out("00 55 AA 01 60 00 9E")));
    EXPECT_EQ(FormatSimFault(host_.State().fault), "fail-writes:1");
    EXPECT_EQ(host_.PendingChanges(), SimHost::kStateChanged) << "what is left of it is kept";
    EXPECT_FALSE(host_.OnOutputReport(Out("00 55 AA 01 60 00 9E")));
    EXPECT_EQ(host_.State().fault.kind, SimFault::Kind::None);
    EXPECT_THAT(host_.Capture(), IsEmpty()) << "a failed write never reached the host";
    EXPECT_THAT(Drain(host_), IsEmpty());

    EXPECT_TRUE(host_.OnOutputReport(Out("00 55 AA 01 60 00 9E")));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))));
    EXPECT_EQ(host_.State().initialiseCount, 1);
}

TEST_F(SimHostFaultTest, WrongAckNamesAnotherCommandButKeepsTheTable)
{
    Arm("wrong-ack");
    Download(host_, 0x66, CallerRecord(1));
    const std::vector<Data> answers = Drain(host_);
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_NE(answers[0][3], 0x66);
    EXPECT_EQ(answers[0], Answer(answers[0][3], {0x5A})) << "otherwise a good acknowledgement";
    EXPECT_EQ(host_.State().tables.at(0x66), CallerRecord(1));

    host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 60 01 5A 42"))))
        << "single answers are right";
}

TEST_F(SimHostFaultTest, WrongFirstReadBackPutsAnotherCommandFirst)
{
    Arm("wrong-first-readback");
    host_.OnOutputReport(ReadBackRequest(0x85));
    const std::vector<Data> packets = Drain(host_);
    ASSERT_EQ(packets.size(), 4u);
    EXPECT_NE(packets[0][3], 0x85);
    EXPECT_EQ(packets[0],
              Answer(packets[0][3], Bytes(packets[1].begin() + 5, packets[1].begin() + 5 + 58)))
        << "a well-formed packet, for another command";
    ExpectReadBackPacket(packets[1], 0x85, 3, 1, Slice(table_, 0, 54));
    ExpectReadBackPacket(packets[3], 0x85, 3, 3, Slice(table_, 108, 42));
}

TEST_F(SimHostFaultTest, AnswerLengthShapesAnswersAndAcknowledgements)
{
    Arm("answer-length:58");
    host_.OnOutputReport(Out("00 55 AA 01 82 00 7C"));
    Bytes version = Hex("50 58 20 56 31 2E 30 2E 31");
    version.resize(58, 0xFF);
    EXPECT_THAT(Drain(host_), ElementsAre(Answer(0x82, version)))
        << "58 still leaves room for the checksum";

    for (const int length : {59, 255}) {
        SCOPED_TRACE(length);
        host_.State().fault = SimFault{SimFault::Kind::AnswerLength, length};
        host_.OnOutputReport(Out("00 55 AA 01 60 00 9E"));
        Data expected{};
        const Bytes head = {0x55, 0xAA, 0x02, 0x60, static_cast<std::uint8_t>(length), 0x5A};
        std::fill(expected.begin(), expected.end(), 0xFF);
        std::copy(head.begin(), head.end(), expected.begin());
        EXPECT_THAT(Drain(host_), ElementsAre(expected)) << "payload to the end, no checksum";
    }

    host_.State().fault = SimFault{SimFault::Kind::AnswerLength, 0};
    Download(host_, 0x64, Hex("01"));
    EXPECT_THAT(Drain(host_), ElementsAre(In(Hex("55 AA 02 64 00 99"))));
    host_.OnOutputReport(ReadBackRequest(0x85));
    EXPECT_EQ(Drain(host_)[0][4], 58) << "read-back packets keep their length";
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
        {"nak", SimFault{K::Nak, 0}},
        {"fail-writes:5", SimFault{K::FailWrites, 5}},
        {"wrong-ack", SimFault{K::WrongAck, 0}},
        {"wrong-first-readback", SimFault{K::WrongFirstReadBack, 0}},
        {"answer-length:0", SimFault{K::AnswerLength, 0}},
        {"answer-length:255", SimFault{K::AnswerLength, 255}},
        {"", std::nullopt},
        {"Silent", std::nullopt},
        {"silent:2", std::nullopt},
        {"nak:1", std::nullopt},
        {"unplug-at", std::nullopt},
        {"unplug-at:", std::nullopt},
        {"unplug-at:0", std::nullopt},
        {"fail-writes:0", std::nullopt},
        {"answer-length:256", std::nullopt},
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
    // Every fault the help lists is one the parser knows.
    for (const SimFaultHelpLine& line : SimFaultHelp()) {
        std::string example(line.usage);
        if (const auto colon = example.find(':'); colon != std::string::npos)
            example = example.substr(0, colon) + ":1";
        EXPECT_TRUE(ParseSimFault(example)) << example;
    }
    EXPECT_EQ(SimFaultHelp().size(), 13u);
}

// --- the folder ---------------------------------------------------------------------------------

std::string ReadFile(const std::string& path)
{
    return test::ReadBytes(path);
}

void WriteFile(const std::string& path, const std::string& text)
{
    test::WriteBytes(path, text);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path));
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

// An open device of a session's backend.
std::unique_ptr<HidDevice> OpenDevice(SimHostSession& session)
{
    const std::vector<HidDeviceInfo> devices = session.Backend().Enumerate();
    if (devices.empty())
        return nullptr;
    OpenError error = OpenError::None;
    return session.Backend().Open(devices[0].path, error);
}

std::unique_ptr<SimHostSession> OpenSession(const std::string& dir, HostModel model = HostModel::PX)
{
    std::string error;
    auto session = SimHostSession::Open(dir, model, error);
    EXPECT_NE(session, nullptr) << error;
    return session;
}

void Modify(SimHostSession& session, const std::function<void(SimHostState&)>& change)
{
    std::string error;
    ASSERT_TRUE(session.Modify(change, error)) << error;
}

nlohmann::json StateOnDisk(const test::TempFolder& folder)
{
    return nlohmann::json::parse(ReadFile(folder.File("state.json")));
}

// Which version of the file is there now: a new one each time the state is saved.
FileStamp StampNow(const std::string& path)
{
    FileStamp stamp;
    std::string error;
    EXPECT_EQ(StampOf(PathFromUtf8(path), stamp, error), FileLookup::Found) << error;
    return stamp;
}

TEST(SimHostSessionTest, NewFolderGetsAPluggedHostOfTheChosenModelWrittenAtOnce)
{
    for (const auto& [model, product] : {std::pair{HostModel::PX, std::uint16_t{0x1234}},
                                         std::pair{HostModel::QX, std::uint16_t{0x5158}}}) {
        test::TempFolder temp;
        const std::string dir = Utf8FromPath(temp.Path() / "new" / "sim");
        const auto session = OpenSession(dir, model);
        ASSERT_NE(session, nullptr);
        EXPECT_TRUE(std::filesystem::is_directory(PathFromUtf8(dir)));
        EXPECT_EQ(session->Host().State().model, model);
        EXPECT_TRUE(session->IsPlugged());
        EXPECT_EQ(nlohmann::json::parse(ReadFile(dir + "/state.json"))["model"],
                  model == HostModel::QX ? "qx" : "px")
            << "another process opening the folder sees the same model";
        const std::vector<HidDeviceInfo> devices = session->Backend().Enumerate();
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].vendorId, 0x0483);
        EXPECT_EQ(devices[0].productId, product);
        EXPECT_EQ(Exchange(session->Backend(), Out("00 55 AA 01 60 00 9E")),
                  In(Hex("55 AA 02 60 01 5A 42")));
        EXPECT_EQ(OpenSession(dir, HostModel::PX)->Host().State().model, model);
    }
}

TEST(SimHostSessionTest, PlugAndUnplugFollowTheDeviceAndTheFile)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    std::string error;
    ASSERT_TRUE(session->Unplug(error)) << error;
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_FALSE(session->Host().State().plugged);
    EXPECT_THAT(session->Backend().Enumerate(), IsEmpty());
    EXPECT_EQ(StateOnDisk(temp)["plugged"], false);
    ASSERT_TRUE(session->Plug(error)) << error;
    ASSERT_TRUE(session->Plug(error)) << error;
    EXPECT_TRUE(session->IsPlugged());
    EXPECT_EQ(session->Backend().Enumerate().size(), 1u);
    EXPECT_EQ(StateOnDisk(temp)["plugged"], true);
}

TEST(SimHostSessionTest, EveryReportIsLoggedAndEveryChangeSavedAsItHappens)
{
    test::TempFolder temp;
    const std::string dir = temp.Folder();
    {
        const auto session = OpenSession(dir, HostModel::QX);
        Modify(*session, [](SimHostState& state) {
            state.version = "QX V2.0";
            state.tables[0x65] = Counting(70);
            state.tables[0x6A] = NetworkRecord();
            state.presses = {Hex("55 01 02"), Hex("66")};
            state.b2Result = 0xA5;
            state.paced = false;
            state.fault = SimFault{SimFault::Kind::ShortPacket, 4};
            state.messages = {Hex("11 22"), Hex("33")};
            state.lastClock = ClockPayload();
            state.initialiseCount = 3;
            state.preambleCount = 2;
        });
        ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 B3 00 4B")));
        ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 70 00 8E")) == std::nullopt);
        // Nothing is saved at the end: it is all on disk already.
        const nlohmann::json doc = StateOnDisk(temp);
        EXPECT_EQ(doc["preambleCount"], 3);
        EXPECT_EQ(doc["lastRefusal"], "unknown command 0x70");
        EXPECT_EQ(ReadLines(dir + "capture.log"),
                  (std::vector<std::string>{Line("Write:", "00 55 AA 01 B3 00 4B", 65),
                                            Line("Read :", "00 55 AA 02 B3 01 5A EF", 65),
                                            Line("Write:", "00 55 AA 01 70 00 8E", 65),
                                            "Refused: unknown command 0x70"}));
        std::string error;
        ASSERT_TRUE(session->Unplug(error)) << error;
    }

    const nlohmann::json doc = StateOnDisk(temp);
    EXPECT_EQ(doc["format"], 1);
    EXPECT_EQ(doc["model"], "qx");
    EXPECT_EQ(doc["plugged"], false);
    EXPECT_EQ(doc["paced"], false);
    EXPECT_EQ(doc["fault"], "short-packet:4");
    EXPECT_EQ(doc["presses"], nlohmann::json::array({"550102", "66"}));
    EXPECT_FALSE(test::Exists(dir + "state.json.tmp"));

    const auto session = OpenSession(dir, HostModel::PX);
    const SimHostState& state = session->Host().State();
    EXPECT_EQ(state.model, HostModel::QX);
    EXPECT_FALSE(state.plugged);
    EXPECT_FALSE(state.paced);
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_EQ(state.version, "QX V2.0");
    EXPECT_EQ(state.tables.size(), 2u);
    EXPECT_EQ(state.tables.at(0x65), Counting(70));
    EXPECT_EQ(state.tables.at(0x6A), NetworkRecord());
    EXPECT_THAT(state.presses, ElementsAre(Hex("55 01 02"), Hex("66")));
    EXPECT_EQ(state.b2Result, 0xA5);
    EXPECT_EQ(state.fault.kind, SimFault::Kind::ShortPacket);
    EXPECT_EQ(state.fault.packet, 4);
    EXPECT_THAT(state.messages, ElementsAre(Hex("11 22"), Hex("33")));
    EXPECT_EQ(state.lastClock, ClockPayload());
    EXPECT_EQ(state.initialiseCount, 3);
    EXPECT_EQ(state.preambleCount, 3);
    EXPECT_EQ(state.lastRefusal, "unknown command 0x70");

    std::string error;
    ASSERT_TRUE(session->Plug(error)) << error;
    EXPECT_EQ(session->Backend().Enumerate().at(0).productId, 0x5158);
    ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 60 00 9E")));
    const std::vector<std::string> lines = ReadLines(dir + "capture.log");
    ASSERT_EQ(lines.size(), 6u) << "new lines are appended";
    EXPECT_EQ(lines[4], Line("Write:", "00 55 AA 01 60 00 9E", 65));
}

// Reports that change nothing do not rewrite the state: a read-back of a large table costs
// one look at the file per report.
TEST(SimHostSessionTest, ReportsThatChangeNothingLeaveTheStateFileAlone)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    Modify(*session, [](SimHostState& state) { state.tables[0x66] = Counting(1000); });
    const FileStamp before = StampNow(temp.File("state.json"));
    const auto device = OpenDevice(*session);
    ASSERT_TRUE(device->Write(ReadBackRequest(0x85)));
    Data data{};
    int packets = 0;
    while (device->Read(data, 0) > 0)
        ++packets;
    EXPECT_EQ(packets, 19);
    const std::vector<Report> image = DownloadReports(0x64, Counting(500));
    for (std::size_t i = 0; i + 1 < image.size(); ++i)
        ASSERT_TRUE(device->Write(image[i]));
    EXPECT_EQ(StampNow(temp.File("state.json")), before) << "nothing saved before the last packet";
    ASSERT_TRUE(device->Write(image.back()));
    EXPECT_NE(StampNow(temp.File("state.json")), before) << "the image is saved with the last one";
    EXPECT_EQ(StateOnDisk(temp)["tables"]["64"], HexString(Counting(500)));
}

// Another process (here: another session on the same folder) changes the host between two
// reports of this one; each report sees the change, and nothing either made is lost.
TEST(SimHostSharedFolderTest, AChangeMadeElsewhereIsSeenByTheNextReport)
{
    test::TempFolder temp;
    const auto window = OpenSession(temp.Folder());
    const auto shell = OpenSession(temp.Folder());
    const auto device = OpenDevice(*window);
    ASSERT_NE(device, nullptr);

    Modify(*shell, [](SimHostState& state) { state.presses.push_back(Hex("55 12 34 51")); });
    ASSERT_TRUE(device->Write(Out("00 55 AA 01 D4 00 2A")));
    Data data{};
    ASSERT_EQ(device->Read(data, 0), 64);
    EXPECT_EQ(data, Answer(0xD4, Hex("55 12 34 51")));

    // The window's key request waits; a press queued from the shell meanwhile answers it.
    ASSERT_TRUE(device->Write(Out("00 55 AA 01 D4 00 2A")));
    EXPECT_EQ(device->Read(data, 0), 0);
    Modify(*shell, [](SimHostState& state) { state.presses.push_back(Hex("66 1A 2B")); });
    ASSERT_EQ(device->Read(data, 0), 64);
    EXPECT_EQ(data, Answer(0xD4, Hex("66 1A 2B")));

    Modify(*shell, [](SimHostState& state) { state.fault = *ParseSimFault("silent"); });
    ASSERT_TRUE(device->Write(Out("00 55 AA 01 60 00 9E")));
    EXPECT_EQ(device->Read(data, 0), 0);

    std::string error;
    ASSERT_TRUE(shell->Refresh(error)) << error;
    EXPECT_THAT(shell->Host().State().presses, IsEmpty()) << "both presses were taken";
}

TEST(SimHostSharedFolderTest, AnUnplugElsewhereEndsADownloadHere)
{
    test::TempFolder temp;
    const auto tool = OpenSession(temp.Folder());
    const auto shell = OpenSession(temp.Folder());
    int removals = 0;
    tool->Backend().SetDeviceListener([&](bool added) { removals += added ? 0 : 1; });
    const auto device = OpenDevice(*tool);
    const std::vector<Report> table =
        DownloadReports(0x66, Join({CallerRecord(1), CallerRecord(2)}));
    ASSERT_EQ(table.size(), 4u);
    ASSERT_TRUE(device->Write(table[0]));

    std::string error;
    ASSERT_TRUE(shell->Unplug(error)) << error;
    EXPECT_FALSE(device->Write(table[1])) << "the host is gone";
    EXPECT_EQ(removals, 1);
    EXPECT_THAT(tool->Backend().Enumerate(), IsEmpty());
    EXPECT_FALSE(tool->Host().InTransfer()) << "a host without power forgets the transfer";

    ASSERT_TRUE(shell->Plug(error)) << error;
    EXPECT_EQ(tool->Backend().Enumerate().size(), 1u) << "the next search finds it again";
    EXPECT_EQ(StateOnDisk(temp)["plugged"], true);
    EXPECT_FALSE(StateOnDisk(temp)["tables"].contains("66"));
}

TEST(SimHostSharedFolderTest, TwoDownloadsAtOnceKeepBothTables)
{
    test::TempFolder temp;
    const auto first = OpenSession(temp.Folder());
    const auto second = OpenSession(temp.Folder());
    const auto one = OpenDevice(*first);
    const auto two = OpenDevice(*second);
    const Bytes callers = Join({CallerRecord(1), CallerRecord(2), CallerRecord(3)});
    const Bytes handhelds = Join({HandheldMatchRecord(1), HandheldMatchRecord(2)});
    const std::vector<Report> a = DownloadReports(0x66, callers);
    const std::vector<Report> b = DownloadReports(0x68, handhelds);
    ASSERT_EQ(b.size(), 1u);
    ASSERT_TRUE(one->Write(a[0]));
    ASSERT_TRUE(one->Write(a[1]));
    ASSERT_TRUE(two->Write(b[0]));
    for (std::size_t i = 2; i < a.size(); ++i)
        ASSERT_TRUE(one->Write(a[i]));
    Data data{};
    ASSERT_EQ(one->Read(data, 0), 64);
    EXPECT_EQ(data, Answer(0x66, {0x5A}));
    ASSERT_EQ(two->Read(data, 0), 64);
    EXPECT_EQ(data, Answer(0x68, {0x5A}));

    const nlohmann::json tables = StateOnDisk(temp)["tables"];
    EXPECT_EQ(tables["66"], HexString(callers));
    EXPECT_EQ(tables["68"], HexString(handhelds));
}

// Real processes: each adds key presses under the lock at the same time as the others.
TEST(SimHostSharedFolderTest, ChangesFromManyProcessesAtOnceAreAllKept)
{
    test::TempFolder temp;
    ASSERT_NE(OpenSession(temp.Folder()), nullptr);
    constexpr int kProcesses = 4;
    constexpr int kChanges = 25;
    std::vector<std::unique_ptr<sys::ChildProcess>> children;
    for (int p = 0; p < kProcesses; ++p) {
        std::string error;
        children.push_back(sys::ChildProcess::Start(
            test::BuiltProgram(PX_PROGRAM_SIM_WRITER),
            {temp.Folder(), std::to_string(p), std::to_string(kChanges)}, error));
        ASSERT_NE(children.back(), nullptr) << error;
    }
    for (const auto& child : children) {
        std::string error;
        EXPECT_EQ(child->Wait(error), 0) << error;
    }
    const auto session = OpenSession(temp.Folder());
    const auto& presses = session->Host().State().presses;
    ASSERT_EQ(presses.size(), static_cast<std::size_t>(kProcesses * kChanges));
    for (int p = 0; p < kProcesses; ++p) {
        std::vector<int> order;
        for (const Bytes& press : presses) {
            if (press[0] == p)
                order.push_back(press[1]);
        }
        ASSERT_EQ(order.size(), static_cast<std::size_t>(kChanges));
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << "each process's own order";
    }
}

// A refusal inside a download is saved when the download ends, not with every packet after it.
TEST(SimHostSharedFolderTest, ARefusalInsideADownloadIsSavedAtItsEnd)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    const auto device = OpenDevice(*session);
    const std::vector<Report> reports = DownloadReports(0x64, Counting(54 * 5));
    ASSERT_TRUE(device->Write(reports[0]));
    ASSERT_TRUE(device->Write(reports[2]));
    ASSERT_TRUE(device->Write(reports[3]));
    EXPECT_EQ(StateOnDisk(temp)["lastRefusal"], "") << "held back while the download runs";
    const std::vector<std::string> log = ReadLines(temp.File("capture.log"));
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], "Refused: 0x64 download packet 3/5 after packet 1");
    EXPECT_EQ(log[4], "Refused: 0x64 download packet 4/5 of a transfer already refused");
    ASSERT_TRUE(device->Write(reports[4]));
    EXPECT_EQ(StateOnDisk(temp)["lastRefusal"], "0x64 download packet 3/5 after packet 1");

    ASSERT_TRUE(device->Write(reports[0]));
    ASSERT_TRUE(device->Write(reports[2]));
    std::string error;
    ASSERT_TRUE(session->Flush(error)) << error;
    EXPECT_EQ(StateOnDisk(temp)["lastRefusal"], "0x64 download packet 3/5 after packet 1");
    EXPECT_EQ(StateOnDisk(temp)["plugged"], true);
}

struct MalformedCase
{
    const char* name;
    std::string json;
    const char* complaint;
};

void PrintTo(const MalformedCase& c, std::ostream* os)
{
    *os << c.name;
}

class MalformedStateTest : public ::testing::TestWithParam<MalformedCase>
{};

TEST_P(MalformedStateTest, IsRefusedWithTheReasonInOneShortLine)
{
    test::TempFolder temp;
    WriteFile(temp.File("state.json"), GetParam().json);
    std::string error;
    EXPECT_EQ(SimHostSession::Open(temp.Folder(), HostModel::PX, error), nullptr);
    EXPECT_THAT(error, HasSubstr("state.json"));
    EXPECT_THAT(error, HasSubstr(GetParam().complaint));
    EXPECT_LT(error.size(), 300u) << "a long value is never repeated whole";
    EXPECT_EQ(ReadFile(temp.File("state.json")), GetParam().json) << "left for its owner to mend";
}

std::string Nested(std::size_t depth)
{
    return R"({"format": 1, "model": "px", "tables": {"65": )" + std::string(depth, '[') + "1" +
           std::string(depth, ']') + "}}";
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
        MalformedCase{"LongModel", R"({"format": 1, "model": ")" + std::string(5000, 'x') + "\"}",
                      R"("model" is "xxxx)"},
        MalformedCase{"UnknownKey", R"({"format": 1, "model": "px", "colour": 3})",
                      R"(unknown key "colour")"},
        MalformedCase{"LongUnknownKey",
                      R"({"format": 1, "model": "px", ")" + std::string(5000, 'k') + "\": 3}",
                      R"(unknown key "kkk)"},
        MalformedCase{"PluggedNotBoolean", R"({"format": 1, "model": "px", "plugged": "yes"})",
                      R"("plugged")"},
        MalformedCase{"PacedNotBoolean", R"({"format": 1, "model": "px", "paced": 0})",
                      R"("paced" is not true or false)"},
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
                      R"("preambleCount" is -1)"},
        MalformedCase{"RefusalNotText", R"({"format": 1, "model": "px", "lastRefusal": 3})",
                      R"("lastRefusal" is not a string)"},
        MalformedCase{"NestedTooDeep", Nested(5), "nested more than 4 levels"},
        MalformedCase{"NestedDeeperThanAnyStack", Nested(200000), "nested more than 4 levels"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

// A state file spoiled while a process uses the folder stops nothing, and is not overwritten.
TEST(SimHostSharedFolderTest, AStateSpoiledMeanwhileIsReportedAndLeftAlone)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    const auto device = OpenDevice(*session);
    WriteFile(temp.File("state.json"), Nested(100));
    ASSERT_TRUE(device->Write(Out("00 55 AA 01 60 00 9E")));
    Data data{};
    EXPECT_EQ(device->Read(data, 0), 64) << "the host goes on from what it last read";
    EXPECT_EQ(ReadFile(temp.File("state.json")), Nested(100));
    std::string error;
    EXPECT_FALSE(session->Flush(error));
    EXPECT_THAT(error, HasSubstr("state.json"));
    EXPECT_FALSE(session->Modify([](SimHostState& state) { state.version = "x"; }, error));
    EXPECT_EQ(ReadFile(temp.File("state.json")), Nested(100));
}

TEST(SimHostSessionTest, UnplugAtADownloadPacketRemovesTheDevice)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    Modify(*session, [](SimHostState& state) {
        state.fault = SimFault{SimFault::Kind::UnplugAt, 1};
    });

    const auto device = OpenDevice(*session);
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->Write(Packet(0x64, 1, 1, Hex("01 02"))));
    EXPECT_THAT(session->Backend().Enumerate(), IsEmpty());
    EXPECT_FALSE(session->IsPlugged());
    EXPECT_FALSE(session->Host().State().plugged);
    EXPECT_FALSE(device->Write(Packet(0x64, 1, 1, Hex("01 02"))));
    EXPECT_EQ(StateOnDisk(temp)["plugged"], false);
    EXPECT_EQ(StateOnDisk(temp)["fault"], "none");
}

TEST(SimHostSessionTest, UnplugAtAReadBackPacketRemovesTheDeviceWhenItIsDue)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder(), HostModel::QX);
    Modify(*session, [](SimHostState& state) {
        state.tables[0x65] = Counting(100);
        state.fault = SimFault{SimFault::Kind::UnplugAt, 2};
    });

    const auto device = OpenDevice(*session);
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
    EXPECT_EQ(StateOnDisk(temp)["plugged"], false);
}

TEST(SimHostSessionTest, CaptureLinesReachTheListenerAsTheyAreLogged)
{
    test::TempFolder temp;
    const auto session = OpenSession(temp.Folder());
    std::vector<std::string> heard;
    session->SetCaptureListener([&](const std::string& line) { heard.push_back(line); });
    ASSERT_TRUE(Exchange(session->Backend(), Out("00 55 AA 01 B3 00 4B")));
    EXPECT_EQ(heard, ReadLines(temp.File("capture.log")));
    EXPECT_EQ(heard.size(), 2u);
}

} // namespace
} // namespace px

namespace px {
namespace {

TEST(SimKeyPress, IsTheStatusThenTheCodeAndRefusesWhatTheHostCouldNotAnswer)
{
    const std::string longest(2 * (kMaxSimAnswerPayload - 1), 'A');
    const struct
    {
        std::string code;
        std::string status;
        std::optional<std::string> press; // as hexadecimal; nothing: refused
    } cases[] = {
        {"123451", "55", "55123451"},
        {"1a2b", "66", "661A2B"},
        {"0000", "5a", "5A0000"},
        {longest, "55", "55" + longest},
        {longest + "AA", "55", std::nullopt}, // one byte more than an answer holds
        {"12345", "55", std::nullopt},        // odd count of digits
        {"", "55", std::nullopt},
        {"12G4", "55", std::nullopt},
        {"1234", "56", std::nullopt},
        {"1234", "", std::nullopt},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto press = MakeKeyPress(c.code, c.status, error);
        if (c.press) {
            ASSERT_TRUE(press.has_value()) << c.code << ": " << error;
            EXPECT_EQ(HexString(*press), *c.press);
        } else {
            EXPECT_FALSE(press.has_value()) << c.code << " " << c.status;
            EXPECT_FALSE(error.empty());
        }
    }
}

// What was queued survives the folder being read again, by this process or another.
TEST(SimKeyPress, TheLongestPressIsStoredAndReadBack)
{
    test::TempFolder folder;
    std::string error;
    const std::string longest(2 * (kMaxSimAnswerPayload - 1), 'B');
    {
        auto session = SimHostSession::Open(folder.Text(), HostModel::PX, error);
        ASSERT_TRUE(session) << error;
        const auto press = MakeKeyPress(longest, "55", error);
        ASSERT_TRUE(press);
        ASSERT_TRUE(session->Modify([&](SimHostState& s) { s.presses.push_back(*press); }, error))
            << error;
    }
    auto again = SimHostSession::Open(folder.Text(), HostModel::PX, error);
    ASSERT_TRUE(again) << error;
    ASSERT_EQ(again->Host().State().presses.size(), 1u);
    EXPECT_EQ(HexString(again->Host().State().presses.front()), "55" + longest);
}

} // namespace
} // namespace px
