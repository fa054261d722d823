#pragma once

#include "common/Profile.h"
#include "common/Prompter.h"
#include "gui/settings/SettingsWidgets.h"
#include "hostlink/HostExchange.h"
#include "settings/HandheldSettings.h"
#include "settings/SettingsHost.h"

#include <QDialog>
#include <vector>

namespace px {

// The handheld callers' hurry-dish and dispatch modes.
class HandheldSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    HandheldSettingsDialog(const HandheldSettings& values, Prompter& prompter,
                           QWidget* parent = nullptr);

    // After 写入: the values taken from the controls.
    const HandheldSettings& Values() const { return values_; }

private:
    void OnWrite();

    HandheldSettings values_;
    Prompter& prompter_;
    // One per mode, in the order of kHandheldModes.
    std::vector<FieldControls<HandheldMode>> modes_;
};

// Command 32791 (下载数据 → 手持呼叫器设置信息): edit the remembered settings, then download
// them; remembered only when the host took them.
void RunHandheldSettingsDownload(HostExchange& exchange, Profile& profile, Prompter& prompter,
                                 QWidget* parent);
// Command 32801 (回读数据 → 手持呼叫器设置信息): shows what the host holds, for viewing only.
void RunHandheldSettingsReadBack(HostExchange& exchange, Prompter& prompter, QWidget* parent,
                                 const ExchangeSettingsHost::ReadBackNotice& notice = {});

} // namespace px
