#include "hostlink/UdevMonitor.h"

#include <cstring>
#include <libudev.h>
#include <unistd.h>

namespace px {

bool UdevMonitor::DaemonRunning(const std::string& udevRunDir)
{
    return ::access((udevRunDir + "/control").c_str(), F_OK) == 0;
}

UdevMonitor::UdevMonitor(const std::string& udevRunDir)
{
    if (!DaemonRunning(udevRunDir))
        return;
    udev_ = udev_new();
    if (udev_ == nullptr)
        return;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ == nullptr)
        return;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

UdevMonitor::~UdevMonitor()
{
    if (monitor_ != nullptr)
        udev_monitor_unref(monitor_);
    if (udev_ != nullptr)
        udev_unref(udev_);
}

int UdevMonitor::Fd() const
{
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_) : -1;
}

std::optional<UdevMonitor::Event> UdevMonitor::Receive()
{
    if (monitor_ == nullptr)
        return std::nullopt;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr)
        return std::nullopt;
    Event event;
    const char* action = udev_device_get_action(device);
    if (action != nullptr && std::strcmp(action, "add") == 0)
        event.action = Action::Added;
    else if (action != nullptr && std::strcmp(action, "remove") == 0)
        event.action = Action::Removed;
    const char* node = udev_device_get_devnode(device);
    event.devnode = node != nullptr ? node : "";
    udev_device_unref(device);
    return event;
}

} // namespace px
