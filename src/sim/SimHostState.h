#pragma once

// What a simulated host holds: its model, plug, tables, queued key presses, armed fault and
// what it last refused; and the document it is kept in (DIR/state.json).

#include "common/Models.h"
#include "sim/SimFaults.h"

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace px {

using Bytes = std::vector<std::uint8_t>;

// The most payload bytes one answer frame carries.
inline constexpr std::size_t kMaxSimAnswerPayload = 58;

// A key press as the host answers it to a 0xD4 request: the status byte, then the code's
// bytes. The code is hexadecimal digits in pairs; the status "55" (a caller's key), "5A" or
// "66" (a handheld caller). Nothing, with the reason, for anything else.
std::optional<Bytes> MakeKeyPress(const std::string& codeHex, const std::string& status,
                                  std::string& error);

struct SimHostState
{
    HostModel model = HostModel::PX;
    bool plugged = true;
    // Whether the host is given the pauses a real host needs between packets and after a
    // transfer. A demonstration keeps them, so that it shows the pace of a real download;
    // tests that are not about the pace switch them off.
    bool paced = true;
    std::string version = "PX V1.0.1"; // bytes of the version answer, at most 15 are sent
    // What each download left, by download command (0x63..0x6C; 0x6A from its single frame).
    std::map<std::uint8_t, Bytes> tables;
    // Answers queued for command 0xD4, each the status byte then the code bytes.
    std::deque<Bytes> presses;
    std::uint8_t b2Result = 0x5A; // first answer byte to a 0xB2 message
    SimFault fault;
    // Received payloads of the single commands, newest last (0xB1/0xB2 messages, 0x62 clock).
    std::vector<Bytes> messages;
    Bytes lastClock;
    int initialiseCount = 0;
    int preambleCount = 0;
    // Why the host last refused a report; empty when it never has.
    std::string lastRefusal;
};

// The document of a host's state (DIR/state.json), and reading one back. The reader refuses a
// document over the size or nesting limits before parsing it, and names the first field that
// is wrong without repeating a long value.
std::string FormatSimHostState(const SimHostState& state);
bool ParseSimHostState(std::string_view text, SimHostState& state, std::string& error);

} // namespace px
