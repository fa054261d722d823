#pragma once

// Commands that act on the host directly: initialise, clock calibration of the information
// machines, firmware upgrade, program version and preamble. Each shows its own messages.

#include "hostlink/HostExchange.h"
#include "storage/Database.h"

#include <optional>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdInitialise = 0x60;
inline constexpr std::uint8_t kCmdClock = 0x62;
inline constexpr std::uint8_t kCmdFirmware = 0x64;
inline constexpr std::uint8_t kCmdVersion = 0x82;
inline constexpr std::uint8_t kCmdPreamble = 0xB3;

Outcome InitialiseHost(HostExchange& exchange);

// The 12-byte clock payload: the address big-endian, the time as "%H%M%S", then "#时" in GBK.
Bytes ClockPayload(std::uint32_t address, const LocalTime& time);

// Sets the receivers' clock through the information machine with pager number 0 (of any
// configuration file). Returns nothing, and does nothing, when the database cannot be opened
// or holds no such machine.
std::optional<Outcome> CalibrateClock(HostExchange& exchange, Database& db);

// Downloads a firmware image; a file over 3,000,000 bytes is refused before anything is sent.
Outcome UpgradeFirmware(HostExchange& exchange, const std::string& imagePath);

// The version text of an answer's data: up to the first 0xFF, at most 15 bytes.
// Nothing when the system cannot convert GBK.
std::optional<std::string> VersionText(std::span<const std::uint8_t> data);

// Reads the host's program version (told as "当前设备版本号: ..."); nothing on failure.
Reading<std::string> ReadProgramVersion(HostExchange& exchange);

Outcome SendPreamble(HostExchange& exchange);

} // namespace px
