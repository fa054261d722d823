#pragma once

#include <QObject>
#include <memory>

namespace px {

// Turns the system's hotplug events for HID devices into signals for the main window. On Linux
// they come from a udev monitor (DeviceWatcherUdev.cpp); on Windows nothing watches
// (DeviceWatcherWindows.cpp): the window's one-second search finds a host that comes or goes,
// and Windows needs no pause for permissions after an arrival.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    explicit DeviceWatcher(QObject* parent = nullptr);
    ~DeviceWatcher() override;
    DeviceWatcher(const DeviceWatcher&) = delete;
    DeviceWatcher& operator=(const DeviceWatcher&) = delete;

    // Whether events come at all (no udev daemon, or Windows: the search alone).
    bool IsWatching() const;

signals:
    void deviceArrived();
    void deviceRemoved();

private:
    class Source;
    std::unique_ptr<Source> source_;
};

} // namespace px
