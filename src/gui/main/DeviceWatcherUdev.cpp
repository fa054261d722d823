#include "gui/main/DeviceWatcher.h"

namespace px {

DeviceWatcher::DeviceWatcher(QObject* parent) : QObject(parent)
{
    if (!monitor_.IsValid())
        return;
    notifier_ = std::make_unique<QSocketNotifier>(monitor_.Fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceWatcher::OnReadable);
}

void DeviceWatcher::OnReadable()
{
    while (auto event = monitor_.Receive()) {
        if (event->action == UdevMonitor::Action::Added)
            emit deviceArrived();
        else if (event->action == UdevMonitor::Action::Removed)
            emit deviceRemoved();
    }
}

} // namespace px
