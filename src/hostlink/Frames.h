#pragma once

// The frame format spoken with the host. The report sent is: report id 0, 0x55 0xAA, then the
// frame (start byte 0x01, command, payload length L, payload, checksum). Answers come back as
// 0x55 0xAA, start byte 0x02, the answered command, L, payload, checksum.

#include "hostlink/HidBackend.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace px {

using Bytes = std::vector<std::uint8_t>;

namespace frame {

inline constexpr std::uint8_t kStartToHost = 0x01;
inline constexpr std::uint8_t kStartFromHost = 0x02;
inline constexpr std::size_t kMaxPayload = 58;
inline constexpr std::size_t kMaxFrame = kReportSize - 3; // after report id and 0x55 0xAA
inline constexpr std::size_t kPacketData = 54;
inline constexpr std::size_t kPacketHeader = 4;            // N and i, big-endian
inline constexpr std::size_t kAnswerPayloadOffset = 6;     // in the receive buffer
inline constexpr std::size_t kAnswerPacketDataOffset = 10; // data of a read-back packet
inline constexpr std::uint8_t kAcknowledge = 0x5A;

// One's complement of the 8-bit sum.
std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

// A frame with up to kMaxPayload payload bytes; empty when the payload is longer.
Bytes Build(std::uint8_t command, std::span<const std::uint8_t> payload);

// Packet i of N of a multi-packet download, carrying up to kPacketData data bytes.
Bytes BuildPacket(std::uint8_t command, std::uint16_t count, std::uint16_t number,
                  std::span<const std::uint8_t> data);

// The request that starts a multi-packet read-back.
Bytes BuildReadBackRequest(std::uint8_t command);

// Receive buffer begins 00 55 AA 02.
bool HasAnswerHeader(const Report& report);
// Receive buffer begins 00 55 AA 02 and carries the given command.
bool IsAnswerTo(const Report& report, std::uint8_t command);
// The answer's L fits the report and its checksum is right.
bool AnswerChecksumOk(const Report& report);
// The acknowledgement of a complete download of the given command.
bool IsAcknowledgement(const Report& report, std::uint8_t command);

// A data monitor line: the prefix, then the 65 bytes as %02X.
std::string FormatReportLine(std::string_view prefix, const Report& report);

} // namespace frame
} // namespace px
