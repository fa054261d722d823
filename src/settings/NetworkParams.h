#pragma once

// The host's Ethernet set-up: the 40-byte network record (0x6A, sent as one frame; read back
// with 0x89). Unlike the other settings records its two-byte numbers go low byte first.

#include "common/Clock.h"
#include "hostlink/HostExchange.h"
#include "settings/SettingsFields.h"
#include "settings/SettingsInput.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace px {

inline constexpr std::uint8_t kCmdNetwork = 0x6A;
inline constexpr std::uint8_t kCmdReadNetwork = 0x89;
inline constexpr std::size_t kNetworkRecordBytes = 40;
inline constexpr std::size_t kMacDigits = 12;
inline constexpr const char* kNetworkRecordFile = "NetData.txt";

inline constexpr IntRange kNetworkIdRange{1, 255};
inline constexpr IntRange kPortRange{0, 65535};
inline constexpr IntRange kReconnectRange{0, 65535};
inline constexpr IntRange kValidityRange{1, 99};

struct NetworkParams
{
    enum Role
    {
        kNetworkHost = 0,
        kNetworkSlave = 1,
    };

    bool enabled = true;
    int role = kNetworkHost;
    int id = 1;
    IpAddress ip{192, 168, 0, 15};
    int port = 2000;
    std::string mac = "1A2B3C4D5E6F";
    IpAddress mask{255, 255, 255, 0};
    IpAddress gateway{192, 168, 0, 1};
    int reconnectSeconds = 60;
    int validityMinutes = 10;
    IpAddress hostIp{192, 168, 0, 2};
    int hostPort = 5005;

    bool operator==(const NetworkParams&) const = default;
};

inline constexpr std::array<const char*, 2> kNetworkRoleNames = {"host", "slave"};

// The host alone keeps the network set-up: no field has a profile key.
inline constexpr Field<NetworkParams> kNetworkFieldRows[] = {
    OffFlagField(&NetworkParams::enabled, "off", "network"),
    ChoiceField(&NetworkParams::role, kNetworkRoleNames, "role"),
    NumberField(&NetworkParams::id, nullptr, kNetworkIdRange, "id", "N"),
    AddressField(&NetworkParams::ip, "ip"),
    NumberField(&NetworkParams::port, nullptr, kPortRange, "port", "N"),
    TextField(&NetworkParams::mac, nullptr, "mac", "HEX12"),
    AddressField(&NetworkParams::mask, "mask"),
    AddressField(&NetworkParams::gateway, "gateway"),
    NumberField(&NetworkParams::reconnectSeconds, nullptr, kReconnectRange, "reconnect", "S"),
    NumberField(&NetworkParams::validityMinutes, nullptr, kValidityRange, "validity", "M"),
    AddressField(&NetworkParams::hostIp, "host-ip", "hostIp"),
    NumberField(&NetworkParams::hostPort, nullptr, kPortRange, "host-port", "N", "hostPort"),
};
inline constexpr FieldTable<NetworkParams> kNetworkFields{nullptr, kNetworkFieldRows};

// What pxctl prints: with the network off, the record carries nothing else.
std::vector<PrintedField> PrintNetworkFields(const NetworkParams& params);

// Exactly twelve characters: zeros appended to a shorter text, a longer one cut.
std::string NormaliseMac(const std::string& mac);
// Empty when the fields are within their ranges and the MAC holds hexadecimal digits only,
// else the prompt to show.
std::string CheckNetworkParams(const NetworkParams& params);

// The record; with the network off only byte 0 (0) is filled, the rest is 0xFF.
Bytes BuildNetworkRecord(const NetworkParams& params);
// The frame that carries the record: a one-packet transfer of 48 bytes.
Bytes BuildNetworkFrame(std::span<const std::uint8_t> record);

// Applies a read-back record: off leaves the other fields; on takes them all. False (nothing
// changed) when the record is too short for what it announces.
bool ApplyNetworkRecord(std::span<const std::uint8_t> record, NetworkParams& params);

// Twelve hexadecimal digits drawn from the classic generator seeded with the time in seconds,
// so two draws within the same second give the same address.
std::string RandomMac(std::int64_t epochSeconds);

// Finds the host, sends the frame and waits for its answer; a host that did not answer is
// told with "设置网络参数失败！", a missing host is not.
Outcome SendNetworkRecord(HostExchange& exchange, std::span<const std::uint8_t> record);
// Finds the host and reads the record back into NetData.txt.
Reading<Bytes> ReadBackNetworkRecord(HostExchange& exchange);

} // namespace px
