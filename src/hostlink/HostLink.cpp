#include "hostlink/HostLink.h"

#include "hostlink/HidAccess.h"

#include <algorithm>

namespace px {

HostModel IdentifyHost(std::uint16_t vendorId, std::uint16_t productId)
{
    if (vendorId != kHostVendorId)
        return HostModel::None;
    switch (productId) {
    case kPxProductId:
        return HostModel::PX;
    case kQxProductId:
        return HostModel::QX;
    default:
        return HostModel::None;
    }
}

HostLink::HostLink(HidBackend& backend, Clock& clock, EventPump& pump)
    : backend_(backend), clock_(clock), pump_(pump)
{}

HostLink::~HostLink() = default;

void HostLink::NoteDeviceArrival()
{
    arrivalRetryUntil_ = clock_.NowMs() + kArrivalRetryWindowMs;
}

std::unique_ptr<HidDevice> HostLink::OpenWithRetry(const std::string& path, OpenError& error)
{
    auto device = backend_.Open(path, error);
    while (!device && arrivalRetryUntil_ && clock_.NowMs() < *arrivalRetryUntil_) {
        if (!PumpMessages())
            break;
        clock_.SleepMs(kArrivalRetryPauseMs);
        device = backend_.Open(path, error);
    }
    return device;
}

void HostLink::ReportFailure(const std::string& message)
{
    if (message == lastFailure_)
        return;
    lastFailure_ = message;
    notices_.Add(message);
}

bool HostLink::FindHost()
{
    CloseHost();
    connected_ = false;
    hostModel_ = HostModel::None;

    for (const HidDeviceInfo& info : backend_.Enumerate()) {
        const HostModel model = IdentifyHost(info.vendorId, info.productId);
        if (model == HostModel::None)
            continue;
        OpenError error = OpenError::None;
        device_ = OpenWithRetry(info.path, error);
        if (!device_) {
            ReportFailure(error == OpenError::PermissionDenied ? PermissionHelpText()
                                                               : std::string("无法打开通信端口"));
            return false;
        }
        arrivalRetryUntil_.reset();
        lastFailure_.clear();
        hostModel_ = model;
        connected_ = true;
        return true;
    }
    lastFailure_.clear(); // no host, no failure: a later failure is shown again
    return false;
}

bool HostLink::ReadReport(int timeoutMs)
{
    if (!connected_ && !FindHost())
        return false;
    if (!device_) {
        connected_ = false;
        return false;
    }
    receiveBuffer_.fill(0);
    bool ok = PumpMessages();
    const std::int64_t deadline = clock_.NowMs() + timeoutMs;
    while (ok) {
        const int n = device_->Read(
            std::span<std::uint8_t, kReportDataSize>(receiveBuffer_.data() + 1, kReportDataSize),
            0);
        if (n > 0)
            break;
        const std::int64_t now = clock_.NowMs();
        if (n < 0 || now >= deadline) {
            ok = false;
            break;
        }
        if (!PumpMessages()) {
            ok = false;
            break;
        }
        clock_.SleepMs(static_cast<int>(std::min<std::int64_t>(kWaitSliceMs, deadline - now)));
    }
    if (ok)
        PumpMessages();
    if (!ok) {
        receiveBuffer_.fill(0);
        CloseHost();
        connected_ = false;
    }
    return connected_;
}

bool HostLink::WriteReport()
{
    if (!connected_ && !FindHost())
        return false;
    sendBuffer_[0] = 0;
    PumpMessages();
    if (!device_) {
        connected_ = false;
        return false;
    }
    // Whatever came before this write can never be taken for its answer.
    receiveBuffer_.fill(0);
    if (!device_->Write(sendBuffer_)) {
        CloseHost();
        connected_ = false;
    }
    return connected_;
}

void HostLink::CloseHost()
{
    device_.reset();
}

bool HostLink::PumpMessages()
{
    // Whatever runs while events are dispatched here runs in the middle of a wait.
    ++waitDepth_;
    const bool running = pump_.PumpMessages();
    --waitDepth_;
    return running;
}

} // namespace px
