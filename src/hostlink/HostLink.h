#pragma once

#include "common/BuildInfo.h"
#include "common/Clock.h"
#include "common/EventPump.h"
#include "common/Models.h"
#include "common/Notices.h"
#include "hostlink/HidBackend.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace px {

// Which host model a USB id pair is, if any.
HostModel IdentifyHost(std::uint16_t vendorId, std::uint16_t productId);

// The connection to the host: finds it among the HID devices, moves single 65-byte reports
// with a time-out, and hands control back to the user interface while it waits.
class HostLink
{
public:
    HostLink(HidBackend& backend, Clock& clock, EventPump& pump);
    ~HostLink();
    HostLink(const HostLink&) = delete;
    HostLink& operator=(const HostLink&) = delete;

    // Searches for the host; the first host found is opened. Returns true when one was. Why a
    // host found could not be opened is kept for TakeNotices().
    bool FindHost();
    // What the searches since the last call have to tell (taken, so told once).
    Notices TakeNotices() { return std::exchange(notices_, {}); }
    // Waits up to timeoutMs for one input report into the receive buffer. On a time-out or
    // failure the link is closed. Returns whether the link is up afterwards.
    bool ReadReport(int timeoutMs);
    // Sends the send buffer as one output report. Returns whether the link is up afterwards.
    bool WriteReport();
    void CloseHost();
    // False when the program is quitting.
    bool PumpMessages();

    bool IsConnected() const { return connected_; }
    // Whether the host is given the protocol's pauses (HidDevice::NeedsPacing); with no
    // host open, it is.
    bool HostNeedsPacing() const { return device_ == nullptr || device_->NeedsPacing(); }
    // True while events are dispatched from inside a wait for the host: a handler running now
    // must not start an exchange of its own.
    bool IsWaiting() const { return waitDepth_ > 0; }
    HostModel GetHostModel() const { return hostModel_; }
    void SetHostModel(HostModel model) { hostModel_ = model; }

    // A device was just plugged in: for a short while an open that fails is retried, since
    // the system may not have granted access to the new device yet.
    void NoteDeviceArrival();

    Report& SendBuffer() { return sendBuffer_; }
    Report& ReceiveBuffer() { return receiveBuffer_; }
    const Report& SendBuffer() const { return sendBuffer_; }
    const Report& ReceiveBuffer() const { return receiveBuffer_; }

    // Waits are cut into slices of this many milliseconds with events pumped in between.
    static constexpr int kWaitSliceMs = 2;
    static constexpr int kArrivalRetryWindowMs = 3000;
    static constexpr int kArrivalRetryPauseMs = 100;

private:
    std::unique_ptr<HidDevice> OpenWithRetry(const std::string& path, OpenError& error);
    // Tells a search failure once; the same failure is not told again until it changes or the
    // search succeeds.
    void ReportFailure(const std::string& message);

    HidBackend& backend_;
    Clock& clock_;
    EventPump& pump_;
    std::unique_ptr<HidDevice> device_;
    bool connected_ = false;
    int waitDepth_ = 0;
    HostModel hostModel_ = HostModel::None;
    Report sendBuffer_{};
    Report receiveBuffer_{};
    std::string lastFailure_;
    Notices notices_;
    std::optional<std::int64_t> arrivalRetryUntil_;
};

} // namespace px
