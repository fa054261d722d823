#pragma once

#include "common/Profile.h"
#include "common/Prompter.h"
#include "gui/settings/SettingsWidgets.h"
#include "hostlink/HostExchange.h"
#include "settings/MachineParams.h"
#include "settings/SettingsHost.h"
#include "storage/Database.h"

#include <QDialog>

class QGroupBox;

namespace px {

// The host's device parameters. The frequencies and the receiver types are hidden until
// Shift is held through seven clicks in the dialog (and hidden again by the next seven).
class DeviceParamsDialog : public QDialog
{
    Q_OBJECT
public:
    enum Action
    {
        kWriteParameters = 0,
        kWriteFrequencies = 1,
    };
    static constexpr int kGestureClicks = 7;

    // values: what the profile remembers; host runs the read-backs; the database holds the
    // receiver types.
    DeviceParamsDialog(const MachineParams& values, SettingsHost& host, const Profile& profile,
                       Prompter& prompter, Database& db, QWidget* parent = nullptr);
    ~DeviceParamsDialog() override;

    // After OK: the values taken from the controls and what to write.
    const MachineParams& Values() const { return values_; }
    Action ChosenAction() const { return action_; }
    bool SectionsShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TakeControls(MachineParams& p);
    void OnWrite(Action action);
    void OnReadBack(ParamReadBack kind);
    void OnSaveTypes();
    void ToggleSections();

    MachineParams values_;
    SettingsHost& host_;
    const Profile& profile_;
    Prompter& prompter_;
    Database& database_;
    Action action_ = kWriteParameters;
    int gestureClicks_ = 0;

    FieldControls<MachineParams> fields_{kParameterFields, kFrequencyFields};
    FieldControls<ReceiverTypeRates> rates_{kReceiverTypeRateFields};
    QGroupBox* frequencyGroup_;
    QGroupBox* typeGroup_;
};

// Command 32779 (设备参数): opens the dialog prefilled from the profile, then writes what it
// chose, remembering the values only when the host took them.
void RunDeviceParamsCommand(HostExchange& exchange, Profile& profile, Database& db,
                            Prompter& prompter, QWidget* parent,
                            const ExchangeSettingsHost::ReadBackNotice& notice = {});

} // namespace px
