#include "gui/main/DeviceWatcher.h"
#include "hostlink/UdevMonitor.h"

#include <QSocketNotifier>

namespace px {

class DeviceWatcher::Source
{
public:
    UdevMonitor monitor;
    std::unique_ptr<QSocketNotifier> notifier;
};

DeviceWatcher::DeviceWatcher(QObject* parent) : QObject(parent), source_(std::make_unique<Source>())
{
    if (!source_->monitor.IsValid())
        return;
    source_->notifier =
        std::make_unique<QSocketNotifier>(source_->monitor.Fd(), QSocketNotifier::Read);
    connect(source_->notifier.get(), &QSocketNotifier::activated, this, [this] {
        while (auto event = source_->monitor.Receive()) {
            if (event->action == UdevMonitor::Action::Added)
                emit deviceArrived();
            else if (event->action == UdevMonitor::Action::Removed)
                emit deviceRemoved();
        }
    });
}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::IsWatching() const
{
    return source_->notifier != nullptr;
}

} // namespace px
