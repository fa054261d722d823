#include "hostlink/Frames.h"

#include <numeric>

namespace px::frame {

std::uint8_t Checksum(std::span<const std::uint8_t> bytes)
{
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    return static_cast<std::uint8_t>(~sum & 0xFFu);
}

Bytes Build(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    if (payload.size() > kMaxPayload)
        return {};
    Bytes frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(kStartToHost);
    frame.push_back(command);
    frame.push_back(static_cast<std::uint8_t>(payload.size()));
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(Checksum(frame));
    return frame;
}

Bytes BuildPacket(std::uint8_t command, std::uint16_t count, std::uint16_t number,
                  std::span<const std::uint8_t> data)
{
    if (data.size() > kPacketData)
        return {};
    Bytes payload;
    payload.reserve(kPacketHeader + data.size());
    payload.push_back(static_cast<std::uint8_t>(count >> 8));
    payload.push_back(static_cast<std::uint8_t>(count & 0xFF));
    payload.push_back(static_cast<std::uint8_t>(number >> 8));
    payload.push_back(static_cast<std::uint8_t>(number & 0xFF));
    payload.insert(payload.end(), data.begin(), data.end());
    return Build(command, payload);
}

Bytes BuildReadBackRequest(std::uint8_t command)
{
    return Build(command, {});
}

bool HasAnswerHeader(const Report& report)
{
    return report[0] == 0x00 && report[1] == 0x55 && report[2] == 0xAA &&
           report[3] == kStartFromHost;
}

bool IsAnswerTo(const Report& report, std::uint8_t command)
{
    return HasAnswerHeader(report) && report[4] == command;
}

bool AnswerChecksumOk(const Report& report)
{
    const std::size_t length = report[5];
    const std::size_t checksumAt = kAnswerPayloadOffset + length;
    if (checksumAt >= report.size())
        return false;
    return Checksum(std::span(report.data() + 3, checksumAt - 3)) == report[checksumAt];
}

bool IsAcknowledgement(const Report& report, std::uint8_t command)
{
    return IsAnswerTo(report, command) && report[5] == 1 && report[6] == kAcknowledge &&
           AnswerChecksumOk(report);
}

std::string FormatReportLine(std::string_view prefix, const Report& report)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line(prefix);
    line.reserve(prefix.size() + report.size() * 2);
    for (std::uint8_t byte : report) {
        line += kHex[byte >> 4];
        line += kHex[byte & 0x0F];
    }
    return line;
}

} // namespace px::frame
