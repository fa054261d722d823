#pragma once

// Sending a short text to one information machine: by its pager number (0xB1) or, in address
// mode, straight to a radio address (0xB2).

#include "common/Gbk.h"
#include "hostlink/HostExchange.h"

#include <array>
#include <optional>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdNumberMessage = 0xB1;
inline constexpr std::uint8_t kCmdAddressMessage = 0xB2;
inline constexpr std::size_t kMessageTextBytes = 48;
inline constexpr std::size_t kMessageBufferBytes = 57;
inline constexpr int kMinMessageAddress = 8;
inline constexpr int kMaxMessageAddress = 2097152;

using MessageFrame = std::array<std::uint8_t, kMessageBufferBytes>;

struct MessageRequest
{
    bool addressMode = false;
    // Number mode: the selected pager number's text; nothing when no machine is selectable.
    std::optional<std::string> pagerText;
    // Address mode.
    std::string addressText;
    int typeIndex = 0;     // 0 character, 1 numeric
    int polarityIndex = 1; // 0 '+', 1 '-'
    int baudIndex = 1;     // 0 512, 1 1200, 2 2400
    std::string text;      // UTF-8
};

enum class MessageOutcome
{
    NotSent,   // refused before sending, with the reason
    Accepted,  // "Send information !"
    CacheFull, // "Cache is full !"
    Failed,    // "发送信息失败！"
};

MessageFrame BuildNumberMessageFrame(int pagerNumber, const GbkBytes& text);
MessageFrame BuildAddressMessageFrame(int address, int typeIndex, int polarityIndex, int baudIndex,
                                      const GbkBytes& text);

struct MessageSending
{
    MessageOutcome outcome = MessageOutcome::NotSent;
    Notices notices;
};

MessageSending SendInformationMessage(HostExchange& exchange, const MessageRequest& request);

} // namespace px
