#pragma once

#include "common/Profile.h"
#include "common/Prompter.h"
#include "hostlink/HostExchange.h"
#include "settings/AlertSettings.h"
#include "settings/SettingsHost.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;

namespace px {

// How the LW3 receivers, and the LW2/LW1 receivers together, announce a call.
class CLW123Dlg : public QDialog
{
    Q_OBJECT
public:
    // The group the last button acted on; what the main window writes after OK.
    enum Kind
    {
        kNone = 0,
        kLw21 = 2,
        kLw3 = 3,
    };

    CLW123Dlg(const Lw3Settings& lw3, const Lw21Settings& lw21, SettingsHost& host,
              const Profile& profile, Prompter& prompter, QWidget* parent = nullptr);

    Kind LastKind() const { return kind_; }
    // The values to write: those of the group's write button, else the remembered ones (a
    // read never changes them).
    const Lw3Settings& Lw3Values() const { return lw3_; }
    const Lw21Settings& Lw21Values() const { return lw21_; }

private:
    void ShowLw3(const Lw3Settings& s);
    void ShowLw21(const Lw21Settings& s);
    void OnWriteLw3();
    void OnWriteLw21();
    void OnReadLw3();
    void OnReadLw21();

    Lw3Settings lw3_;
    Lw21Settings lw21_;
    SettingsHost& host_;
    const Profile& profile_;
    Prompter& prompter_;
    Kind kind_ = kNone;

    QComboBox* shake_;
    QComboBox* ring_;
    QComboBox* shine_;
    QComboBox* interval_;
    std::array<QCheckBox*, 3> lw3Methods_{};
    QComboBox* count_;
    QComboBox* interval21_;
    std::array<QCheckBox*, 3> lw21Methods_{};
};

// Command 32825 (LW1/2/3): opens the dialog prefilled from the profile, then writes the group
// it names, remembering the values only when the host took them.
void RunAlertCommand(HostExchange& exchange, Profile& profile, QWidget* parent);

} // namespace px
