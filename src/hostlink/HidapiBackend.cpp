#include "hostlink/HidapiBackend.h"

#include "hostlink/HidAccess.h"

#include <algorithm>
#include <hidapi/hidapi.h>

namespace px {

namespace {

class HidapiDevice final : public HidDevice
{
public:
    explicit HidapiDevice(hid_device* handle) : handle_(handle) {}
    ~HidapiDevice() override { hid_close(handle_); }
    HidapiDevice(const HidapiDevice&) = delete;
    HidapiDevice& operator=(const HidapiDevice&) = delete;

    int Read(std::span<std::uint8_t, kReportDataSize> data, int timeoutMs) override
    {
        // Read into a larger buffer: a device with longer reports than the host's is refused
        // instead of being cut into our 64 bytes.
        std::array<unsigned char, 1024> buffer{};
        const int n = hid_read_timeout(handle_, buffer.data(), buffer.size(), timeoutMs);
        if (n <= 0)
            return n < 0 ? -1 : 0;
        if (static_cast<std::size_t>(n) > kReportDataSize)
            return -1;
        std::copy_n(buffer.begin(), n, data.begin());
        return n;
    }

    bool Write(std::span<const std::uint8_t, kReportSize> report) override
    {
        return hid_write(handle_, report.data(), report.size()) >= 0;
    }

private:
    hid_device* handle_;
};

} // namespace

HidapiBackend::HidapiBackend() : initialised_(hid_init() == 0) {}

HidapiBackend::~HidapiBackend()
{
    if (initialised_)
        hid_exit();
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate()
{
    std::vector<HidDeviceInfo> devices;
    if (!initialised_)
        return devices;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* info = list; info != nullptr; info = info->next) {
        devices.push_back(
            {info->path != nullptr ? info->path : "", info->vendor_id, info->product_id});
    }
    hid_free_enumeration(list);
    return devices;
}

std::unique_ptr<HidDevice> HidapiBackend::Open(const std::string& path, OpenError& error)
{
    error = OpenError::None;
    if (!initialised_) {
        error = OpenError::Other;
        return nullptr;
    }
    hid_device* handle = hid_open_path(path.c_str());
    if (handle == nullptr) {
        error = WhyDeviceWouldNotOpen(path);
        return nullptr;
    }
    hid_set_nonblocking(handle, 0);
    return std::make_unique<HidapiDevice>(handle);
}

} // namespace px
