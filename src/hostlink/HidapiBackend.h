#pragma once

#include "hostlink/HidBackend.h"

namespace px {

// Real hosts over hidapi's hidraw backend.
class HidapiBackend final : public HidBackend
{
public:
    HidapiBackend();
    ~HidapiBackend() override;

    std::vector<HidDeviceInfo> Enumerate() override;
    std::unique_ptr<HidDevice> Open(const std::string& path, OpenError& error) override;
    std::string Name() const override { return "USB HID"; }

private:
    bool initialised_ = false;
};

} // namespace px
