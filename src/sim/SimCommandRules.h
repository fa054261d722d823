#pragma once

// What the simulated host accepts, command by command: each command's transfer, its sizes and
// the content of its records, with the byte layouts its checks and its answers share. Written
// from the byte layouts alone; nothing here is shared with the tool's own frame building.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>

namespace px {

namespace simhost {

inline constexpr std::uint8_t kRequestStart = 0x01;
inline constexpr std::uint8_t kAnswerStart = 0x02;
inline constexpr std::uint8_t kAccepted = 0x5A;
inline constexpr std::uint8_t kRefusal = 0xA5;
inline constexpr std::size_t kMaxFrameLength = 58;
inline constexpr std::size_t kPacketData = 54;
inline constexpr std::size_t kPacketHeader = 4; // N and i, two bytes each
inline constexpr std::size_t kShortPacketData = 20;
inline constexpr std::size_t kLongPacketLength = 60;
inline constexpr std::size_t kVersionLength = 15;
inline constexpr std::size_t kMaxPackets = 0xFFFF; // N travels in two bytes
inline constexpr std::size_t kMaxTableBytes = kMaxPackets * kPacketData;
inline constexpr std::size_t kMaxImageBytes = 3'000'000; // what the tool's download buffer holds

// Report offsets of an output report (byte 0 is the report id).
inline constexpr std::size_t kOutStart = 3;
inline constexpr std::size_t kOutCommand = 4;
inline constexpr std::size_t kOutLength = 5;
inline constexpr std::size_t kOutPayload = 6;

// Offsets in the 64 data bytes of an input report.
inline constexpr std::size_t kInStart = 2;
inline constexpr std::size_t kInCommand = 3;
inline constexpr std::size_t kInLength = 4;
inline constexpr std::size_t kInPayload = 5;

std::string ByteText(std::uint8_t byte);
std::string Count(std::size_t n, const char* one, const char* many);
std::uint8_t OnesComplementOfSum(std::span<const std::uint8_t> bytes);
int BigEndian16(std::span<const std::uint8_t> bytes);
void PutBigEndian16(std::uint8_t* out, std::size_t value);

// Why a report or a record is refused; nothing when it is accepted.
using Reason = std::optional<std::string>;
using Record = std::span<const std::uint8_t>;

} // namespace simhost

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
    simhost::Reason (*check)(
        simhost::Record record); // the content of each record or payload; null: any bytes
};

namespace simhost {

using SimTransfer = SimCommandRule::Transfer;

// The rule of a command, or of the download a read-back command returns; nothing when the host
// knows no such command.
const SimCommandRule* RuleFor(std::uint8_t command);
const SimCommandRule* RuleReadBackBy(std::uint8_t readBack);
std::string PayloadSizeReason(std::uint8_t command, std::size_t got, std::size_t expected);
// How many packets a download of the rule's sizes takes: from, to.
std::pair<std::size_t, std::size_t> PacketRange(const SimCommandRule& rule);
Reason CheckDownloadSize(const SimCommandRule& rule, std::size_t size);
Reason CheckRecords(const SimCommandRule& rule, std::span<const std::uint8_t> data);

} // namespace simhost

} // namespace px
