#pragma once

// The group "手动发送数据": a short text sent to one information machine, by its pager number
// or, after the hidden gesture (Shift held, seven clicks in the group), by its radio address.

#include "gui/main/MainWindowLayout.h"
#include "gui/main/WindowContext.h"

#include <QObject>
#include <QPoint>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace px {

class MessagePanel : public QObject
{
    Q_OBJECT
public:
    // Shift held and this many clicks in the group switch to address mode and back.
    static constexpr int kGestureClicks = 7;

    MessagePanel(const MainControls& controls, WindowContext& context, QObject* parent);

    void SetPagerNumbers(const std::vector<std::string>& entries);
    void EnableSending(bool on);
    // 0 number mode, 1 address mode.
    int Mode() const { return mode_; }

    // A mouse press anywhere in the window while Shift is held: counts it when it is in the
    // group. True when the press must not reach its widget.
    bool CountGestureClick(const QMouseEvent& press);

private:
    void Send();
    void ToggleMode();

    WindowContext& context_;
    QWidget* group_;
    QLabel* target_;
    QComboBox* pagers_;
    QLineEdit* address_;
    QComboBox* messageType_;
    QComboBox* polarity_;
    QComboBox* baud_;
    QPushButton* send_;
    QPlainTextEdit* text_;
    int mode_ = 0;
    int gestureClicks_ = 0;
    QPoint lastGesturePosition_;
    ulong lastGestureTimestamp_ = 0;
};

} // namespace px
