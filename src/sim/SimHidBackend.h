#pragma once

// An in-process HID backend with devices that tests, the command line and the demonstration
// mode plug in and out at will. What a device answers is up to its peer.

#include "hostlink/HidBackend.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace px {

// The device side of a simulated device.
class SimPeer
{
public:
    virtual ~SimPeer() = default;
    // An output report arrived (byte 0 is the report id). False when the write fails.
    virtual bool OnOutputReport(const Report& report) = 0;
    // The next input report's 64 data bytes, if the device has one to send.
    virtual bool NextInputReport(std::array<std::uint8_t, kReportDataSize>& data) = 0;
    // Whether the device wants the pauses a real host is given (HidDevice::NeedsPacing).
    virtual bool NeedsPacing() const { return true; }
};

class SimHidBackend final : public HidBackend
{
public:
    using DeviceListener = std::function<void(bool added)>;

    SimHidBackend();
    ~SimHidBackend() override;

    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) override;
    std::string Name() const override { return "simulated"; }

    // Plugs a device in; returns its id. Without a peer the device stays silent and keeps
    // what it is sent.
    int AddDevice(std::uint16_t vendorId, std::uint16_t productId, SimPeer* peer = nullptr);
    // Unplugs it: open handles fail from now on.
    void RemoveDevice(int id);
    bool IsPresent(int id) const;

    // Makes opening the device fail: always, or only the next `times` opens
    // (OpenError::None lets it open again).
    void SetOpenError(int id, OpenError error, int times = -1);
    // Queues an input report for a device without a peer.
    void QueueInput(int id, const std::vector<std::uint8_t>& data);
    // Output reports a device without a peer has received, oldest first.
    std::vector<Report> Written(int id) const;
    int OpenCount(int id) const;

    // Called after a device was added or removed.
    void SetDeviceListener(DeviceListener listener) { listener_ = std::move(listener); }
    // Called before each enumeration, so the devices can be brought up to date first.
    void SetBeforeEnumerate(std::function<void()> hook) { beforeEnumerate_ = std::move(hook); }

    struct DeviceState;

private:
    DeviceState* Find(int id) const;

    std::vector<std::shared_ptr<DeviceState>> devices_;
    int nextId_ = 1;
    DeviceListener listener_;
    std::function<void()> beforeEnumerate_;
};

} // namespace px
