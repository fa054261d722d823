#pragma once

#include "common/Clock.h"
#include "common/Prompter.h"
#include "gui/settings/SettingsWidgets.h"
#include "settings/NetworkParams.h"
#include "settings/SettingsHost.h"

#include <QDialog>

namespace px {

// The host's network set-up. The main window keeps one for its whole life and opens it each
// time, so the values last taken or read back are shown again until the program ends.
class NetworkParamsDialog : public QDialog
{
    Q_OBJECT
public:
    NetworkParamsDialog(SettingsHost& host, Clock& clock, Prompter& prompter,
                        QWidget* parent = nullptr);

    const NetworkParams& Values() const { return values_; }

    // Enter takes the controls (when they are valid) and closes; Escape closes without.
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool TakeControls();
    void ApplyNetworkRule(bool on);
    void ApplyRoleRule(int role);
    void OnRandomMac();
    void OnWrite();
    void OnReadBack();

    SettingsHost& host_;
    Clock& clock_;
    Prompter& prompter_;
    NetworkParams values_;
    FieldControls<NetworkParams> fields_{kNetworkFields};

    QRadioButton* networkOff_;
    QRadioButton* networkOn_;
    QRadioButton* roleHost_;
    QRadioButton* roleSlave_;
    QLineEdit* id_;
    QLineEdit* ip_;
    QLineEdit* port_;
    QLineEdit* mac_;
    QPushButton* randomMac_;
    QLineEdit* mask_;
    QLineEdit* gateway_;
    QLineEdit* reconnect_;
    QLineEdit* validity_;
    QLineEdit* hostIp_;
    QLineEdit* hostPort_;
};

} // namespace px
