#pragma once

#include "common/Profile.h"

#include <QSettings>
#include <QString>
#include <memory>

namespace px {

// The per-user application profile.
class SettingsProfile final : public Profile
{
public:
    // Organisation "DADE_System", application = the executable's base name. With a folder, the
    // settings live in that folder's kFileName instead (portable use: --data-dir).
    explicit SettingsProfile(const QString& application, const QString& folder = {});

    static constexpr const char* kFileName = "px-system.ini";

    // Where the settings are kept.
    QString Location() const { return settings_->fileName(); }

    int GetInt(const std::string& section, const std::string& key, int def) const override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;

private:
    std::unique_ptr<QSettings> settings_;
};

} // namespace px
