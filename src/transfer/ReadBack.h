#pragma once

// Reading a registration table back from the host into its record file.

#include "hostlink/HostExchange.h"
#include "transfer/RecordDecoding.h"

namespace px {

// The read-back's record file of a table, in the exchange's data folder.
std::string ReadBackFilePath(const HostExchange& exchange, TableKind kind);

inline constexpr const char* kNoHostMessage = "设备未连接，请连接设备！";

// Finds the host (not done, and nothing more said, when there is none), removes the old record
// file so a failed read-back never shows earlier data, and reads the table back. Whether the
// transfer succeeded shows in whether the record file exists.
Outcome ReadBackTable(HostExchange& exchange, TableKind kind);

// Reads a table back and decodes it, leaving no record file behind. Nothing, with the reason,
// when no host answers or the read-back failed.
Reading<ReadBackRows> ReadBackRowsOf(HostExchange& exchange, TableKind kind);

} // namespace px
