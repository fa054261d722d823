#pragma once

// Downloading the registration tables to the host as records.

#include "hostlink/HostExchange.h"
#include "storage/AdoDatabase.h"

#include <array>
#include <optional>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdInfoMachineTable = 0x65;
inline constexpr std::size_t kInfoMachineRecordSize = 30;

using InfoMachineRecord = std::array<std::uint8_t, kInfoMachineRecordSize>;

// One information machine as the host stores it. The texts are the database's as read.
InfoMachineRecord MakeInfoMachineRecord(int deviceNo, const std::string& address,
                                        const std::string& machineType, const std::string& rate,
                                        const std::string& polarity);

inline constexpr std::uint8_t kCmdCallerTable = 0x66;
inline constexpr std::uint8_t kCmdHandheldTable = 0x68;
inline constexpr std::size_t kCallerRecordSize = 100;
inline constexpr std::size_t kHandheldRecordSize = 6;
inline constexpr std::size_t kMaxCodeDigits = 14;

using CallerRecord = std::array<std::uint8_t, kCallerRecordSize>;
using HandheldRecord = std::array<std::uint8_t, kHandheldRecordSize>;

struct CallerRow
{
    std::string codeNo;
    int codeType = 0;
    int callNo = 0;
    std::string callName; // UTF-8
    std::string keyName;  // UTF-8
    std::array<int, 8> devices{-1, -1, -1, -1, -1, -1, -1, -1};
    int escalation = 0;
};

// One caller key as the host stores it; nothing, with the reason, when the row cannot be
// sent (a code longer than 14 digits, a text GBK cannot hold).
std::optional<CallerRecord> MakeCallerRecord(const CallerRow& row, std::string& error);
HandheldRecord MakeHandheldRecord(int deviceNo, const std::string& address);

// The caller row at the current record of a T_Device3 query.
CallerRow ReadCallerRow(CADORecordset& rs);

// A hexadecimal pair as the records read it: as far as its characters are hexadecimal
// digits, 0 when the first is not one or the pair is missing.
std::uint8_t ReadHexPair(const std::string& text, std::size_t at);

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

// Sends the callers of a file under 0x66 through Call.txt; silent when there are none.
DownloadOutcome DownloadCallers(HostExchange& exchange, const std::string& connectionString,
                                const std::string& fileName);
// Sends the handheld match table of a file under 0x68 through ShouChi.txt.
DownloadOutcome DownloadHandhelds(HostExchange& exchange, const std::string& connectionString,
                                  const std::string& fileName);

} // namespace px
