#include "gui/main/DeviceWatcher.h"

namespace px {

class DeviceWatcher::Source
{};

DeviceWatcher::DeviceWatcher(QObject* parent) : QObject(parent) {}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::IsWatching() const
{
    return false;
}

} // namespace px
