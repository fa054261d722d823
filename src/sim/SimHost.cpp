#include "sim/SimHost.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace px {

namespace {

constexpr std::uint8_t kRequestStart = 0x01;
constexpr std::uint8_t kAnswerStart = 0x02;
constexpr std::uint8_t kAccepted = 0x5A;
constexpr std::size_t kMaxFrameLength = 58;
constexpr std::size_t kPacketData = 54;
constexpr std::size_t kPacketHeader = 4; // N and i, two bytes each
constexpr std::size_t kShortPacketData = 20;
constexpr std::size_t kLongPacketLength = 60;
constexpr std::size_t kVersionLength = 15;
constexpr std::size_t kClockLength = 12;
constexpr std::size_t kMaxPackets = 0xFFFF; // N travels in two bytes

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

struct CommandPair
{
    std::uint8_t download;
    std::uint8_t readBack;
};

constexpr std::array<CommandPair, 9> kReadBackPairs{{
    {0x63, 0x83},
    {0x65, 0x84},
    {0x66, 0x85},
    {0x67, 0x86},
    {0x68, 0x87},
    {0x69, 0x88},
    {0x6A, 0x89},
    {0x6B, 0x8A},
    {0x6C, 0x8B},
}};

// 0x6A is missing on purpose: the network record comes as one plain frame.
bool IsPacketDownload(std::uint8_t command)
{
    switch (command) {
    case 0x63:
    case 0x64:
    case 0x65:
    case 0x66:
    case 0x67:
    case 0x68:
    case 0x69:
    case 0x6B:
    case 0x6C:
        return true;
    default:
        return false;
    }
}

template <typename Range> std::string HexOf(const Range& bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

std::string ByteText(std::uint8_t byte)
{
    return "0x" + HexOf(std::array<std::uint8_t, 1>{byte});
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

std::optional<int> ParsePositive(std::string_view digits)
{
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value < 1)
        return std::nullopt;
    return value;
}

struct FaultName
{
    SimFault::Kind kind;
    std::string_view text;
    bool takesPacket;
};

constexpr std::array<FaultName, 8> kFaultNames{{
    {SimFault::Kind::None, "none", false},
    {SimFault::Kind::Silent, "silent", false},
    {SimFault::Kind::BadChecksum, "bad-checksum", false},
    {SimFault::Kind::StaleAnswer, "stale-answer", false},
    {SimFault::Kind::UnplugAt, "unplug-at", true},
    {SimFault::Kind::ShortPacket, "short-packet", true},
    {SimFault::Kind::LongPacket, "long-packet", true},
    {SimFault::Kind::SilentAfter, "silent-after", true},
}};

} // namespace

std::optional<SimFault> ParseSimFault(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const FaultName& entry : kFaultNames) {
        if (entry.text != name)
            continue;
        if (!entry.takesPacket)
            return colon == std::string_view::npos ? std::optional(SimFault{entry.kind, 0})
                                                   : std::nullopt;
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::optional<int> packet = ParsePositive(text.substr(colon + 1));
        if (!packet)
            return std::nullopt;
        return SimFault{entry.kind, *packet};
    }
    return std::nullopt;
}

std::string FormatSimFault(const SimFault& fault)
{
    for (const FaultName& entry : kFaultNames) {
        if (entry.kind == fault.kind) {
            std::string text(entry.text);
            if (entry.takesPacket)
                text += ":" + std::to_string(fault.packet);
            return text;
        }
    }
    return "none";
}

