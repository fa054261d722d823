#pragma once

// Downloading the registration tables to the host as records.

#include "hostlink/HostExchange.h"
#include "storage/Database.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

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

// A hexadecimal pair as the records read it: as far as its characters are hexadecimal
// digits, 0 when the first is not one or the pair is missing.
std::uint8_t ReadHexPair(const std::string& text, std::size_t at);

// A row of a file that cannot travel to the host as it is: its key (pager number, feature
// code, handheld number) and the reason.
struct RefusedRow
{
    std::string key;
    std::string reason;
};

// A table of a configuration file turned into the host's records.
struct TableRecords
{
    bool read = false; // false: the database could not be queried
    int rows = 0;      // rows of the file, refused ones included
    Bytes records;     // the rows that travel unchanged, back to back, in table order
    std::vector<RefusedRow> refused;
};

// The records of a file's information machines (by pager number), callers (by feature code)
// and handheld callers (by number). A row whose values the record would change (an address
// past 21 bits, a caller number past two bytes, a code that is not hexadecimal, a text the
// host cannot show, ...) is refused rather than sent as another value.
TableRecords CollectInfoMachineRecords(Database& db, const std::string& fileName);
TableRecords CollectCallerRecords(Database& db, const std::string& fileName);
TableRecords CollectHandheldRecords(Database& db, const std::string& fileName);

enum class DownloadOutcome
{
    NoDatabase, // nothing sent, nothing said
    Empty,      // the table is empty: said so, nothing sent
    Sent,
    Failed, // the transfer failed; the progress window said so
};

// Each download refuses a table with a row that cannot travel (a message names it) and sends
// nothing of it.

// Sends the information machines of a configuration file under 0x65.
DownloadOutcome DownloadInfoMachines(HostExchange& exchange, Database& db,
                                     const std::string& fileName);

// Sends the callers of a file under 0x66; silent when there are none.
DownloadOutcome DownloadCallers(HostExchange& exchange, Database& db, const std::string& fileName);
// Sends the handheld match table of a file under 0x68.
DownloadOutcome DownloadHandhelds(HostExchange& exchange, Database& db,
                                  const std::string& fileName);

} // namespace px
