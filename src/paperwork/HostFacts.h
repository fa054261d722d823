#pragma once

// What the site sheet says about the connected host: its program version, its device
// parameters and its radio frequencies, read back without a message box.

#include "common/Profile.h"
#include "hostlink/HostExchange.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace px {

struct HostFacts
{
    std::string version;
    std::vector<std::pair<std::string, std::string>> settings; // label, value
};

// Nothing (with what the exchange told) when no host answers the version request. Parameters the
// host does not return are left out; remembered values stand in only for what the records do not
// carry.
Reading<HostFacts> ReadHostFacts(HostExchange& exchange, const Profile& profile);

} // namespace px
