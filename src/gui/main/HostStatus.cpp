#include "gui/main/HostStatus.h"

#include <QDebug>
#include <QWidget>

namespace px {

HostStatus::HostStatus(QWidget* window, HostLink& link, HostExchange& exchange)
    : QObject(window), window_(window), link_(link), exchange_(exchange), timer_(new QTimer(this))
{
    window_->setWindowTitle(kTitleStart);
    timer_->setObjectName("hostSearchTimer");
    timer_->setInterval(kDetectionIntervalMs);
    connect(timer_, &QTimer::timeout, this, &HostStatus::Tick);
}

void HostStatus::Start()
{
    timer_->start();
}

void HostStatus::Tick()
{
    // A search closes and reopens the link: never in the middle of an exchange. The timer
    // tries again a second later.
    if (connected_ || exchange_.IsBusy() || link_.IsWaiting())
        return;
    if (link_.FindHost()) {
        timer_->stop();
        window_->setWindowTitle(kTitleConnected);
        connected_ = true;
        emit hostFound(link_.GetHostModel());
        return;
    }
    window_->setWindowTitle(kTitleNotConnected);
    connected_ = false;
    link_.CloseHost();
}

void HostStatus::DeviceArrived()
{
    qDebug() << "HID设备插入！";
    link_.NoteDeviceArrival();
}

void HostStatus::DeviceRemoved()
{
    // Any HID device may have gone; the next tick finds the host again if it is still there.
    window_->setWindowTitle(kTitleRemoved);
    connected_ = false;
    link_.SetHostModel(HostModel::None);
    timer_->start(kDetectionIntervalMs);
}

} // namespace px
