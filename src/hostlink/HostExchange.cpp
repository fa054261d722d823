#include "hostlink/HostExchange.h"

#include "common/Utf8Path.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace px {

namespace {

constexpr std::uint8_t kInitialise = 0x60;
constexpr std::uint8_t kKeyCode = 0xD4;
constexpr std::uint8_t kAddressMessage = 0xB2;
constexpr std::uint8_t kFirmware = 0x64;
constexpr Rgb kMissingFileColour{56, 139, 30};

std::string PacketText(std::string_view caption, int count, int number)
{
    char text[96];
    std::snprintf(text, sizeof text, ",共有%d包数据,当前第%d包数据", count, number);
    return std::string(caption) + text + "正在发送.......";
}

} // namespace

HostExchange::HostExchange(HostLink& link, Clock& clock, DataMonitor& monitor,
                           ProgressSink& progress, std::string dataFolder)
    : link_(link), clock_(clock), monitor_(monitor), progress_(progress),
      dataFolder_(std::move(dataFolder))
{}

Notices HostExchange::TakeNotices()
{
    Notices taken = link_.TakeNotices();
    taken.Append(notices_);
    notices_ = {};
    return taken;
}

Outcome HostExchange::Conclude(bool ok, std::string text)
{
    Outcome outcome{ok, TakeNotices()};
    if (!text.empty())
        outcome.notices.Add(std::move(text));
    return outcome;
}

bool HostExchange::RefuseNested()
{
    if (!link_.IsWaiting())
        return false;
    notices_.Add(kBusyMessage);
    return true;
}

std::optional<HostExchange::Lock> HostExchange::Begin()
{
    if (active_ || link_.IsWaiting()) {
        notices_.Add(kBusyMessage);
        return std::nullopt;
    }
    active_ = true;
    return Lock(this);
}

std::string HostExchange::RecordFilePath(std::string_view name) const
{
    return dataFolder_ + std::string(name);
}

std::span<const std::uint8_t> HostExchange::AnswerPayload() const
{
    const Report& answer = Answer();
    const std::size_t length =
        std::min<std::size_t>(answer[5], answer.size() - frame::kAnswerPayloadOffset);
    return std::span(answer.data() + frame::kAnswerPayloadOffset, length);
}

void HostExchange::Pause(int ms)
{
    if (!link_.HostNeedsPacing()) {
        link_.PumpMessages();
        return;
    }
    // Measured in microseconds: the slices of a whole-millisecond clock overshoot a little
    // each, and a download makes thousands of these pauses.
    const std::int64_t end = clock_.NowUs() + std::int64_t{ms} * 1000;
    while (true) {
        const std::int64_t now = clock_.NowUs();
        if (now >= end || !link_.PumpMessages())
            break;
        clock_.SleepUs(
            std::min<std::int64_t>(std::int64_t{HostLink::kWaitSliceMs} * 1000, end - now));
    }
}

