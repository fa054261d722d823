#include "sim/SimHost.h"

#include "common/Hex.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <limits>
#include <utility>

namespace px {

namespace {

constexpr std::uint8_t kRequestStart = 0x01;
constexpr std::uint8_t kAnswerStart = 0x02;
constexpr std::uint8_t kAccepted = 0x5A;
constexpr std::uint8_t kRefusal = 0xA5;
constexpr std::size_t kMaxFrameLength = 58;
constexpr std::size_t kPacketData = 54;
constexpr std::size_t kPacketHeader = 4; // N and i, two bytes each
constexpr std::size_t kShortPacketData = 20;
constexpr std::size_t kLongPacketLength = 60;
constexpr std::size_t kVersionLength = 15;
constexpr std::size_t kMaxPackets = 0xFFFF; // N travels in two bytes
constexpr std::size_t kMaxTableBytes = kMaxPackets * kPacketData;
constexpr std::size_t kMaxImageBytes = 3'000'000; // what the tool's download buffer holds

// Report offsets of an output report (byte 0 is the report id).
constexpr std::size_t kOutStart = 3;
constexpr std::size_t kOutCommand = 4;
constexpr std::size_t kOutLength = 5;
constexpr std::size_t kOutPayload = 6;

// Offsets in the 64 data bytes of an input report.
constexpr std::size_t kInStart = 2;
constexpr std::size_t kInCommand = 3;
constexpr std::size_t kInLength = 4;
constexpr std::size_t kInPayload = 5;

std::string ByteText(std::uint8_t byte)
{
    return "0x" + HexString(std::array<std::uint8_t, 1>{byte});
}

std::string Count(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::uint8_t OnesComplementOfSum(std::span<const std::uint8_t> bytes)
{
    unsigned sum = 0;
    for (const std::uint8_t byte : bytes)
        sum += byte;
    return static_cast<std::uint8_t>(~sum & 0xFF);
}

int BigEndian16(std::span<const std::uint8_t> bytes)
{
    return (bytes[0] << 8) | bytes[1];
}

void PutBigEndian16(std::uint8_t* out, std::size_t value)
{
    out[0] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    out[1] = static_cast<std::uint8_t>(value & 0xFF);
}

// --- record content ---------------------------------------------------------------------------

// What is wrong with one record (or payload), relative to it: "byte 0 is 0x00, expected 0x5A".
using Reason = std::optional<std::string>;
using Record = std::span<const std::uint8_t>;

Reason FirstOf(std::initializer_list<Reason> reasons)
{
    for (const Reason& reason : reasons) {
        if (reason)
            return reason;
    }
    return std::nullopt;
}

std::string ByteIs(std::size_t at, std::uint8_t value)
{
    return "byte " + std::to_string(at) + " is " + ByteText(value);
}

Reason Expect(Record r, std::size_t at, std::uint8_t want)
{
    if (r[at] == want)
        return std::nullopt;
    return ByteIs(at, r[at]) + ", expected " + ByteText(want);
}

// Bytes [from, to) all equal to want.
Reason ExpectEach(Record r, std::size_t from, std::size_t to, std::uint8_t want)
{
    for (std::size_t at = from; at < to; ++at) {
        if (r[at] != want)
            return ByteIs(at, r[at]) + ", expected " + ByteText(want) + " in bytes " +
                   std::to_string(from) + "-" + std::to_string(to - 1);
    }
    return std::nullopt;
}

Reason ExpectOneOf(Record r, std::size_t at, std::initializer_list<std::uint8_t> allowed)
{
    if (std::find(allowed.begin(), allowed.end(), r[at]) != allowed.end())
        return std::nullopt;
    std::string list;
    std::size_t left = allowed.size();
    for (const std::uint8_t value : allowed) {
        list += ByteText(value);
        --left;
        list += left > 1 ? ", " : left == 1 ? " or " : "";
    }
    return ByteIs(at, r[at]) + ", expected " + list;
}

// A count or switch: a byte whose value lies in [low, high].
Reason ExpectIn(Record r, std::size_t at, int low, int high)
{
    if (r[at] >= low && r[at] <= high)
        return std::nullopt;
    return "byte " + std::to_string(at) + " is " + std::to_string(r[at]) + ", expected " +
           std::to_string(low) + " to " + std::to_string(high);
}

// A two-byte number, most significant byte first.
Reason ExpectNumber(Record r, std::size_t at, int low, int high)
{
    const int value = BigEndian16(r.subspan(at, 2));
    if (value >= low && value <= high)
        return std::nullopt;
    return "bytes " + std::to_string(at) + "-" + std::to_string(at + 1) + " are " +
           std::to_string(value) + ", expected " + std::to_string(low) + " to " +
           std::to_string(high);
}

// A value sent as one ASCII digit, '0' to '0' + highest.
Reason ExpectDigit(Record r, std::size_t at, int highest)
{
    if (r[at] >= '0' && r[at] <= '0' + highest)
        return std::nullopt;
    return ByteIs(at, r[at]) + ", expected a digit '0' to '" + std::to_string(highest) + "'";
}

// A frequency: six ASCII digits, then 0xFF, within the range the tool accepts.
Reason ExpectFrequency(Record r, std::size_t at)
{
    const std::string where = "bytes " + std::to_string(at) + "-" + std::to_string(at + 6);
    int value = 0;
    for (std::size_t i = at; i < at + 6; ++i) {
        if (r[i] < '0' || r[i] > '9')
            return where + " are not six digits and 0xFF (" + ByteIs(i, r[i]) + ")";
        value = value * 10 + (r[i] - '0');
    }
    if (r[at + 6] != 0xFF)
        return where + " are not six digits and 0xFF (" + ByteIs(at + 6, r[at + 6]) + ")";
    if (value < 230000 || value > 930000)
        return where + " give " + std::to_string(value) + " kHz, expected 230000 to 930000";
    return std::nullopt;
}

Reason CheckMachineRecord(Record r)
{
    return FirstOf({Expect(r, 0, 0x5A), Expect(r, 1, 0xFF), Expect(r, 2, 0x00), Expect(r, 3, 0x11),
                    ExpectIn(r, 4, 0, 1), ExpectIn(r, 5, 1, 4), ExpectNumber(r, 6, 1, 200),
                    ExpectIn(r, 8, 0, 1), ExpectNumber(r, 9, 1, 240), ExpectIn(r, 11, 1, 99),
                    ExpectNumber(r, 12, 1, 240), ExpectIn(r, 14, 1, 99), Expect(r, 15, 0xFF),
                    ExpectIn(r, 16, 0, 1)});
}

Reason CheckFrequencyRecord(Record r)
{
    return FirstOf({Expect(r, 0, 0x5A), ExpectFrequency(r, 1), ExpectFrequency(r, 8)});
}

Reason CheckInfoMachineRecord(Record r)
{
    return FirstOf({ExpectOneOf(r, 2, {0xF8, 0xF9, 0xFA, 0xFC, 0xFD, 0xFE}),
                    ExpectOneOf(r, 3, {0xF0, 0xF1, 0xF2, 0xF3, 0xF4}), Expect(r, 4, 0x02),
                    ExpectEach(r, 5, 8, 0x00), ExpectEach(r, 11, 29, 0x00), Expect(r, 29, 0xFF)});
}

Reason CheckCallerRecord(Record r)
{
    return FirstOf({ExpectOneOf(r, 0, {0x55, 0x5A}), ExpectEach(r, 85, 100, 0xFF)});
}

Reason CheckHandheldSettingsRecord(Record r)
{
    return FirstOf(
        {ExpectIn(r, 0, 0, 1), ExpectIn(r, 1, 0, 1), ExpectIn(r, 82, 0, 1), ExpectIn(r, 83, 0, 1)});
}

Reason CheckHandheldMatchRecord(Record r)
{
    return ExpectEach(r, 3, 6, 0xFF);
}

Reason CheckNetworkRecord(Record r)
{
    if (r[0] == 0x00)
        return ExpectEach(r, 1, 40, 0xFF); // the network function is off: nothing else is sent
    return FirstOf(
        {ExpectOneOf(r, 0, {0x00, 0x01}), ExpectIn(r, 1, 1, 2), ExpectEach(r, 32, 40, 0xFF)});
}

// The interval's tens may pass '9' (the tool takes intervals up to 999); its units cannot.
Reason CheckLw21Record(Record r)
{
    return FirstOf(
        {ExpectDigit(r, 0, 9), ExpectDigit(r, 2, 9), ExpectDigit(r, 3, 7), Expect(r, 4, 0x5A)});
}

Reason CheckLw3Record(Record r)
{
    return FirstOf({ExpectDigit(r, 0, 9), ExpectDigit(r, 1, 9), ExpectDigit(r, 2, 9),
                    ExpectDigit(r, 4, 9), ExpectDigit(r, 5, 7), Expect(r, 6, 0x5A)});
}

// Three address bytes, then the time as six digits "%H%M%S", then "#时" in GBK.
Reason CheckClockPayload(Record r)
{
    return FirstOf({ExpectDigit(r, 3, 9), ExpectDigit(r, 4, 9), ExpectDigit(r, 5, 9),
                    ExpectDigit(r, 6, 9), ExpectDigit(r, 7, 9), ExpectDigit(r, 8, 9),
                    Expect(r, 9, 0x23), Expect(r, 10, 0xCA), Expect(r, 11, 0xB1)});
}

Reason CheckAddressMessage(Record r)
{
    const int address = (r[0] << 16) | (r[1] << 8) | r[2];
    if (address < 8 || address > 2097152)
        return "bytes 0-2 give the address " + std::to_string(address) + ", expected 8 to 2097152";
    return FirstOf({ExpectOneOf(r, 3, {0xF8, 0xF9, 0xFA, 0xFC, 0xFD, 0xFE}), ExpectIn(r, 4, 0, 1)});
}

} // namespace

// --- what the host accepts, command by command ---------------------------------------------------

struct SimCommandRule
{
    enum class Transfer
    {
        Single,       // one frame, one answer
        Download,     // numbered packets, one acknowledgement after the last
        NetworkFrame, // one frame in the packet layout (N = 1, i = 1), one answer
    };
    std::uint8_t command;
    Transfer transfer;
    std::uint8_t readBack; // the read-back command that returns what it left; 0 for none
    // Single commands: the payload bytes the frame carries. Downloads and the network frame:
    // the bytes of one record.
    std::size_t size;
    // Downloads of whole records: the most bytes they carry; 0 for exactly one record.
    std::size_t maxBytes;
    // Bytes of 0xFF the frame is handed over with after its checksum (the rest of the report
    // is 0).
    std::size_t trailer;
    Reason (*check)(Record record); // the content of each record or payload; null: any bytes
};

namespace {

using SimTransfer = SimCommandRule::Transfer;

constexpr std::array<SimCommandRule, 17> kRules{{
    {0x60, SimTransfer::Single, 0, 0, 0, 0, nullptr},                  // initialise
    {0x62, SimTransfer::Single, 0, 12, 0, 0, CheckClockPayload},       // clock
    {0x63, SimTransfer::Download, 0x83, 17, 0, 0, CheckMachineRecord}, // machine
    {0x64, SimTransfer::Download, 0, 1, kMaxImageBytes, 0, nullptr},   // firmware
    {0x65, SimTransfer::Download, 0x84, 30, kMaxTableBytes, 0, CheckInfoMachineRecord},
    {0x66, SimTransfer::Download, 0x85, 100, kMaxTableBytes, 0, CheckCallerRecord},
    {0x67, SimTransfer::Download, 0x86, 164, 0, 0, CheckHandheldSettingsRecord},
    {0x68, SimTransfer::Download, 0x87, 6, kMaxTableBytes, 0, CheckHandheldMatchRecord},
    {0x69, SimTransfer::Download, 0x88, 15, 0, 0, CheckFrequencyRecord},   // frequencies
    {0x6A, SimTransfer::NetworkFrame, 0x89, 40, 0, 0, CheckNetworkRecord}, // network
    {0x6B, SimTransfer::Download, 0x8A, 5, 0, 0, CheckLw21Record},         // LW2/LW1
    {0x6C, SimTransfer::Download, 0x8B, 7, 0, 0, CheckLw3Record},          // LW3
    {0x82, SimTransfer::Single, 0, 0, 0, 0, nullptr},                      // version
    {0xB1, SimTransfer::Single, 0, 50, 0, 3, nullptr},                     // message by number
    {0xB2, SimTransfer::Single, 0, 53, 0, 0, CheckAddressMessage},         // by address
    {0xB3, SimTransfer::Single, 0, 0, 0, 0, nullptr},                      // preamble
    {0xD4, SimTransfer::Single, 0, 0, 0, 0, nullptr},                      // key code
}};

const SimCommandRule* RuleFor(std::uint8_t command)
{
    for (const SimCommandRule& rule : kRules) {
        if (rule.command == command)
            return &rule;
    }
    return nullptr;
}

const SimCommandRule* RuleReadBackBy(std::uint8_t readBack)
{
    for (const SimCommandRule& rule : kRules) {
        if (rule.readBack != 0 && rule.readBack == readBack)
            return &rule;
    }
    return nullptr;
}

std::string PayloadSizeReason(std::uint8_t command, std::size_t got, std::size_t expected)
{
    return ByteText(command) + " carries " + Count(got, "payload byte", "payload bytes") +
           ", expected " + (expected == 0 ? std::string("none") : std::to_string(expected));
}

// How many packets a download of the rule's sizes takes: from, to.
std::pair<std::size_t, std::size_t> PacketRange(const SimCommandRule& rule)
{
    const std::size_t most = rule.maxBytes != 0 ? rule.maxBytes : rule.size;
    return {(rule.size + kPacketData - 1) / kPacketData, (most + kPacketData - 1) / kPacketData};
}

Reason CheckDownloadSize(const SimCommandRule& rule, std::size_t size)
{
    const std::string command = ByteText(rule.command);
    if (rule.maxBytes == 0) {
        if (size != rule.size)
            return command + " record is " + Count(size, "byte", "bytes") + ", expected " +
                   std::to_string(rule.size);
        return std::nullopt;
    }
    if (size > rule.maxBytes)
        return command + " download is " + std::to_string(size) + " bytes, more than " +
               std::to_string(rule.maxBytes);
    if (size % rule.size != 0)
        return command + " table is " + Count(size, "byte", "bytes") + ", expected a multiple of " +
               std::to_string(rule.size);
    return std::nullopt;
}

Reason CheckRecords(const SimCommandRule& rule, std::span<const std::uint8_t> data)
{
    if (rule.check == nullptr)
        return std::nullopt;
    const std::size_t records = data.size() / rule.size;
    for (std::size_t i = 0; i < records; ++i) {
        if (Reason reason = rule.check(data.subspan(i * rule.size, rule.size))) {
            std::string where = ByteText(rule.command) + " record";
            if (records > 1 || rule.maxBytes != 0)
                where += " " + std::to_string(i + 1);
            return where + ": " + *reason;
        }
    }
    return std::nullopt;
}

// --- faults
// ---------------------------------------------------------------------------------------

enum class FaultArgument
{
    None,
    Positive, // 1 and above
    Byte,     // 0 to 255
};

struct FaultName
{
    SimFault::Kind kind;
    std::string_view text;
    FaultArgument argument;
    SimFaultHelpLine help;
};

constexpr std::array<FaultName, 13> kFaultNames{{
    {SimFault::Kind::None,
     "none",
     FaultArgument::None,
     {"none", "no fault: the host answers as it should"}},
    {SimFault::Kind::Silent, "silent", FaultArgument::None, {"silent", "no answer to anything"}},
    {SimFault::Kind::BadChecksum,
     "bad-checksum",
     FaultArgument::None,
     {"bad-checksum", "every answer carries a wrong checksum"}},
    {SimFault::Kind::StaleAnswer,
     "stale-answer",
     FaultArgument::None,
     {"stale-answer",
      "an answer for another command comes before each answer to a single command"}},
    {SimFault::Kind::UnplugAt,
     "unplug-at",
     FaultArgument::Positive,
     {"unplug-at:K", "unplugged when download packet K arrives or read-back packet K is due"}},
    {SimFault::Kind::ShortPacket,
     "short-packet",
     FaultArgument::Positive,
     {"short-packet:K", "read-back packet K (not the last) carries 20 data bytes instead of 54"}},
    {SimFault::Kind::LongPacket,
     "long-packet",
     FaultArgument::Positive,
     {"long-packet:K", "read-back packet K announces L = 60, more than a report holds"}},
    {SimFault::Kind::SilentAfter,
     "silent-after",
     FaultArgument::Positive,
     {"silent-after:K", "read-back packets after K never come; downloads are not acknowledged"}},
    {SimFault::Kind::Nak,
     "nak",
     FaultArgument::None,
     {"nak", "every command is refused: answered with 0xA5 instead of 0x5A, nothing kept"}},
    {SimFault::Kind::FailWrites,
     "fail-writes",
     FaultArgument::Positive,
     {"fail-writes:N", "the next N writes to the host fail"}},
    {SimFault::Kind::WrongAck,
     "wrong-ack",
     FaultArgument::None,
     {"wrong-ack", "a download's acknowledgement names another command"}},
    {SimFault::Kind::WrongFirstReadBack,
     "wrong-first-readback",
     FaultArgument::None,
     {"wrong-first-readback", "an answer for another command comes first in every read-back"}},
    {SimFault::Kind::AnswerLength,
     "answer-length",
     FaultArgument::Byte,
     {"answer-length:L", "answers and acknowledgements announce L payload bytes (58 fits; 59 "
                         "and more leave no room for the checksum)"}},
}};

constexpr std::array<SimFaultHelpLine, kFaultNames.size()> kFaultHelp = [] {
    std::array<SimFaultHelpLine, kFaultNames.size()> lines{};
    for (std::size_t i = 0; i < kFaultNames.size(); ++i)
        lines[i] = kFaultNames[i].help;
    return lines;
}();

std::optional<int> ParseNumber(std::string_view digits, int low, int high)
{
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<SimFault> ParseSimFault(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const FaultName& entry : kFaultNames) {
        if (entry.text != name)
            continue;
        if (entry.argument == FaultArgument::None)
            return colon == std::string_view::npos ? std::optional(SimFault{entry.kind, 0})
                                                   : std::nullopt;
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::optional<int> number =
            entry.argument == FaultArgument::Byte
                ? ParseNumber(text.substr(colon + 1), 0, 0xFF)
                : ParseNumber(text.substr(colon + 1), 1, std::numeric_limits<int>::max());
        if (!number)
            return std::nullopt;
        return SimFault{entry.kind, *number};
    }
    return std::nullopt;
}

std::optional<Bytes> MakeKeyPress(const std::string& codeHex, const std::string& status,
                                  std::string& error)
{
    const auto code = ParseHex(codeHex);
    if (!code || code->empty() || code->size() >= kMaxSimAnswerPayload) {
        error = "the code must be hexadecimal digits in pairs, like 123451, at most " +
                std::to_string(kMaxSimAnswerPayload - 1) + " bytes";
        return std::nullopt;
    }
    std::string upper = status;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper != "55" && upper != "5A" && upper != "66") {
        error = "the status must be 55, 5A or 66";
        return std::nullopt;
    }
    Bytes press = *ParseHex(upper);
    press.insert(press.end(), code->begin(), code->end());
    return press;
}

std::string FormatSimFault(const SimFault& fault)
{
    for (const FaultName& entry : kFaultNames) {
        if (entry.kind == fault.kind) {
            std::string text(entry.text);
            if (entry.argument != FaultArgument::None)
                text += ":" + std::to_string(fault.packet);
            return text;
        }
    }
    return "none";
}

std::span<const SimFaultHelpLine> SimFaultHelp()
{
    return kFaultHelp;
}

std::optional<std::uint8_t> ReadBackCommandFor(std::uint8_t downloadCommand)
{
    const SimCommandRule* rule = RuleFor(downloadCommand);
    if (rule == nullptr || rule->readBack == 0)
        return std::nullopt;
    return rule->readBack;
}

std::optional<std::uint8_t> DownloadCommandFor(std::uint8_t readBackCommand)
{
    const SimCommandRule* rule = RuleReadBackBy(readBackCommand);
    if (rule == nullptr)
        return std::nullopt;
    return rule->command;
}

// --- the host
// -------------------------------------------------------------------------------------

SimHost::SimHost(SimHostState state) : state_(std::move(state)) {}

SimHostState& SimHost::Change()
{
    changes_ |= kStateChanged;
    return state_;
}

void SimHost::ReplaceState(SimHostState state)
{
    if (changes_ & kRefused)
        state.lastRefusal = state_.lastRefusal;
    if (!state.plugged) {
        // Unplugged elsewhere: a host without power forgets what it was in the middle of.
        transfer_.reset();
        outgoing_.clear();
        keyRequestWaiting_ = false;
    }
    state_ = std::move(state);
}

std::vector<std::string> SimHost::TakeCapture()
{
    std::vector<std::string> lines(capture_.begin() + static_cast<std::ptrdiff_t>(captureTaken_),
                                   capture_.end());
    captureTaken_ = capture_.size();
    return lines;
}

bool SimHost::OnOutputReport(const Report& report)
{
    if (state_.fault.kind == SimFault::Kind::FailWrites && state_.fault.packet > 0) {
        SimHostState& state = Change();
        if (--state.fault.packet == 0)
            state.fault = {};
        return false;
    }
    capture_.push_back("Write:" + HexString(report));
    if (state_.fault.kind == SimFault::Kind::Silent)
        return true;
    // The tool has moved on: a key press queued from now on is not the answer it waited for.
    keyRequestWaiting_ = false;

    if (report[0] != 0) {
        Reject("report id " + ByteText(report[0]) + " instead of 0x00");
        return true;
    }
    if (report[1] != 0x55 || report[2] != 0xAA) {
        Reject("report starts " + ByteText(report[1]) + " " + ByteText(report[2]) +
               " instead of 0x55 0xAA");
        return true;
    }
    if (report[kOutStart] != kRequestStart) {
        Reject("start byte " + ByteText(report[kOutStart]) + " instead of 0x01");
        return true;
    }
    const std::uint8_t command = report[kOutCommand];
    const std::size_t length = report[kOutLength];
    if (length > kMaxFrameLength) {
        Reject(ByteText(command) + " announces " + std::to_string(length) +
               " payload bytes, more than 58");
        return true;
    }
    const std::size_t checksumAt = kOutPayload + length;
    const std::uint8_t expected =
        OnesComplementOfSum(std::span(report).subspan(kOutStart, 3 + length));
    if (report[checksumAt] != expected) {
        Reject("checksum " + ByteText(report[checksumAt]) + " of " + ByteText(command) +
               " instead of " + ByteText(expected));
        return true;
    }

    const SimCommandRule* rule = RuleFor(command);
    const SimCommandRule* readBackOf = rule == nullptr ? RuleReadBackBy(command) : nullptr;
    if (rule == nullptr && readBackOf == nullptr) {
        Reject("unknown command " + ByteText(command));
        return true;
    }
    // After the frame the report is 0, but for the 0xFF bytes a frame is handed over with.
    const std::size_t trailer = rule != nullptr ? rule->trailer : 0;
    for (std::size_t at = checksumAt + 1; at < report.size(); ++at) {
        const std::uint8_t want = at <= checksumAt + trailer ? 0xFF : 0x00;
        if (report[at] != want) {
            Reject(ByteText(command) + " report byte " + std::to_string(at) +
                   " after the frame is " + ByteText(report[at]) + ", expected " + ByteText(want));
            return true;
        }
    }

    const std::span<const std::uint8_t> payload = std::span(report).subspan(kOutPayload, length);
    if (readBackOf != nullptr) {
        if (!payload.empty()) {
            Reject(PayloadSizeReason(command, payload.size(), 0));
            return true;
        }
        OnReadBackRequest(command);
        return true;
    }
    switch (rule->transfer) {
    case SimTransfer::Download:
        OnDownloadPacket(*rule, payload);
        break;
    case SimTransfer::NetworkFrame:
        OnNetworkFrame(*rule, payload);
        break;
    case SimTransfer::Single:
        if (payload.size() != rule->size) {
            Reject(PayloadSizeReason(command, payload.size(), rule->size));
            break;
        }
        if (rule->check != nullptr) {
            if (const Reason reason = rule->check(payload)) {
                Reject(ByteText(command) + " payload: " + *reason);
                break;
            }
        }
        OnSingleCommand(command, payload);
        break;
    }
    return true;
}

void SimHost::OnSingleCommand(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    if (state_.fault.kind == SimFault::Kind::Nak) {
        AnswerSingle(command, Bytes{kRefusal});
        return;
    }
    const Bytes received(payload.begin(), payload.end());
    switch (command) {
    case 0x60:
        ++Change().initialiseCount;
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0x62:
        Change().lastClock = received;
        state_.messages.push_back(received);
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0x82: {
        Bytes text(kVersionLength, 0xFF);
        std::copy_n(state_.version.begin(), std::min(state_.version.size(), kVersionLength),
                    text.begin());
        AnswerSingle(command, text);
        return;
    }
    case 0xB1:
        Change().messages.push_back(received);
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0xB2:
        Change().messages.push_back(received);
        AnswerSingle(command, Bytes{state_.b2Result});
        return;
    case 0xB3:
        ++Change().preambleCount;
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0xD4:
        // With no key press queued the host waits: a press queued while the tool still waits
        // for this answer is sent then.
        if (!state_.presses.empty())
            AnswerKeyRequest();
        else
            keyRequestWaiting_ = true;
        return;
    default:
        return;
    }
}

void SimHost::AnswerKeyRequest()
{
    const Bytes press = std::move(Change().presses.front());
    state_.presses.pop_front();
    AnswerSingle(0xD4, press);
}

void SimHost::OnNetworkFrame(const SimCommandRule& rule, std::span<const std::uint8_t> payload)
{
    const std::string command = ByteText(rule.command);
    if (payload.size() < kPacketHeader || BigEndian16(payload.subspan(0, 2)) != 1 ||
        BigEndian16(payload.subspan(2, 2)) != 1) {
        Reject(command + " frame is not packet 1 of 1");
        return;
    }
    const std::span<const std::uint8_t> record = payload.subspan(kPacketHeader);
    if (Reason reason = CheckDownloadSize(rule, record.size())) {
        Reject(*reason);
        return;
    }
    if (Reason reason = CheckRecords(rule, record)) {
        Reject(*reason);
        return;
    }
    if (state_.fault.kind == SimFault::Kind::Nak) {
        AnswerSingle(rule.command, Bytes{kRefusal});
        return;
    }
    Change().tables[rule.command] = Bytes(record.begin(), record.end());
    AnswerSingle(rule.command, Bytes{kAccepted});
}

void SimHost::OnDownloadPacket(const SimCommandRule& rule, std::span<const std::uint8_t> payload)
{
    const std::uint8_t command = rule.command;
    const std::string what = ByteText(command) + " download";
    if (payload.size() < kPacketHeader + 1) {
        BreakTransfer(what + " packet of " + std::to_string(payload.size()) +
                      " bytes, fewer than 5");
        return;
    }
    const int count = BigEndian16(payload.subspan(0, 2));
    const int index = BigEndian16(payload.subspan(2, 2));
    const std::string packet =
        what + " packet " + std::to_string(index) + "/" + std::to_string(count);

    if (state_.fault.kind == SimFault::Kind::UnplugAt && index == state_.fault.packet) {
        PullPlug();
        return;
    }
    if (count < 1) {
        BreakTransfer(packet + ": no packets announced");
        return;
    }
    if (index == 1) {
        transfer_ = Transfer{command, count, 0, {}, false};
        const auto [fewest, most] = PacketRange(rule);
        if (static_cast<std::size_t>(count) < fewest || static_cast<std::size_t>(count) > most) {
            BreakTransfer(
                what + " announces " + Count(static_cast<std::size_t>(count), "packet", "packets") +
                ", expected " +
                (fewest == most ? std::to_string(fewest)
                                : std::to_string(fewest) + " to " + std::to_string(most)));
            if (count == 1)
                transfer_.reset(); // nothing more of it will come
            return;
        }
    } else if (!transfer_) {
        Reject(packet + " without packet 1");
        return;
    } else if (transfer_->broken) {
        // Logged, but the reason that refused the transfer stays the one shown.
        rejections_.push_back(packet + " of a transfer already refused");
        capture_.push_back("Refused: " + rejections_.back());
        if (index >= transfer_->count)
            transfer_.reset();
        return;
    }
    // A refused packet that was the transfer's last ends it: nothing more of it will come.
    const auto refuse = [&](std::string reason) {
        BreakTransfer(std::move(reason));
        if (index >= transfer_->count)
            transfer_.reset();
    };
    if (command != transfer_->command) {
        refuse(packet + " inside a transfer of " + ByteText(transfer_->command));
        return;
    }
    if (count != transfer_->count) {
        refuse(packet + " after " + std::to_string(transfer_->count) + " packets were announced");
        return;
    }
    if (index != transfer_->received + 1) {
        refuse(packet + " after packet " + std::to_string(transfer_->received));
        return;
    }
    if (index < count && payload.size() != kPacketHeader + kPacketData) {
        refuse(packet + " carries " + std::to_string(payload.size() - kPacketHeader) +
               " data bytes; only the last may carry fewer than 54");
        return;
    }

    transfer_->data.insert(transfer_->data.end(), payload.begin() + kPacketHeader, payload.end());
    transfer_->received = index;
    if (index == count)
        FinishDownload(rule);
}

void SimHost::FinishDownload(const SimCommandRule& rule)
{
    Bytes data = std::move(transfer_->data);
    transfer_.reset();
    if (Reason reason = CheckDownloadSize(rule, data.size())) {
        Reject(*reason);
        return;
    }
    if (Reason reason = CheckRecords(rule, data)) {
        Reject(*reason);
        return;
    }
    switch (state_.fault.kind) {
    case SimFault::Kind::Nak:
        Queue(MakeReply(rule.command, Bytes{kRefusal}));
        return;
    case SimFault::Kind::SilentAfter:
        Change().tables[rule.command] = std::move(data);
        return;
    case SimFault::Kind::WrongAck:
        Change().tables[rule.command] = std::move(data);
        // Flipping the lowest bit always names another command.
        Queue(MakeReply(static_cast<std::uint8_t>(rule.command ^ 0x01), Bytes{kAccepted}));
        return;
    default:
        Change().tables[rule.command] = std::move(data);
        Queue(MakeReply(rule.command, Bytes{kAccepted}));
        return;
    }
}

void SimHost::OnReadBackRequest(std::uint8_t command)
{
    if (state_.fault.kind == SimFault::Kind::Nak) {
        Queue(MakeReply(command, Bytes{kRefusal}));
        return;
    }
    static const Bytes kNothing;
    const auto found = state_.tables.find(*DownloadCommandFor(command));
    const Bytes& table = found != state_.tables.end() ? found->second : kNothing;
    const std::size_t count =
        std::max<std::size_t>(1, (table.size() + kPacketData - 1) / kPacketData);
    if (count > kMaxPackets) {
        Reject("read-back " + ByteText(command) + " of " + std::to_string(table.size()) +
               " bytes needs more packets than two bytes can count");
        return;
    }

    const SimFault fault = state_.fault;
    const auto faultAt = [&](SimFault::Kind kind, std::size_t index) {
        return fault.kind == kind && index == static_cast<std::size_t>(fault.packet);
    };
    const auto tableAt = [&](std::size_t at) {
        return at < table.size() ? table[at] : std::uint8_t{0xFF};
    };
    for (std::size_t index = 1; index <= count; ++index) {
        if (faultAt(SimFault::Kind::UnplugAt, index)) {
            // The plug is pulled when the tool comes for this packet, so the packets before
            // it still reach the tool.
            outgoing_.push_back(Outgoing{{}, true});
            return;
        }
        if (fault.kind == SimFault::Kind::SilentAfter &&
            index > static_cast<std::size_t>(fault.packet))
            return;

        const std::size_t offset = (index - 1) * kPacketData;
        if (faultAt(SimFault::Kind::LongPacket, index)) {
            std::array<std::uint8_t, kReportDataSize> data{};
            data[0] = 0x55;
            data[1] = 0xAA;
            data[kInStart] = kAnswerStart;
            data[kInCommand] = command;
            data[kInLength] = static_cast<std::uint8_t>(kLongPacketLength);
            PutBigEndian16(&data[kInPayload], count);
            PutBigEndian16(&data[kInPayload + 2], index);
            for (std::size_t at = kInPayload + kPacketHeader; at < data.size(); ++at)
                data[at] = tableAt(offset + at - kInPayload - kPacketHeader);
            Queue(data);
            continue;
        }

        std::size_t size = std::min(kPacketData, table.size() - std::min(offset, table.size()));
        if (faultAt(SimFault::Kind::ShortPacket, index) && index < count)
            size = std::min(size, kShortPacketData);
        Bytes payload(kPacketHeader + size);
        PutBigEndian16(&payload[0], count);
        PutBigEndian16(&payload[2], index);
        std::copy_n(table.begin() + static_cast<std::ptrdiff_t>(offset), size,
                    payload.begin() + kPacketHeader);
        if (index == 1 && fault.kind == SimFault::Kind::WrongFirstReadBack)
            Queue(MakeAnswer(static_cast<std::uint8_t>(command ^ 0x01), payload));
        Queue(MakeAnswer(command, payload));
    }
}

std::array<std::uint8_t, kReportDataSize> SimHost::MakeAnswer(std::uint8_t command,
                                                              const Bytes& payload) const
{
    const std::size_t length = std::min(payload.size(), kMaxFrameLength);
    std::array<std::uint8_t, kReportDataSize> data{};
    data[0] = 0x55;
    data[1] = 0xAA;
    data[kInStart] = kAnswerStart;
    data[kInCommand] = command;
    data[kInLength] = static_cast<std::uint8_t>(length);
    std::copy_n(payload.begin(), length, data.begin() + kInPayload);
    std::uint8_t checksum = OnesComplementOfSum(std::span(data).subspan(kInStart, 3 + length));
    if (state_.fault.kind == SimFault::Kind::BadChecksum)
        checksum ^= 0xFF;
    data[kInPayload + length] = checksum;
    return data;
}

std::array<std::uint8_t, kReportDataSize> SimHost::MakeReply(std::uint8_t command,
                                                             const Bytes& payload) const
{
    if (state_.fault.kind != SimFault::Kind::AnswerLength)
        return MakeAnswer(command, payload);
    // The payload padded with 0xFF (or cut) to L; above 58 it runs to the end of the report
    // and no checksum fits.
    const std::size_t announced = static_cast<std::size_t>(state_.fault.packet);
    std::array<std::uint8_t, kReportDataSize> data{};
    data[0] = 0x55;
    data[1] = 0xAA;
    data[kInStart] = kAnswerStart;
    data[kInCommand] = command;
    data[kInLength] = static_cast<std::uint8_t>(announced);
    const std::size_t carried = std::min(announced, data.size() - kInPayload);
    for (std::size_t i = 0; i < carried; ++i)
        data[kInPayload + i] = i < payload.size() ? payload[i] : std::uint8_t{0xFF};
    if (announced <= kMaxFrameLength)
        data[kInPayload + announced] =
            OnesComplementOfSum(std::span(data).subspan(kInStart, 3 + announced));
    return data;
}

void SimHost::AnswerSingle(std::uint8_t command, const Bytes& payload)
{
    if (state_.fault.kind == SimFault::Kind::StaleAnswer) {
        // Flipping the lowest bit always names another command.
        Queue(MakeAnswer(static_cast<std::uint8_t>(command ^ 0x01), Bytes{kAccepted}));
    }
    Queue(MakeReply(command, payload));
}

void SimHost::Queue(const std::array<std::uint8_t, kReportDataSize>& data)
{
    outgoing_.push_back(Outgoing{data, false});
}

void SimHost::Reject(std::string reason)
{
    capture_.push_back("Refused: " + reason);
    state_.lastRefusal = reason;
    rejections_.push_back(std::move(reason));
    changes_ |= kRefused;
}

void SimHost::BreakTransfer(std::string reason)
{
    Reject(std::move(reason));
    if (transfer_)
        transfer_->broken = true;
}

void SimHost::PullPlug()
{
    // A host that loses power forgets the transfer it was in and what it had yet to send.
    SimHostState& state = Change();
    state.fault = {};
    state.plugged = false;
    transfer_.reset();
    outgoing_.clear();
    keyRequestWaiting_ = false;
    if (unplug_)
        unplug_();
}

bool SimHost::NextInputReport(std::array<std::uint8_t, kReportDataSize>& data)
{
    if (state_.fault.kind == SimFault::Kind::Silent)
        return false;
    if (outgoing_.empty() && keyRequestWaiting_ && !state_.presses.empty()) {
        keyRequestWaiting_ = false;
        AnswerKeyRequest();
    }
    if (outgoing_.empty())
        return false;
    const Outgoing next = outgoing_.front();
    outgoing_.pop_front();
    if (next.unplug) {
        PullPlug();
        return false;
    }
    data = next.data;
    capture_.push_back("Read :00" + HexString(data));
    return true;
}

} // namespace px
