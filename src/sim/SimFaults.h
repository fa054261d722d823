#pragma once

// The faults a simulated host can be armed with, by the names the command line and the
// demonstration menu use.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace px {

struct SimFault
{
    enum class Kind
    {
        None,
        Silent,      // no answer at all, to anything
        BadChecksum, // every answer carries a wrong checksum
        StaleAnswer, // before every answer to a single command, one to another command
        UnplugAt,    // unplugged when download packet K arrives or read-back packet K is due
        ShortPacket, // read-back packet K carries fewer data bytes than it should
        LongPacket,  // read-back packet K announces L above 58
        SilentAfter, // read-back packets after K are never sent; downloads are not acknowledged
        Nak,         // every command refused: 0xA5 instead of 0x5A, nothing carried out
        FailWrites,  // the next N writes fail
        WrongAck,    // a download's acknowledgement names another command
        // An answer for another command comes before a read-back's first packet.
        WrongFirstReadBack,
        // Answers to single commands and acknowledgements announce L payload bytes.
        AnswerLength,
    };
    Kind kind = Kind::None;
    int packet = 0; // the number the kind takes: K, N or L
};

// "none", "silent", "unplug-at:K", ... as listed by SimFaultHelp(); nothing for any other text.
std::optional<SimFault> ParseSimFault(std::string_view text);
std::string FormatSimFault(const SimFault& fault);

struct SimFaultHelpLine
{
    std::string_view usage;   // "unplug-at:K"
    std::string_view meaning; // one line
};
// Every fault with what it does, in the order the help lists them.
std::span<const SimFaultHelpLine> SimFaultHelp();

} // namespace px