bool HostExchange::TakeCancel()
{
    if (cancelRequest_ == 0)
        return false;
    cancelRequest_ = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------

int HostExchange::SingleExchange(std::span<const std::uint8_t> frame, bool wait)
{
    if (RefuseNested())
        return kFailed;
    if (active_)
        return Exchange(frame, wait);
    auto lock = Begin();
    return Exchange(frame, wait);
}

int HostExchange::Exchange(std::span<const std::uint8_t> frame, bool wait)
{
    if (frame.size() < 4 || frame.size() > frame::kMaxFrame)
        return kFailed;
    const std::uint8_t command = frame[1];

    Report& out = link_.SendBuffer();
    out.fill(0);
    out[1] = 0x55;
    out[2] = 0xAA;
    std::copy(frame.begin(), frame.end(), out.begin() + 3);

    bool written = false;
    for (int attempt = 0; attempt < kWriteAttempts && !written; ++attempt)
        written = link_.WriteReport();
    if (!written) {
        notices_.Add("设备未连接，请连接设备！", "失败1");
        return kFailed;
    }
    monitor_.AddLine(frame::FormatReportLine("Write:", out));
    if (!wait)
        return kOk;

    const int timeout =
        (command == kInitialise || command == kKeyCode) ? kLongAnswerTimeoutMs : kAnswerTimeoutMs;
    const Report& in = link_.ReceiveBuffer();
    while (true) {
        if (!link_.ReadReport(timeout))
            return kFailed;
        if (!frame::HasAnswerHeader(in) || !frame::AnswerChecksumOk(in))
            return kFailed;
        if (in[4] == command)
            break; // an answer to another command is passed over
    }
    int result = kOk;
    if (command == kAddressMessage) {
        const std::uint8_t verdict = in[frame::kAnswerPayloadOffset];
        result = verdict == 0x5A ? kOk : verdict == 0xA5 ? kFailed : kOther;
    }
    monitor_.AddLine(frame::FormatReportLine("Read :", in));
    return result;
}

bool HostExchange::SendCommand(std::uint8_t command, std::span<const std::uint8_t> payload,
                               std::string_view caption, bool multiPacket)
{
    std::optional<Lock> lock;
    if (RefuseNested() || (!active_ && !(lock = Begin())))
        return false;
    if (!multiPacket) {
        if (payload.size() > frame::kMaxPayload) {
            notices_.Add("数据超过58个字节，不能在一帧中发送！");
            return false;
        }
        return Exchange(frame::Build(command, payload), true) != kFailed;
    }
    return RunDownload(command, payload, caption);
}

bool HostExchange::Download(std::uint8_t command, const std::string& recordFile,
                            std::string_view caption)
{
    std::optional<Lock> lock;
    if (RefuseNested() || (!active_ && !(lock = Begin())))
        return false;
    const Bytes data = ReadRecordFile(recordFile).value_or(Bytes{});
    if (data.size() > kMaxRecordBytes) {
        notices_.Add("文件太大，最多只能下载3000000字节！\n" + recordFile);
        return false;
    }
    return RunDownload(command, data, caption);
}

bool HostExchange::Download(std::uint8_t command, std::span<const std::uint8_t> data,
                            std::string_view caption)
{
    std::optional<Lock> lock;
    if (RefuseNested() || (!active_ && !(lock = Begin())))
        return false;
    return RunDownload(command, data, caption);
}

bool HostExchange::ReadBack(std::uint8_t command, const std::string& recordFile,
                            std::string_view caption)
{
    std::optional<Lock> lock;
    if (RefuseNested() || (!active_ && !(lock = Begin())))
        return false;
    return RunReadBack(command, recordFile, caption);
}

// ---------------------------------------------------------------------------------------------

std::optional<Bytes> HostExchange::ReadRecordFile(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) {
        monitor_.AddColouredLine("无法打开 " + path + "\r\n", kMissingFileColour);
        return std::nullopt;
    }
    Bytes bytes;
    char chunk[256];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
        if (bytes.size() > kMaxRecordBytes)
            break; // too long to send; the caller refuses it
    }
    return bytes;
}

bool HostExchange::WriteRecordFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    std::error_code ec;
    const std::filesystem::path file = PathFromUtf8(path);
    std::filesystem::remove(file, ec);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

void HostExchange::ShowPacketProgress(std::string_view caption, int count, int number)
{
    progress_.SetProgressText(PacketText(caption, count, number));
    progress_.Show();
}

void HostExchange::FinishTransfer(std::string_view caption, std::string_view result)
{
    progress_.SetResultText(std::string(caption) + std::string(result));
    progress_.Show();
    Pause(kResultPauseMs);
    progress_.Close();
}

bool HostExchange::RunDownload(std::uint8_t command, std::span<const std::uint8_t> data,
                               std::string_view caption)
{
    if (data.size() > kMaxRecordBytes) {
        notices_.Add("数据太长，最多只能下载3000000字节！");
        return false;
    }
    const std::size_t n = data.size();
    const int count = static_cast<int>((n + frame::kPacketData - 1) / frame::kPacketData);

    progress_.Show();
    progress_.SetRange(0, count);
    const int startPosition = progress_.Position();

    for (int i = 1; i <= count; ++i) {
        const std::size_t offset = static_cast<std::size_t>(i - 1) * frame::kPacketData;
        const std::size_t length = std::min(frame::kPacketData, n - offset);
        const Bytes packet = frame::BuildPacket(command, static_cast<std::uint16_t>(count),
                                                static_cast<std::uint16_t>(i),
                                                std::span(data.data() + offset, length));
        if (Exchange(packet, false) == kFailed) {
            progress_.Close();
            return false;
        }
        link_.PumpMessages();
        if (TakeCancel()) {
            progress_.Close();
            return false;
        }
        // The step is shown before the pause, so the window is not blank for the 2 s the
        // host is given after the first packet.
        progress_.SetPosition(command == kFirmware ? i : i + startPosition);
        ShowPacketProgress(caption, count, i);
        Pause(i == 1 ? kFirstPacketPauseMs : kPacketPauseMs);
    }

    link_.ReadReport(kAcknowledgeTimeoutMs);
    monitor_.AddLine(frame::FormatReportLine("Read :", link_.ReceiveBuffer()));
    const bool acknowledged = frame::IsAcknowledgement(link_.ReceiveBuffer(), command);
    FinishTransfer(caption, acknowledged ? "发送成功" : "发送失败");
    return acknowledged;
}

