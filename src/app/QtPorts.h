#pragma once

// The core's ports as the window program provides them.

#include "common/EventPump.h"
#include "common/Profile.h"
#include "common/Prompter.h"

#include <QPointer>
#include <QSettings>
#include <QWidget>

namespace px {

// Message boxes.
class QtPrompter final : public Prompter
{
public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    void Message(std::string_view text, std::string_view caption, MessageIcon icon) override;
    bool AskOkCancel(std::string_view text, std::string_view caption) override;

    static constexpr const char* kDefaultCaption = "PX_System";

private:
    QPointer<QWidget> parent_;
};

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

// Dispatches waiting events during long waits.
class QtEventPump final : public EventPump
{
public:
    bool PumpMessages() override;
    void SetQuitting() { quitting_ = true; }

private:
    bool quitting_ = false;
};

} // namespace px
