#pragma once

// Downloading the registration tables to the host as records.

#include "hostlink/HostExchange.h"
#include "storage/AdoDatabase.h"

#include <array>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdInfoMachineTable = 0x65;
inline constexpr std::size_t kInfoMachineRecordSize = 30;

using InfoMachineRecord = std::array<std::uint8_t, kInfoMachineRecordSize>;

// One information machine as the host stores it. The texts are the database's as read.
InfoMachineRecord MakeInfoMachineRecord(int deviceNo, const std::string& address,
                                        const std::string& machineType, const std::string& rate,
                                        const std::string& polarity);

enum class DownloadOutcome
{
    NoDatabase, // nothing sent, nothing said
    Empty,      // the table is empty: said so, nothing sent
    Sent,
    Failed,     // the transfer failed; the progress window said so
};

// Sends the information machines of a configuration file under 0x65 through Bp.txt.
DownloadOutcome DownloadInfoMachines(HostExchange& exchange, const std::string& connectionString,
                                     const std::string& fileName);

} // namespace px
