#pragma once

// Why the system would not let this program open a host it lists, and what the user can do
// about it. Each system has its own reasons: HidAccessPosix.cpp, HidAccessWindows.cpp.

#include "hostlink/HidBackend.h"

#include <string>

namespace px {

// Asks the system itself, since hidapi does not say why an open failed.
OpenError WhyDeviceWouldNotOpen(const std::string& path);

// The message for a host that was found but may not be opened.
std::string PermissionHelpText();

} // namespace px
