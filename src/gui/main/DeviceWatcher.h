#pragma once

#include "hostlink/UdevMonitor.h"

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace px {

// Turns hidraw hotplug events into signals for the main window.
class DeviceWatcher : public QObject
{
    Q_OBJECT
public:
    explicit DeviceWatcher(QObject* parent = nullptr);
    bool IsWatching() const { return notifier_ != nullptr; }

signals:
    void deviceArrived();
    void deviceRemoved();

private:
    void OnReadable();

    UdevMonitor monitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace px
