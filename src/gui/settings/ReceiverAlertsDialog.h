#pragma once

#include "common/Profile.h"
#include "common/Prompter.h"
#include "gui/settings/SettingsWidgets.h"
#include "hostlink/HostExchange.h"
#include "settings/AlertSettings.h"
#include "settings/SettingsHost.h"

#include <QDialog>

namespace px {

// How the LW3 receivers, and the LW2/LW1 receivers together, announce a call.
class ReceiverAlertsDialog : public QDialog
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

    ReceiverAlertsDialog(const Lw3Settings& lw3, const Lw21Settings& lw21, SettingsHost& host,
                         const Profile& profile, Prompter& prompter, QWidget* parent = nullptr);

    Kind LastKind() const { return kind_; }
    // The values to write: those of the group's write button, else the remembered ones (a
    // read never changes them).
    const Lw3Settings& Lw3Values() const { return lw3_; }
    const Lw21Settings& Lw21Values() const { return lw21_; }

private:
    void OnWrite(Kind kind);
    void OnRead(Kind kind);

    Lw3Settings lw3_;
    Lw21Settings lw21_;
    SettingsHost& host_;
    const Profile& profile_;
    Prompter& prompter_;
    Kind kind_ = kNone;

    FieldControls<Lw3Settings> lw3Fields_{kLw3Fields};
    FieldControls<Lw21Settings> lw21Fields_{kLw21Fields};
};

// Command 32825 (LW1/2/3): opens the dialog prefilled from the profile, then writes the group
// it names, remembering the values only when the host took them.
void RunReceiverAlertsCommand(HostExchange& exchange, Profile& profile, Prompter& prompter,
                              QWidget* parent,
                              const ExchangeSettingsHost::ReadBackNotice& notice = {});

} // namespace px
