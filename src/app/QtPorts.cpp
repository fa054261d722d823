#include "app/QtPorts.h"

#include "gui/widgets/Translations.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace px {

namespace {

QString ToQt(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString CaptionOr(std::string_view caption)
{
    return caption.empty() ? QString::fromLatin1(QtPrompter::kDefaultCaption) : ToQt(caption);
}

} // namespace

void QtPrompter::Message(std::string_view text, std::string_view caption, MessageIcon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Information:
        qtIcon = QMessageBox::Information;
        break;
    case MessageIcon::Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Critical:
        qtIcon = QMessageBox::Critical;
        break;
    case MessageIcon::Question:
        qtIcon = QMessageBox::Question;
        break;
    case MessageIcon::None:
        break;
    }
    QMessageBox box(qtIcon, CaptionOr(caption), ToQt(text), QMessageBox::Ok, parent_.data());
    NameStandardButtons(box);
    box.exec();
}

bool QtPrompter::AskOkCancel(std::string_view text, std::string_view caption)
{
    QMessageBox box(QMessageBox::Question, CaptionOr(caption), ToQt(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent_.data());
    NameStandardButtons(box);
    return box.exec() == QMessageBox::Ok;
}

bool QtEventPump::PumpMessages()
{
    if (quitting_)
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !quitting_;
}

} // namespace px
