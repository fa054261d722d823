#include "gui/main/MessagePanel.h"

#include "settings/InfoMessage.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

namespace px {

MessagePanel::MessagePanel(const MainControls& controls, WindowContext& context, QObject* parent)
    : QObject(parent), context_(context), group_(controls.Widget(MainControl::MessageGroup)),
      target_(controls.Get<QLabel>(MainControl::MessageTargetLabel)),
      pagers_(controls.Get<QComboBox>(MainControl::MessagePagerCombo)),
      address_(controls.Get<QLineEdit>(MainControl::MessageAddressEdit)),
      messageType_(controls.Get<QComboBox>(MainControl::MessageTypeCombo)),
      polarity_(controls.Get<QComboBox>(MainControl::MessagePolarityCombo)),
      baud_(controls.Get<QComboBox>(MainControl::MessageBaudCombo)),
      send_(controls.Get<QPushButton>(MainControl::SendMessageButton)),
      text_(controls.Get<QPlainTextEdit>(MainControl::MessageTextEdit))
{
    messageType_->addItems({"字符", "数字"});
    messageType_->setCurrentIndex(0);
    polarity_->addItems({"+", "-"});
    polarity_->setCurrentIndex(1);
    baud_->addItems({"512", "1200", "2400"});
    baud_->setCurrentIndex(1);
    connect(send_, &QPushButton::clicked, this, &MessagePanel::Send);
}

void MessagePanel::SetPagerNumbers(const std::vector<std::string>& entries)
{
    pagers_->clear();
    for (const std::string& entry : entries)
        pagers_->addItem(QString::fromStdString(entry));
    if (pagers_->count() > 0)
        pagers_->setCurrentIndex(0);
}

void MessagePanel::EnableSending(bool on)
{
    send_->setEnabled(on);
}

void MessagePanel::Send()
{
    MessageRequest request;
    request.addressMode = mode_ == 1;
    if (pagers_->currentIndex() >= 0)
        request.pagerText = pagers_->currentText().toStdString();
    request.addressText = address_->text().toStdString();
    request.typeIndex = messageType_->currentIndex();
    request.polarityIndex = polarity_->currentIndex();
    request.baudIndex = baud_->currentIndex();
    request.text = text_->toPlainText().toStdString();
    context_.runHostCommand([&] {
        SendInformationMessage(context_.exchange, request).notices.ShowWith(context_.prompter());
    });
}

void MessagePanel::ToggleMode()
{
    // The direction follows what is on screen now.
    const bool toAddress = messageType_->isHidden();
    target_->setText(toAddress ? "信息机地址:" : "信息机编号:");
    pagers_->setVisible(!toAddress);
    messageType_->setEnabled(toAddress);
    for (QWidget* control : {static_cast<QWidget*>(messageType_), static_cast<QWidget*>(polarity_),
                             static_cast<QWidget*>(baud_), static_cast<QWidget*>(address_)})
        control->setVisible(toAddress);
    mode_ = toAddress ? 1 : 0;
}

bool MessagePanel::CountGestureClick(const QMouseEvent& press)
{
    if (press.button() != Qt::LeftButton || !(press.modifiers() & Qt::ShiftModifier))
        return false;
    // A press the first widget ignored travels on to its parents as a copy with the same
    // time and place: count it once.
    const QPoint where = press.globalPosition().toPoint();
    if (press.timestamp() == lastGestureTimestamp_ && where == lastGesturePosition_)
        return false;
    lastGestureTimestamp_ = press.timestamp();
    lastGesturePosition_ = where;
    const QRect area(group_->mapToGlobal(QPoint(0, 0)), group_->size());
    if (!area.contains(where))
        return true; // with Shift held, presses elsewhere are not delivered
    if (++gestureClicks_ >= kGestureClicks) {
        gestureClicks_ = 0;
        ToggleMode();
    }
    return false;
}

} // namespace px