std::optional<std::uint8_t> ReadBackCommandFor(std::uint8_t downloadCommand)
{
    for (const CommandPair& pair : kReadBackPairs) {
        if (pair.download == downloadCommand)
            return pair.readBack;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> DownloadCommandFor(std::uint8_t readBackCommand)
{
    for (const CommandPair& pair : kReadBackPairs) {
        if (pair.readBack == readBackCommand)
            return pair.download;
    }
    return std::nullopt;
}

SimHost::SimHost(SimHostState state) : state_(std::move(state)) {}

std::vector<std::string> SimHost::TakeCapture()
{
    std::vector<std::string> lines(capture_.begin() + static_cast<std::ptrdiff_t>(captureTaken_),
                                   capture_.end());
    captureTaken_ = capture_.size();
    return lines;
}

void SimHost::OnOutputReport(const Report& report)
{
    capture_.push_back("Write:" + HexOf(report));
    if (state_.fault.kind == SimFault::Kind::Silent)
        return;

    if (report[0] != 0) {
        Reject("report id " + ByteText(report[0]) + " instead of 0x00");
        return;
    }
    if (report[1] != 0x55 || report[2] != 0xAA) {
        Reject("report starts " + ByteText(report[1]) + " " + ByteText(report[2]) +
               " instead of 0x55 0xAA");
        return;
    }
    if (report[kOutStart] != kRequestStart) {
        Reject("start byte " + ByteText(report[kOutStart]) + " instead of 0x01");
        return;
    }
    const std::uint8_t command = report[kOutCommand];
    const std::size_t length = report[kOutLength];
    if (length > kMaxFrameLength) {
        Reject("command " + ByteText(command) + " announces " + std::to_string(length) +
               " payload bytes, more than 58");
        return;
    }
    const std::uint8_t expected =
        OnesComplementOfSum(std::span(report).subspan(kOutStart, 3 + length));
    if (report[kOutPayload + length] != expected) {
        Reject("checksum " + ByteText(report[kOutPayload + length]) + " of command " +
               ByteText(command) + " instead of " + ByteText(expected));
        return;
    }

    const std::span<const std::uint8_t> payload = std::span(report).subspan(kOutPayload, length);
    if (IsPacketDownload(command)) {
        OnDownloadPacket(command, payload);
    } else if (DownloadCommandFor(command)) {
        if (!payload.empty()) {
            Reject("read-back request " + ByteText(command) + " with " +
                   std::to_string(payload.size()) + " payload bytes instead of none");
            return;
        }
        OnReadBackRequest(command);
    } else {
        OnSingleCommand(command, payload);
    }
}

void SimHost::OnSingleCommand(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    const Bytes received(payload.begin(), payload.end());
    switch (command) {
    case 0x60:
        ++state_.initialiseCount;
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0x62:
        if (payload.size() != kClockLength) {
            Reject("clock with " + std::to_string(payload.size()) + " bytes instead of 12");
            return;
        }
        state_.lastClock = received;
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
        state_.messages.push_back(received);
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0xB2:
        state_.messages.push_back(received);
        AnswerSingle(command, Bytes{state_.b2Result});
        return;
    case 0xB3:
        ++state_.preambleCount;
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0xD4:
        // With no key press waiting the host stays quiet and the tool times out.
        if (!state_.presses.empty()) {
            const Bytes press = std::move(state_.presses.front());
            state_.presses.pop_front();
            AnswerSingle(command, press);
        }
        return;
    case 0x6A:
        // One frame in the packet layout: N = 1, i = 1, then the 40 record bytes.
        if (received.size() < kPacketHeader || received[0] != 0 || received[1] != 1 ||
            received[2] != 0 || received[3] != 1) {
            Reject("network record not framed as packet 1 of 1");
            return;
        }
        state_.tables[command] = Bytes(received.begin() + kPacketHeader, received.end());
        AnswerSingle(command, Bytes{kAccepted});
        return;
    default:
        Reject("unknown command " + ByteText(command));
        return;
    }
}

void SimHost::OnDownloadPacket(std::uint8_t command, std::span<const std::uint8_t> payload)
{
    const std::string what = "download " + ByteText(command);
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
    } else if (!transfer_) {
        Reject(packet + " without packet 1");
        return;
    } else if (transfer_->broken) {
        Reject(packet + " of a transfer already refused");
        return;
    } else if (command != transfer_->command) {
        BreakTransfer(packet + " inside a transfer of " + ByteText(transfer_->command));
        return;
    } else if (count != transfer_->count) {
        BreakTransfer(packet + " after " + std::to_string(transfer_->count) +
                      " packets were announced");
        return;
    } else if (index != transfer_->received + 1) {
        BreakTransfer(packet + " after packet " + std::to_string(transfer_->received));
        return;
    }
    if (index < count && payload.size() != kPacketHeader + kPacketData) {
        BreakTransfer(packet + " carries " + std::to_string(payload.size() - kPacketHeader) +
                      " data bytes; only the last may carry fewer than 54");
        return;
    }

    transfer_->data.insert(transfer_->data.end(), payload.begin() + kPacketHeader, payload.end());
    transfer_->received = index;
    if (index < count)
        return;

    state_.tables[command] = std::move(transfer_->data);
    transfer_.reset();
    if (state_.fault.kind != SimFault::Kind::SilentAfter)
        Queue(MakeAnswer(command, Bytes{kAccepted}));
}

void SimHost::OnReadBackRequest(std::uint8_t command)
{
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
        const auto tableAt = [&](std::size_t at) {
            return at < table.size() ? table[at] : std::uint8_t{0xFF};
        };
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

void SimHost::AnswerSingle(std::uint8_t command, const Bytes& payload)
{
    if (state_.fault.kind == SimFault::Kind::StaleAnswer) {
        // Flipping the lowest bit always names another command.
        Queue(MakeAnswer(static_cast<std::uint8_t>(command ^ 0x01), Bytes{kAccepted}));
    }
    Queue(MakeAnswer(command, payload));
}

void SimHost::Queue(const std::array<std::uint8_t, kReportDataSize>& data)
{
    outgoing_.push_back(Outgoing{data, false});
}

void SimHost::Reject(std::string reason)
{
    rejections_.push_back(std::move(reason));
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
    state_.fault = {};
    state_.plugged = false;
    transfer_.reset();
    outgoing_.clear();
    if (unplug_)
        unplug_();
}

bool SimHost::NextInputReport(std::array<std::uint8_t, kReportDataSize>& data)
{
    if (state_.fault.kind == SimFault::Kind::Silent || outgoing_.empty())
        return false;
    const Outgoing next = outgoing_.front();
    outgoing_.pop_front();
    if (next.unplug) {
        PullPlug();
        return false;
    }
    data = next.data;
    capture_.push_back("Read :00" + HexOf(data));
    return true;
}

} // namespace px
