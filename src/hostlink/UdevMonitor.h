#pragma once

#include <optional>
#include <string>

struct udev;
struct udev_monitor;

namespace px {

// Watches the hidraw subsystem for devices being added and removed.
class UdevMonitor
{
public:
    enum class Action
    {
        Added,
        Removed,
        Other,
    };
    struct Event
    {
        Action action = Action::Other;
        std::string devnode;
    };

    UdevMonitor();
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // False when udev is not available (for instance inside a container).
    bool IsValid() const { return monitor_ != nullptr; }
    // A descriptor that becomes readable when an event waits.
    int Fd() const;
    // The waiting event, if any; never blocks.
    std::optional<Event> Receive();

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace px
