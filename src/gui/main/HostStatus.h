#pragma once

// Whether the host is connected, as the window shows it in its title: searched for every
// second until found, and again after any device went away.

#include "hostlink/HostExchange.h"
#include "hostlink/HostLink.h"

#include <QObject>
#include <QTimer>
#include <string>

class QWidget;

namespace px {

class HostStatus : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDetectionIntervalMs = 1000;
    static constexpr const char* kTitleStart = "ZR4870PX设置系统";
    static constexpr const char* kTitleConnected = "ZR4870PX设置系统----------[已连接设备]";
    static constexpr const char* kTitleNotConnected = "ZR4870PX设置系统----------[未连接设备]";
    static constexpr const char* kTitleRemoved = "PX_SystemDlg----------[未连接设备]";

    // Why a host found could not be opened is told through the prompter, once.
    HostStatus(QWidget* window, HostLink& link, HostExchange& exchange, Prompter& prompter);

    void Start();
    // The file being edited, shown in the title beside the connection state ("" for none).
    void SetDocument(const std::string& fileName, FileType type);
    // One tick of the search (the timer's, or a test's).
    void Tick();
    void DeviceArrived();
    void DeviceRemoved();

    bool IsConnected() const { return connected_; }
    bool IsSearching() const { return timer_->isActive(); }

signals:
    // The search found the host: the window checks it against the file being edited.
    void hostFound(HostModel model);

private:
    enum class State
    {
        Start,
        Connected,
        NotConnected,
        Removed,
    };
    void ShowTitle(State state);

    QWidget* window_;
    HostLink& link_;
    HostExchange& exchange_;
    Prompter& prompter_;
    QTimer* timer_;
    bool connected_ = false;
    State state_ = State::Start;
    std::string fileName_;
    FileType type_ = FileType::None;
};

// The window title for a connection state and the file being edited, e.g.
// "ZR4870PX设置系统 — 一号店 (PX)----------[已连接设备]"; without a file the classic titles.
QString MainWindowTitle(const char* stateTitle, const std::string& fileName, FileType type);

} // namespace px
