#pragma once

// The settings dialogs never talk to the host themselves: they ask the main window, which
// runs the exchange on their behalf and hands back what the host answered.

#include "hostlink/HostExchange.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace px {

// What an open dialog asks to read back into the record file machine.txt.
enum class ParamReadBack
{
    MachineParameters = 0, // 0x83
    Frequencies = 1,       // 0x88
    Lw21 = 2,              // 0x8A
    Lw3 = 3,               // 0x8B
};

class SettingsHost
{
public:
    virtual ~SettingsHost() = default;

    // The record read back, as stored in machine.txt; nothing when the read-back failed (the
    // notices say why).
    virtual Reading<Bytes> ReadBackParams(ParamReadBack kind) = 0;
    // Sends the 40-byte network record; not done when no host was found or it did not answer.
    virtual Outcome SendNetwork(std::span<const std::uint8_t> record) = 0;
    // The network record read back into NetData.txt; nothing when there is none.
    virtual Reading<Bytes> ReadBackNetwork() = 0;
};

// Runs the requests over the host exchange, through the record files in the data folder.
class ExchangeSettingsHost final : public SettingsHost
{
public:
    // Told what was read back ("网络参数") after each read-back that succeeded.
    using ReadBackNotice = std::function<void(const std::string& what)>;

    explicit ExchangeSettingsHost(HostExchange& exchange, ReadBackNotice notice = {})
        : exchange_(exchange), notice_(std::move(notice))
    {}

    Reading<Bytes> ReadBackParams(ParamReadBack kind) override;
    Outcome SendNetwork(std::span<const std::uint8_t> record) override;
    Reading<Bytes> ReadBackNetwork() override;

private:
    HostExchange& exchange_;
    ReadBackNotice notice_;
};

// Deletes the record file, reads the command back into it and returns its bytes; nothing when
// the read-back failed or the file cannot be read. What went wrong stays with the exchange.
std::optional<Bytes> ReadBackRecord(HostExchange& exchange, std::uint8_t command,
                                    std::string_view fileName, std::string_view caption);

// The bytes of a file; nothing when it cannot be opened.
std::optional<Bytes> ReadWholeFile(const std::string& path);

} // namespace px
