#include "sim/SimCommandRules.h"

#include "common/Hex.h"

#include <algorithm>
#include <initializer_list>

namespace px::simhost {

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

namespace {

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

} // namespace

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

} // namespace px::simhost

namespace px {

std::optional<std::uint8_t> ReadBackCommandFor(std::uint8_t downloadCommand)
{
    const SimCommandRule* rule = simhost::RuleFor(downloadCommand);
    if (rule == nullptr || rule->readBack == 0)
        return std::nullopt;
    return rule->readBack;
}

std::optional<std::uint8_t> DownloadCommandFor(std::uint8_t readBackCommand)
{
    const SimCommandRule* rule = simhost::RuleReadBackBy(readBackCommand);
    if (rule == nullptr)
        return std::nullopt;
    return rule->command;
}

} // namespace px
