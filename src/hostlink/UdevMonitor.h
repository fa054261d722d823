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

    // Where a running udev daemon keeps its control socket.
    static constexpr const char* kUdevRunDir = "/run/udev";

    // udevRunDir: tests point it at a folder of their own.
    explicit UdevMonitor(const std::string& udevRunDir = kUdevRunDir);
    ~UdevMonitor();
    UdevMonitor(const UdevMonitor&) = delete;
    UdevMonitor& operator=(const UdevMonitor&) = delete;

    // False when no event can come: libudev is not usable, or no udev daemon runs (inside a
    // container, on a minimal system). The monitor listens to the daemon's announcements,
    // made once a new device node has its permissions; without the daemon it would be open
    // and silent for ever, so the caller must rely on searching instead.
    bool IsValid() const { return monitor_ != nullptr; }
    // Whether a udev daemon runs, by the same sign libudev itself goes by: its control socket.
    static bool DaemonRunning(const std::string& udevRunDir = kUdevRunDir);
    // A descriptor that becomes readable when an event waits.
    int Fd() const;
    // The waiting event, if any; never blocks.
    std::optional<Event> Receive();

private:
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
};

} // namespace px
