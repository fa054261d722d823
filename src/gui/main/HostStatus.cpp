#include "gui/main/HostStatus.h"

#include <QDebug>
#include <QWidget>

namespace px {

QString MainWindowTitle(const char* stateTitle, const std::string& fileName, FileType type)
{
    QString title = QString::fromUtf8(stateTitle);
    if (fileName.empty())
        return title;
    // The file goes between the program's name and the connection state.
    const qsizetype state = title.indexOf("----------");
    const QString file = QString::fromUtf8(" — ") + QString::fromStdString(fileName) +
                         (type == FileType::QX ? " (QX)" : " (PX)");
    return state < 0 ? title + file : title.insert(state, file + " ");
}

HostStatus::HostStatus(QWidget* window, HostLink& link, HostExchange& exchange, Prompter& prompter)
    : QObject(window), window_(window), link_(link), exchange_(exchange), prompter_(prompter),
      timer_(new QTimer(this))
{
    ShowTitle(State::Start);
    timer_->setObjectName("hostSearchTimer");
    timer_->setInterval(kDetectionIntervalMs);
    connect(timer_, &QTimer::timeout, this, &HostStatus::Tick);
}

void HostStatus::ShowTitle(State state)
{
    state_ = state;
    static constexpr const char* kTitles[] = {kTitleStart, kTitleConnected, kTitleNotConnected,
                                              kTitleRemoved};
    window_->setWindowTitle(MainWindowTitle(kTitles[static_cast<int>(state)], fileName_, type_));
}

void HostStatus::SetDocument(const std::string& fileName, FileType type)
{
    fileName_ = fileName;
    type_ = type;
    ShowTitle(state_);
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
    const bool found = link_.FindHost();
    link_.TakeNotices().ShowWith(prompter_);
    if (found) {
        timer_->stop();
        ShowTitle(State::Connected);
        connected_ = true;
        emit hostFound(link_.GetHostModel());
        return;
    }
    ShowTitle(State::NotConnected);
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
    ShowTitle(State::Removed);
    connected_ = false;
    link_.SetHostModel(HostModel::None);
    timer_->start(kDetectionIntervalMs);
}

} // namespace px
