#pragma once

// A HID device made from user space through the kernel's uhid interface (/dev/uhid): the kernel
// shows it like any other HID device (a hidraw node, enumerated by hidapi, announced by udev),
// and what a program writes to it comes back here as output reports.

#include "common/UniqueFd.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace px {

// The host's report descriptor: a vendor-defined collection with one 64-byte input report and
// one 64-byte output report, without report ids.
std::span<const std::uint8_t> HostReportDescriptor();

struct UhidDeviceInfo
{
    std::string name;         // what enumeration shows as the product
    std::uint16_t bus = 0x03; // BUS_USB
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::span<const std::uint8_t> descriptor;
};

class UhidDevice
{
public:
    static constexpr const char* kDefaultPath = "/dev/uhid";

    // Opens the uhid interface; nothing, with the reason, when it cannot be opened.
    static std::unique_ptr<UhidDevice> Open(const std::string& path, std::string& error);
    // Takes any descriptor that carries uhid events, one per read or write (tests use one end
    // of a socket pair and play the kernel at the other).
    explicit UhidDevice(UniqueFd fd);
    // Removes the device from the kernel if it is there.
    ~UhidDevice();
    UhidDevice(const UhidDevice&) = delete;
    UhidDevice& operator=(const UhidDevice&) = delete;

    // Readable when the kernel has an event for the device.
    int Fd() const { return fd_.Get(); }

    // Makes the kernel device. False, with the reason, when the kernel refuses it or the
    // description does not fit its limits.
    bool Create(const UhidDeviceInfo& info, std::string& error);
    // Removes the kernel device: to a program that has it open, this is an unplug.
    bool Destroy(std::string& error);
    bool IsCreated() const { return created_; }

    // Sends one input report, as the device would over its interrupt endpoint.
    bool SendInput(std::span<const std::uint8_t> data, std::string& error);

    struct Event
    {
        enum class Kind
        {
            Output,         // a program wrote an output report: its bytes are in data
            RefusedRequest, // a GET_REPORT or SET_REPORT, already answered with an error
            Other,          // start, stop, open, close: nothing to do for them
        };
        Kind kind = Kind::Other;
        // Output: the bytes as written, report id first (0 for a device without report ids).
        std::vector<std::uint8_t> data;
    };
    // Reads the waiting event; nothing when none waits (with error empty) or the read failed
    // (with the reason). Feature and report requests are refused here at once: the kernel
    // would otherwise hold the requesting program for five seconds waiting for an answer.
    std::optional<Event> ReadEvent(std::string& error);

private:
    UniqueFd fd_;
    bool created_ = false;
};

} // namespace px
