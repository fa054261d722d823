#include "app/SettingsProfile.h"

#include <QDir>

namespace px {

namespace {

QString Key(const std::string& section, const std::string& key)
{
    return QString::fromStdString(section) + '/' + QString::fromStdString(key);
}

} // namespace

SettingsProfile::SettingsProfile(const QString& application, const QString& folder)
    : settings_(
          folder.isEmpty()
              ? std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            "DADE_System", application)
              : std::make_unique<QSettings>(QDir(folder).filePath(kFileName), QSettings::IniFormat))
{}

int SettingsProfile::GetInt(const std::string& section, const std::string& key, int def) const
{
    bool ok = false;
    const int value = settings_->value(Key(section, key), def).toInt(&ok);
    return ok ? value : def;
}

void SettingsProfile::SetInt(const std::string& section, const std::string& key, int value)
{
    settings_->setValue(Key(section, key), value);
}

std::string SettingsProfile::GetString(const std::string& section, const std::string& key,
                                       const std::string& def) const
{
    return settings_->value(Key(section, key), QString::fromStdString(def))
        .toString()
        .toStdString();
}

void SettingsProfile::SetString(const std::string& section, const std::string& key,
                                const std::string& value)
{
    settings_->setValue(Key(section, key), QString::fromStdString(value));
}

} // namespace px
