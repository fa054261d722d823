#include "settings/InfoMessage.h"

#include "common/Gbk.h"

#include <algorithm>
#include <charconv>

namespace px {

namespace {

int ParseInt(const std::string& text)
{
    int value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() ? value : 0;
}

MessageFrame FrameStart(std::uint8_t command, std::uint8_t length)
{
    MessageFrame frame;
    frame.fill(0xFF);
    frame[0] = 0x01;
    frame[1] = command;
    frame[2] = length;
    return frame;
}

void PutText(MessageFrame& frame, std::size_t at, const GbkBytes& text)
{
    const std::size_t n = std::min(text.size(), kMessageTextBytes);
    std::copy_n(text.begin(), n, frame.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutChecksum(MessageFrame& frame, std::size_t at)
{
    frame[at] = frame::Checksum(std::span(frame.data(), at));
}

} // namespace

MessageFrame BuildNumberMessageFrame(int pagerNumber, const GbkBytes& text)
{
    MessageFrame frame = FrameStart(kCmdNumberMessage, 50);
    frame[3] = static_cast<std::uint8_t>((pagerNumber >> 8) & 0xFF);
    frame[4] = static_cast<std::uint8_t>(pagerNumber & 0xFF);
    PutText(frame, 5, text);
    PutChecksum(frame, 53);
    return frame;
}

MessageFrame BuildAddressMessageFrame(int address, int typeIndex, int polarityIndex, int baudIndex,
                                      const GbkBytes& text)
{
    MessageFrame frame = FrameStart(kCmdAddressMessage, 53);
    frame[3] = static_cast<std::uint8_t>((address >> 16) & 0xFF);
    frame[4] = static_cast<std::uint8_t>((address >> 8) & 0xFF);
    frame[5] = static_cast<std::uint8_t>(address & 0xFF);
    frame[6] = static_cast<std::uint8_t>(0xF8 | ((polarityIndex & 1) << 2) | (baudIndex & 3));
    frame[7] = static_cast<std::uint8_t>(typeIndex);
    PutText(frame, 8, text);
    PutChecksum(frame, 56);
    return frame;
}

MessageSending SendInformationMessage(HostExchange& exchange, const MessageRequest& request)
{
    const auto refused = [](std::string why) {
        MessageSending sending{MessageOutcome::NotSent, {}};
        sending.notices.Add(std::move(why));
        return sending;
    };
    // Line breaks travel as CR LF, the way receivers expect them.
    std::string typed;
    for (char c : request.text) {
        if (c == '\n' && (typed.empty() || typed.back() != '\r'))
            typed += '\r';
        typed += c;
    }
    GbkProblem problem = GbkProblem::None;
    const std::optional<GbkBytes> text = ToGbk(typed, &problem);
    if (!text)
        return refused(GbkRefusal(problem, "信息内容含有主机无法显示的字符，请修改后再发送！"));

    if (text->size() > kMessageTextBytes)
        return refused("信息内容最多为48个字符（24个汉字）！");

    MessageFrame frame;
    if (!request.addressMode) {
        if (!request.pagerText)
            return refused("当前没有可用的信息机，请添加后再进行使用！");
        frame = BuildNumberMessageFrame(ParseInt(*request.pagerText), *text);
    } else {
        const int address = ParseInt(request.addressText);
        if (address < kMinMessageAddress || address > kMaxMessageAddress)
            return refused("Address rang [8,2097152] ");
        frame = BuildAddressMessageFrame(address, request.typeIndex, request.polarityIndex,
                                         request.baudIndex, *text);
    }

    ProgressSink& progress = exchange.Progress();
    progress.Show();
    progress.SetRange(0, 100);
    progress.SetPosition(0);
    progress.SetProgressText("正在发送信息.....");
    const int result = exchange.SingleExchange(frame, true);
    if (result == HostExchange::kFailed) {
        progress.Close();
        return {MessageOutcome::Failed, exchange.Conclude(false, "发送信息失败！").notices};
    }
    for (int position = 20; position <= 100; position += 20) {
        progress.SetPosition(position);
        progress.Show();
        exchange.Pause(10);
    }
    const bool accepted = result == HostExchange::kOk;
    progress.Close();
    return {
        accepted ? MessageOutcome::Accepted : MessageOutcome::CacheFull,
        exchange.Conclude(accepted, accepted ? "Send information !" : "Cache is full !").notices};
}

} // namespace px
