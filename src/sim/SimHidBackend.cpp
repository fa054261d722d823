#include "sim/SimHidBackend.h"

#include <algorithm>

namespace px {

struct SimHidBackend::DeviceState
{
    int id = 0;
    HidDeviceInfo info;
    SimPeer* peer = nullptr;
    bool present = true;
    OpenError openError = OpenError::None;
    int openFailures = -1; // -1: every open fails while openError is set
    std::deque<std::array<std::uint8_t, kReportDataSize>> input;
    std::vector<Report> written;
    int openCount = 0;
};

namespace {

class SimDevice final : public HidDevice
{
public:
    explicit SimDevice(std::shared_ptr<SimHidBackend::DeviceState> state) : state_(std::move(state))
    {}

    int Read(std::span<std::uint8_t, kReportDataSize> data, int /*timeoutMs*/) override
    {
        if (!state_->present)
            return -1;
        std::array<std::uint8_t, kReportDataSize> report{};
        if (state_->peer != nullptr) {
            if (!state_->peer->NextInputReport(report))
                return 0;
        } else {
            if (state_->input.empty())
                return 0;
            report = state_->input.front();
            state_->input.pop_front();
        }
        std::copy(report.begin(), report.end(), data.begin());
        return static_cast<int>(kReportDataSize);
    }

    bool Write(std::span<const std::uint8_t, kReportSize> report) override
    {
        if (!state_->present)
            return false;
        Report copy{};
        std::copy(report.begin(), report.end(), copy.begin());
        if (state_->peer != nullptr)
            return state_->peer->OnOutputReport(copy);
        state_->written.push_back(copy);
        return true;
    }

    bool NeedsPacing() const override
    {
        return state_->peer == nullptr || state_->peer->NeedsPacing();
    }

private:
    std::shared_ptr<SimHidBackend::DeviceState> state_;
};

} // namespace

SimHidBackend::SimHidBackend() = default;
SimHidBackend::~SimHidBackend() = default;

std::vector<HidDeviceInfo> SimHidBackend::Enumerate()
{
    if (beforeEnumerate_)
        beforeEnumerate_();
    std::vector<HidDeviceInfo> list;
    for (const auto& device : devices_) {
        if (device->present)
            list.push_back(device->info);
    }
    return list;
}

std::unique_ptr<HidDevice> SimHidBackend::Open(const std::string& path, OpenError& error)
{
    error = OpenError::None;
    for (const auto& device : devices_) {
        if (device->present && device->info.path == path) {
            if (device->openError != OpenError::None && device->openFailures != 0) {
                error = device->openError;
                if (device->openFailures > 0)
                    --device->openFailures;
                return nullptr;
            }
            ++device->openCount;
            return std::make_unique<SimDevice>(device);
        }
    }
    error = OpenError::Other;
    return nullptr;
}

int SimHidBackend::AddDevice(std::uint16_t vendorId, std::uint16_t productId, SimPeer* peer)
{
    auto state = std::make_shared<DeviceState>();
    state->id = nextId_++;
    state->info = {"sim:" + std::to_string(state->id), vendorId, productId};
    state->peer = peer;
    devices_.push_back(state);
    if (listener_)
        listener_(true);
    return state->id;
}

void SimHidBackend::RemoveDevice(int id)
{
    if (DeviceState* device = Find(id); device != nullptr && device->present) {
        device->present = false;
        if (listener_)
            listener_(false);
    }
}

bool SimHidBackend::IsPresent(int id) const
{
    const DeviceState* device = Find(id);
    return device != nullptr && device->present;
}

void SimHidBackend::SetOpenError(int id, OpenError error, int times)
{
    if (DeviceState* device = Find(id)) {
        device->openError = error;
        device->openFailures = times;
    }
}

void SimHidBackend::QueueInput(int id, const std::vector<std::uint8_t>& data)
{
    if (DeviceState* device = Find(id)) {
        std::array<std::uint8_t, kReportDataSize> report{};
        std::copy_n(data.begin(), std::min(data.size(), report.size()), report.begin());
        device->input.push_back(report);
    }
}

std::vector<Report> SimHidBackend::Written(int id) const
{
    const DeviceState* device = Find(id);
    return device != nullptr ? device->written : std::vector<Report>{};
}

int SimHidBackend::OpenCount(int id) const
{
    const DeviceState* device = Find(id);
    return device != nullptr ? device->openCount : 0;
}

SimHidBackend::DeviceState* SimHidBackend::Find(int id) const
{
    const auto it = std::find_if(devices_.begin(), devices_.end(),
                                 [id](const auto& device) { return device->id == id; });
    return it != devices_.end() ? it->get() : nullptr;
}

} // namespace px
