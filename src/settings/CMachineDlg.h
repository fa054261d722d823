#pragma once

#include "storage/Database.h"

#include "common/Profile.h"
#include "common/Prompter.h"
#include "hostlink/HostExchange.h"
#include "settings/MachineParams.h"
#include "settings/SettingsHost.h"

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace px {

// The host's device parameters. The frequencies and the receiver types are hidden until
// Shift is held through seven clicks in the dialog (and hidden again by the next seven).
class CMachineDlg : public QDialog
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
    CMachineDlg(const MachineParams& values, SettingsHost& host, const Profile& profile,
                Prompter& prompter, Database& db, QWidget* parent = nullptr);
    ~CMachineDlg() override;

    // After OK: the values taken from the controls and what to write.
    const MachineParams& Values() const { return values_; }
    Action ChosenAction() const { return action_; }
    bool SectionsShown() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowValues(const MachineParams& p);
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

    QCheckBox* room_;
    QComboBox* monitoring_;
    QLineEdit* receiver_;
    QCheckBox* escalation_;
    QLineEdit* interval1_;
    QLineEdit* count1_;
    QLineEdit* interval2_;
    QLineEdit* count2_;
    QComboBox* mode_;
    QGroupBox* frequencyGroup_;
    QLineEdit* txFrequency_;
    QLineEdit* rxFrequency_;
    QGroupBox* typeGroup_;
    QComboBox* numericRate_;
    QComboBox* numericPolarity_;
    QComboBox* charRate_;
    QComboBox* charPolarity_;
};

// Command 32779 (设备参数): opens the dialog prefilled from the profile, then writes what it
// chose, remembering the values only when the host took them.
void RunMachineCommand(HostExchange& exchange, Profile& profile,
                       Database& db, QWidget* parent);

} // namespace px
