#pragma once

// Reading a registration table back from the host into its record file.

#include "hostlink/HostExchange.h"
#include "transfer/RecordDecoding.h"

namespace px {

struct ReadBackSpec
{
    std::uint8_t command;
    const char* caption;
};

ReadBackSpec ReadBackFor(BrowserMode mode);

// Finds the host (false, and nothing more, when there is none), removes the old record file so
// a failed read-back never shows earlier data, and reads the table back. Whether the transfer
// succeeded shows in whether the record file exists.
bool ReadBackTable(HostExchange& exchange, BrowserMode mode);

} // namespace px
