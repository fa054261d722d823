#include "sim/uhid/UhidDevice.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/uhid.h>

namespace px {

namespace {

// Vendor-defined usage page 0xFF00, usage 1: no driver but hid-generic takes it, and it shows
// only as a hidraw node. Each report is 64 bytes of 8 bits, 0..255.
constexpr std::array<std::uint8_t, 34> kHostReportDescriptor = {
    0x06, 0x00, 0xFF, // Usage Page (vendor-defined 0xFF00)
    0x09, 0x01,       // Usage (1)
    0xA1, 0x01,       // Collection (Application)
    0x09, 0x02,       //   Usage (2)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x40,       //   Report Count (64)
    0x81, 0x02,       //   Input (Data, Variable, Absolute)
    0x09, 0x03,       //   Usage (3)
    0x15, 0x00,       //   Logical Minimum (0)
    0x26, 0xFF, 0x00, //   Logical Maximum (255)
    0x75, 0x08,       //   Report Size (8)
    0x95, 0x40,       //   Report Count (64)
    0x91, 0x02,       //   Output (Data, Variable, Absolute)
    0xC0,             // End Collection
};

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// One event per write; the interface takes the whole structure whatever the event's size.
bool WriteEvent(int fd, const uhid_event& event, std::string& error)
{
    for (;;) {
        const ssize_t n = ::write(fd, &event, sizeof event);
        if (n == static_cast<ssize_t>(sizeof event))
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n >= 0)
            errno = EIO;
        error = Errno("cannot write to the uhid interface");
        return false;
    }
}

template <std::size_t N> void CopyText(std::uint8_t (&field)[N], const std::string& text)
{
    const std::size_t n = std::min(text.size(), N - 1); // always ends with a 0 byte
    std::memcpy(field, text.data(), n);
}

} // namespace

std::span<const std::uint8_t> HostReportDescriptor()
{
    return kHostReportDescriptor;
}

std::unique_ptr<UhidDevice> UhidDevice::Open(const std::string& path, std::string& error)
{
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) {
        error = Errno("cannot open " + path);
        return nullptr;
    }
    return std::make_unique<UhidDevice>(std::move(fd));
}

UhidDevice::UhidDevice(UniqueFd fd) : fd_(std::move(fd)) {}

UhidDevice::~UhidDevice()
{
    // Closing the descriptor removes the device too; saying so first is the orderly way.
    std::string ignored;
    Destroy(ignored);
}

bool UhidDevice::Create(const UhidDeviceInfo& info, std::string& error)
{
    if (created_ && !Destroy(error))
        return false;
    uhid_event event{};
    if (info.descriptor.size() > sizeof event.u.create2.rd_data) {
        error = "the report descriptor is longer than the kernel takes";
        return false;
    }
    event.type = UHID_CREATE2;
    auto& create = event.u.create2;
    CopyText(create.name, info.name);
    create.rd_size = static_cast<std::uint16_t>(info.descriptor.size());
    create.bus = info.bus;
    create.vendor = info.vendorId;
    create.product = info.productId;
    std::copy(info.descriptor.begin(), info.descriptor.end(), create.rd_data);
    if (!WriteEvent(fd_.Get(), event, error))
        return false;
    created_ = true;
    return true;
}

bool UhidDevice::Destroy(std::string& error)
{
    if (!created_)
        return true;
    created_ = false;
    uhid_event event{};
    event.type = UHID_DESTROY;
    return WriteEvent(fd_.Get(), event, error);
}

bool UhidDevice::SendInput(std::span<const std::uint8_t> data, std::string& error)
{
    if (!created_) {
        error = "no device to send from";
        return false;
    }
    uhid_event event{};
    if (data.size() > sizeof event.u.input2.data) {
        error = "an input report longer than the kernel takes";
        return false;
    }
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<std::uint16_t>(data.size());
    std::copy(data.begin(), data.end(), event.u.input2.data);
    return WriteEvent(fd_.Get(), event, error);
}

std::optional<UhidDevice::Event> UhidDevice::ReadEvent(std::string& error)
{
    error.clear();
    uhid_event event{};
    ssize_t n = 0;
    do {
        n = ::read(fd_.Get(), &event, sizeof event);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            error = Errno("cannot read from the uhid interface");
        return std::nullopt;
    }
    if (n < static_cast<ssize_t>(sizeof event.type)) {
        error = n == 0 ? "the uhid interface was closed" : "a truncated uhid event";
        return std::nullopt;
    }

    Event result;
    switch (event.type) {
    case UHID_OUTPUT: {
        const std::size_t size = std::min<std::size_t>(event.u.output.size, UHID_DATA_MAX);
        result.kind = Event::Kind::Output;
        result.data.assign(event.u.output.data, event.u.output.data + size);
        break;
    }
    case UHID_GET_REPORT:
    case UHID_SET_REPORT: {
        uhid_event reply{};
        if (event.type == UHID_GET_REPORT) {
            reply.type = UHID_GET_REPORT_REPLY;
            reply.u.get_report_reply.id = event.u.get_report.id;
            reply.u.get_report_reply.err = EIO;
        } else {
            reply.type = UHID_SET_REPORT_REPLY;
            reply.u.set_report_reply.id = event.u.set_report.id;
            reply.u.set_report_reply.err = EIO;
        }
        if (!WriteEvent(fd_.Get(), reply, error))
            return std::nullopt;
        result.kind = Event::Kind::RefusedRequest;
        break;
    }
    default:
        result.kind = Event::Kind::Other;
        break;
    }
    return result;
}

} // namespace px
