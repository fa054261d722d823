#include "sim/SimFaults.h"

#include <array>
#include <charconv>
#include <limits>

namespace px {

namespace {

enum class FaultArgument
{
    None,
    Positive, // 1 and above
    Byte,     // 0 to 255
};

struct FaultName
{
    SimFault::Kind kind;
    std::string_view text;
    FaultArgument argument;
    SimFaultHelpLine help;
};

constexpr std::array<FaultName, 13> kFaultNames{{
    {SimFault::Kind::None,
     "none",
     FaultArgument::None,
     {"none", "no fault: the host answers as it should"}},
    {SimFault::Kind::Silent, "silent", FaultArgument::None, {"silent", "no answer to anything"}},
    {SimFault::Kind::BadChecksum,
     "bad-checksum",
     FaultArgument::None,
     {"bad-checksum", "every answer carries a wrong checksum"}},
    {SimFault::Kind::StaleAnswer,
     "stale-answer",
     FaultArgument::None,
     {"stale-answer",
      "an answer for another command comes before each answer to a single command"}},
    {SimFault::Kind::UnplugAt,
     "unplug-at",
     FaultArgument::Positive,
     {"unplug-at:K", "unplugged when download packet K arrives or read-back packet K is due"}},
    {SimFault::Kind::ShortPacket,
     "short-packet",
     FaultArgument::Positive,
     {"short-packet:K", "read-back packet K (not the last) carries 20 data bytes instead of 54"}},
    {SimFault::Kind::LongPacket,
     "long-packet",
     FaultArgument::Positive,
     {"long-packet:K", "read-back packet K announces L = 60, more than a report holds"}},
    {SimFault::Kind::SilentAfter,
     "silent-after",
     FaultArgument::Positive,
     {"silent-after:K", "read-back packets after K never come; downloads are not acknowledged"}},
    {SimFault::Kind::Nak,
     "nak",
     FaultArgument::None,
     {"nak", "every command is refused: answered with 0xA5 instead of 0x5A, nothing kept"}},
    {SimFault::Kind::FailWrites,
     "fail-writes",
     FaultArgument::Positive,
     {"fail-writes:N", "the next N writes to the host fail"}},
    {SimFault::Kind::WrongAck,
     "wrong-ack",
     FaultArgument::None,
     {"wrong-ack", "a download's acknowledgement names another command"}},
    {SimFault::Kind::WrongFirstReadBack,
     "wrong-first-readback",
     FaultArgument::None,
     {"wrong-first-readback", "an answer for another command comes first in every read-back"}},
    {SimFault::Kind::AnswerLength,
     "answer-length",
     FaultArgument::Byte,
     {"answer-length:L", "answers and acknowledgements announce L payload bytes (58 fits; 59 "
                         "and more leave no room for the checksum)"}},
}};

constexpr std::array<SimFaultHelpLine, kFaultNames.size()> kFaultHelp = [] {
    std::array<SimFaultHelpLine, kFaultNames.size()> lines{};
    for (std::size_t i = 0; i < kFaultNames.size(); ++i)
        lines[i] = kFaultNames[i].help;
    return lines;
}();

std::optional<int> ParseNumber(std::string_view digits, int low, int high)
{
    if (digits.empty() || digits.front() < '0' || digits.front() > '9')
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc{} || end != digits.data() + digits.size() || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

std::optional<SimFault> ParseSimFault(std::string_view text)
{
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    for (const FaultName& entry : kFaultNames) {
        if (entry.text != name)
            continue;
        if (entry.argument == FaultArgument::None)
            return colon == std::string_view::npos ? std::optional(SimFault{entry.kind, 0})
                                                   : std::nullopt;
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::optional<int> number =
            entry.argument == FaultArgument::Byte
                ? ParseNumber(text.substr(colon + 1), 0, 0xFF)
                : ParseNumber(text.substr(colon + 1), 1, std::numeric_limits<int>::max());
        if (!number)
            return std::nullopt;
        return SimFault{entry.kind, *number};
    }
    return std::nullopt;
}

std::string FormatSimFault(const SimFault& fault)
{
    for (const FaultName& entry : kFaultNames) {
        if (entry.kind == fault.kind) {
            std::string text(entry.text);
            if (entry.argument != FaultArgument::None)
                text += ":" + std::to_string(fault.packet);
            return text;
        }
    }
    return "none";
}

std::span<const SimFaultHelpLine> SimFaultHelp()
{
    return kFaultHelp;
}

} // namespace px
