#include "sim/SimHost.h"

#include "common/Hex.h"
#include "sim/SimCommandRules.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <initializer_list>
#include <limits>
#include <utility>

namespace px {

using namespace simhost;

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

// --- the host
// -------------------------------------------------------------------------------------

SimHost::SimHost(SimHostState state) : state_(std::move(state)) {}

SimHostState& SimHost::StateToChange()
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
        SimHostState& state = StateToChange();
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
        ++StateToChange().initialiseCount;
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0x62:
        StateToChange().lastClock = received;
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
        StateToChange().messages.push_back(received);
        AnswerSingle(command, Bytes{kAccepted});
        return;
    case 0xB2:
        StateToChange().messages.push_back(received);
        AnswerSingle(command, Bytes{state_.b2Result});
        return;
    case 0xB3:
        ++StateToChange().preambleCount;
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
    const Bytes press = std::move(StateToChange().presses.front());
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
    StateToChange().tables[rule.command] = Bytes(record.begin(), record.end());
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
        StateToChange().tables[rule.command] = std::move(data);
        return;
    case SimFault::Kind::WrongAck:
        StateToChange().tables[rule.command] = std::move(data);
        // Flipping the lowest bit always names another command.
        Queue(MakeReply(static_cast<std::uint8_t>(rule.command ^ 0x01), Bytes{kAccepted}));
        return;
    default:
        StateToChange().tables[rule.command] = std::move(data);
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
    SimHostState& state = StateToChange();
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