bool HostExchange::RefuseShortPacket(std::string_view caption, int number, int count,
                                     std::size_t dataBytes)
{
    // Only the last packet may carry fewer than 54 bytes. A shorter one in the middle would
    // leave 0xFF in its slot and shift every record after it: lost data taken for a table.
    if (number >= count || dataBytes == frame::kPacketData)
        return false;
    FinishTransfer(caption, "  数据包错误");
    char text[160];
    std::snprintf(text, sizeof text,
                  "第%d包数据不完整：只有%zu字节，应为54字节，回读的数据未保存！", number,
                  dataBytes);
    notices_.Add(text, "警告", MessageIcon::Warning);
    return true;
}

bool HostExchange::RunReadBack(std::uint8_t command, const std::string& recordFile,
                               std::string_view caption)
{
    Report& out = link_.SendBuffer();
    out.fill(0);
    out[1] = 0x55;
    out[2] = 0xAA;
    const Bytes request = frame::BuildReadBackRequest(command);
    std::copy(request.begin(), request.end(), out.begin() + 3);
    monitor_.AddLine(frame::FormatReportLine("Write:", out));
    if (!link_.WriteReport()) {
        notices_.Add("下发数据失败，请重新发送！", "失败1", MessageIcon::Warning);
        return false;
    }

    const Report& in = link_.ReceiveBuffer();
    link_.ReadReport(kAcknowledgeTimeoutMs);
    if (!frame::IsAnswerTo(in, command))
        return false;
    monitor_.AddLine(frame::FormatReportLine("Read :", in));
    if (!frame::AnswerChecksumOk(in)) {
        notices_.Add("接受数据不正确，请检查主机是否正常工作！", "警告", MessageIcon::Warning);
        return false;
    }

    const int count = (in[6] << 8) | in[7];
    progress_.Show();
    progress_.SetRange(0, count);

    // A packet's L covers its number fields and at most one slot of data; anything else
    // would land outside the slot.
    const auto validLength = [](int length) {
        return length >= static_cast<int>(frame::kPacketHeader) &&
               length <= static_cast<int>(frame::kMaxPayload);
    };
    Bytes area(static_cast<std::size_t>(count) * frame::kPacketData, 0xFF);
    const int firstLength = in[5];
    if (!validLength(firstLength) ||
        (count == 0 && firstLength != static_cast<int>(frame::kPacketHeader))) {
        FinishTransfer(caption, "  数据包错误");
        return false;
    }
    std::size_t total = static_cast<std::size_t>(firstLength) - frame::kPacketHeader;
    if (RefuseShortPacket(caption, 1, count, total))
        return false;
    std::copy_n(in.begin() + frame::kAnswerPacketDataOffset, total, area.begin());

    for (int i = 2; i <= count; ++i) {
        link_.PumpMessages();
        if (TakeCancel()) {
            FinishTransfer(caption, "  取消读取");
            return false;
        }
        if (!link_.ReadReport(kReadBackPacketTimeoutMs)) {
            FinishTransfer(caption, "  读取失败");
            return false;
        }
        if (!frame::IsAnswerTo(in, command) || !validLength(in[5])) {
            FinishTransfer(caption, "  数据包错误");
            return false;
        }
        const std::size_t length = static_cast<std::size_t>(in[5]) - frame::kPacketHeader;
        if (RefuseShortPacket(caption, i, count, length))
            return false;
        const std::size_t offset = static_cast<std::size_t>(i - 1) * frame::kPacketData;
        std::copy_n(in.begin() + frame::kAnswerPacketDataOffset, length,
                    area.begin() + static_cast<std::ptrdiff_t>(offset));
        total += length;

        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "Read%03d:", i);
        monitor_.AddLine(frame::FormatReportLine(prefix, in));
        progress_.SetPosition(i);
        ShowPacketProgress(caption, count, i);
    }

    FinishTransfer(caption, "发送成功");
    if (!WriteRecordFile(recordFile, std::span(area.data(), std::min(total, area.size())))) {
        notices_.Add("无法写入文件 " + recordFile);
        return false;
    }
    return true;
}

} // namespace px
