#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

namespace px {

class SimHostSession;

// What the udev monitor is to a real host, for a simulated one shared through its folder:
// once a tick it reads the folder again, so a host that another process (pxctl) unplugged or
// plugged in reaches the window as a device removal or arrival, and a queued key press or an
// armed fault is seen before the next report.
class SimFolderWatcher : public QObject
{
    Q_OBJECT
public:
    using ErrorSink = std::function<void(const std::string&)>;

    SimFolderWatcher(SimHostSession& session, int intervalMs, ErrorSink onError,
                     QObject* parent = nullptr);

    // One tick: reads the folder, saves what is pending, reports a new failure once.
    void Poll();

private:
    SimHostSession& session_;
    ErrorSink onError_;
    QTimer timer_;
    std::string lastError_;
};

} // namespace px
