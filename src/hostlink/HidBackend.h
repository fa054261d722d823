#pragma once

// The small device interface underneath the host link: enumerate, open, read with a time-out,
// write, close (by destroying the device).

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace px {

inline constexpr std::size_t kReportSize = 65; // report id + 64 data bytes
inline constexpr std::size_t kReportDataSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

struct HidDeviceInfo
{
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
};

class HidDevice
{
public:
    virtual ~HidDevice() = default; // closes the device

    // Reads one input report's 64 data bytes. Returns the number of bytes placed (1..64),
    // 0 when no report came within timeoutMs, -1 when the device failed or is gone.
    // A device whose reports are longer than 64 bytes is a failure: nothing is placed.
    virtual int Read(std::span<std::uint8_t, kReportDataSize> data, int timeoutMs) = 0;

    // Writes one output report: byte 0 is the report id (0), then 64 data bytes.
    // Returns false when the device failed or is gone.
    virtual bool Write(std::span<const std::uint8_t, kReportSize> report) = 0;

    // Whether the host behind the device is given the protocol's pauses between packets and
    // after a transfer. Every real host is; a simulated host that answers at once may say it
    // needs none, so that what drives it need not wait.
    virtual bool NeedsPacing() const { return true; }
};

enum class OpenError
{
    None,
    PermissionDenied,
    Other,
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;

    virtual std::vector<HidDeviceInfo> Enumerate() = 0;
    virtual std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) = 0;
    // A short description of the device kind for messages ("USB HID", "simulated").
    virtual std::string Name() const = 0;
};

} // namespace px
