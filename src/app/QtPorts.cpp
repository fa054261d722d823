#include "app/QtPorts.h"

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

QString Key(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section) + '/' + QString::fromStdString(key);
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
    box.exec();
}

bool QtPrompter::AskOkCancel(std::string_view text, std::string_view caption)
{
    QMessageBox box(QMessageBox::Question, CaptionOr(caption), ToQt(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent_.data());
    return box.exec() == QMessageBox::Ok;
}

SettingsProfile::SettingsProfile(const QString& application)
    : settings_(QSettings::NativeFormat, QSettings::UserScope, "DADE_System", application)
{
}

int SettingsProfile::GetInt(const std::string& section, const std::string& key, int def) const
{
    bool ok = false;
    const int value = settings_.value(Key(section, key), def).toInt(&ok);
    return ok ? value : def;
}

void SettingsProfile::SetInt(const std::string& section, const std::string& key, int value)
{
    settings_.setValue(Key(section, key), value);
}

std::string SettingsProfile::GetString(const std::string& section, const std::string& key,
                                       const std::string& def) const
{
    return settings_.value(Key(section, key), QString::fromStdString(def)).toString().toStdString();
}

void SettingsProfile::SetString(const std::string& section, const std::string& key,
                                const std::string& value)
{
    settings_.setValue(Key(section, key), QString::fromStdString(value));
}

bool QtEventPump::PumpMessages()
{
    if (quitting_)
        return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !quitting_;
}

} // namespace px
