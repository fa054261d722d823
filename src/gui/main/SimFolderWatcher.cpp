#include "gui/main/SimFolderWatcher.h"

#include "sim/SimHostSession.h"

namespace px {

SimFolderWatcher::SimFolderWatcher(SimHostSession& session, int intervalMs, ErrorSink onError,
                                   QObject* parent)
    : QObject(parent), session_(session), onError_(std::move(onError))
{
    timer_.setObjectName("simFolderTimer");
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &SimFolderWatcher::Poll);
    timer_.start();
}

void SimFolderWatcher::Poll()
{
    std::string error;
    if (session_.Refresh(error))
        session_.Flush(error);
    // Once a second would bury the message; it is said again only when it changes.
    if (error != lastError_ && !error.empty() && onError_)
        onError_(error);
    lastError_ = error;
}

} // namespace px
