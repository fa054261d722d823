#pragma once

#include "common/Profile.h"

#include <QSettings>
#include <QString>

namespace px {

// The per-user application profile.
class SettingsProfile final : public Profile
{
public:
    // Organisation "DADE_System", application = the executable's base name.
    explicit SettingsProfile(const QString& application);

    int GetInt(const std::string& section, const std::string& key, int def) const override;
    void SetInt(const std::string& section, const std::string& key, int value) override;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& def) const override;
    void SetString(const std::string& section, const std::string& key,
                   const std::string& value) override;

private:
    mutable QSettings settings_;
};

} // namespace px
