#pragma once

#include "common/Profile.h"
#include "hostlink/HostFixture.h"
#include "mock/ScriptedPrompter.h"
#include "mock/WaitUntil.h"
#include "settings/SettingsHost.h"
#include "storage/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <sstream>
#include <string>

namespace px::test {

// The simulated host, a scripted prompter and a profile in memory; controls found by their
// classic ids.
class SettingsDialogTest : public HostFixture
{
protected:
    // No database: the receiver type rates stay as the dialog starts them.
    Database db_;
    // What the dialogs and the commands show.
    ScriptedPrompter prompter_;

    template <typename Widget> static Widget* Find(QWidget* dialog, int id)
    {
        auto* widget = dialog->findChild<Widget*>(QStringLiteral("id%1").arg(id));
        EXPECT_NE(widget, nullptr) << "id" << id;
        return widget;
    }
    static void Click(QWidget* dialog, int id) { Find<QPushButton>(dialog, id)->click(); }
    // Whether the dialog closed with OK when the button was clicked.
    static bool Accepts(QDialog& dialog, int button)
    {
        Click(&dialog, button);
        return dialog.result() == QDialog::Accepted;
    }
    static std::string Text(QWidget* dialog, int id)
    {
        return Find<QLineEdit>(dialog, id)->text().toStdString();
    }

    // What a control shows, whatever it is: a text, a list's current entry, "on" or "off".
    static std::string Shown(QWidget* dialog, int id)
    {
        QWidget* control = Find<QWidget>(dialog, id);
        if (const auto* edit = qobject_cast<QLineEdit*>(control))
            return edit->text().toStdString();
        if (const auto* combo = qobject_cast<QComboBox*>(control))
            return combo->currentText().toStdString();
        if (const auto* button = qobject_cast<QAbstractButton*>(control))
            return button->isChecked() ? "on" : "off";
        return "?";
    }

    // Every control shows its field of the record: "1015=430225 1011=on ...", id=what it shows.
    static void ExpectShown(QWidget* dialog, const std::string& shown)
    {
        std::istringstream controls(shown);
        std::string control;
        while (controls >> control) {
            const auto equals = control.find('=');
            ASSERT_NE(equals, std::string::npos) << control;
            const int id = std::stoi(control.substr(0, equals));
            EXPECT_EQ(Shown(dialog, id), control.substr(equals + 1)) << "id" << id;
        }
    }

    // Runs the step on the modal dialog the command opens.
    static void OnModal(std::function<void(QWidget*)> step)
    {
        QTimer::singleShot(0, [step] {
            ASSERT_TRUE(WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
            step(QApplication::activeModalWidget());
        });
    }

    MemoryProfile profile_;
    ExchangeSettingsHost settingsHost_{exchange_};
};

} // namespace px::test
