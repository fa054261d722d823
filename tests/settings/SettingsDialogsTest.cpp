#include "hostlink/HostFixture.h"
#include "mock/WaitUntil.h"
#include "settings/CLW123Dlg.h"
#include "settings/CMachineDlg.h"
#include "settings/CShouChiDlg.h"
#include "settings/CStationDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace px {
namespace {

class SettingsDialogsTest : public test::HostFixture
{
protected:
    // No database: the receiver type rates stay as the dialog starts them.
    Database db_;

    template <typename Widget> static Widget* Find(QWidget* dialog, int id)
    {
        auto* widget = dialog->findChild<Widget*>(QStringLiteral("id%1").arg(id));
        EXPECT_NE(widget, nullptr) << "id" << id;
        return widget;
    }
    static void Click(QWidget* dialog, int id) { Find<QPushButton>(dialog, id)->click(); }
    static std::string Text(QWidget* dialog, int id)
    {
        return Find<QLineEdit>(dialog, id)->text().toStdString();
    }

    // Runs the step on the modal dialog the command opens.
    static void OnModal(std::function<void(QWidget*)> step)
    {
        QTimer::singleShot(0, [step] {
            ASSERT_TRUE(
                test::WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }));
            step(QApplication::activeModalWidget());
        });
    }

    MemoryProfile profile_;
    ExchangeSettingsHost settingsHost_{exchange_};
};

// --- device parameters -----------------------------------------------------------------------

TEST_F(SettingsDialogsTest, MachineDialogShowsTheDefaultsAndWritesMonitoringOffAsOne)
{
    CMachineDlg dialog(LoadMachineParams(profile_), settingsHost_, profile_, prompter_, db_);
    EXPECT_EQ(Text(&dialog, 1015), "430225");
    EXPECT_EQ(Text(&dialog, 1016), "315600");
    EXPECT_EQ(Find<QComboBox>(&dialog, 1012)->currentText().toStdString(), "停用");
    EXPECT_EQ(Find<QComboBox>(&dialog, 1018)->currentText().toStdString(), "485输出");
    EXPECT_EQ(Text(&dialog, 1001), "1");
    EXPECT_FALSE(dialog.SectionsShown());
    EXPECT_EQ(Find<QComboBox>(&dialog, 1050)->currentIndex(), -1) << "no database, no selection";

    Find<QLineEdit>(&dialog, 1001)->setText("200");
    Click(&dialog, 1);
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenAction(), CMachineDlg::kWriteParameters);
    ASSERT_TRUE(WriteMachineParameters(exchange_, profile_, dialog.Values()));
    const Bytes record = host_.State().tables[kCmdMachineParams];
    EXPECT_EQ(record[5], 1);
    EXPECT_EQ(record[6], 0x00);
    EXPECT_EQ(record[7], 0xC8);
}

TEST_F(SettingsDialogsTest, ParameterReadBackSelectsTheHostValuesAndTheProfileFrequencies)
{
    MachineParams onHost;
    onHost.monitoring = 0; // byte 5 = 1
    onHost.receiver = 42;
    host_.State().tables[kCmdMachineParams] = BuildMachineRecord(onHost);
    profile_.SetInt("MACHINE", "TPL", 470000);
    profile_.SetInt("MACHINE", "JIANTING", 3);

    CMachineDlg dialog(LoadMachineParams(profile_), settingsHost_, profile_, prompter_, db_);
    EXPECT_EQ(Find<QComboBox>(&dialog, 1012)->currentIndex(), 3);
    Find<QLineEdit>(&dialog, 1015)->setText("555555"); // typed, not written
    Click(&dialog, 3);
    EXPECT_EQ(Find<QComboBox>(&dialog, 1012)->currentIndex(), 0);
    EXPECT_EQ(Text(&dialog, 1001), "42");
    EXPECT_EQ(Text(&dialog, 1015), "470000");
    EXPECT_NE(dialog.result(), QDialog::Accepted) << "a read-back keeps the dialog open";
    EXPECT_EQ(profile_.GetInt("MACHINE", "JIANTING", -1), 3);

    // A frequency read-back puts the profile values back into the parameter fields.
    host_.State().tables[kCmdFrequencies] = BuildFrequencyRecord(230000, 930000);
    Click(&dialog, 1040);
    EXPECT_EQ(Text(&dialog, 1015), "230000");
    EXPECT_EQ(Text(&dialog, 1016), "930000");
    EXPECT_EQ(Find<QComboBox>(&dialog, 1012)->currentIndex(), 3);
    EXPECT_EQ(Text(&dialog, 1001), "1");
}

TEST_F(SettingsDialogsTest, ShiftAndSevenClicksToggleTheHiddenSections)
{
    CMachineDlg dialog(MachineParams{}, settingsHost_, profile_, prompter_, db_);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QWidget* target = Find<QLineEdit>(&dialog, 1001);
    const auto clicks = [target](int n, Qt::KeyboardModifiers modifiers) {
        for (int i = 0; i < n; ++i)
            QTest::mouseClick(target, Qt::LeftButton, modifiers);
    };
    clicks(6, Qt::ShiftModifier);
    clicks(3, Qt::NoModifier);
    EXPECT_FALSE(dialog.SectionsShown());
    clicks(1, Qt::ShiftModifier);
    EXPECT_TRUE(dialog.SectionsShown());
    clicks(7, Qt::ShiftModifier);
    EXPECT_FALSE(dialog.SectionsShown());
    clicks(7, Qt::ShiftModifier);
    EXPECT_TRUE(dialog.SectionsShown());

    QTest::keyClick(target, Qt::Key_Escape);
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible()) << "Escape and Enter do not close it";
}

TEST_F(SettingsDialogsTest, FrequenciesOutsideTheRangeAreRefused)
{
    struct Case
    {
        const char* tx;
        const char* rx;
        bool accepted;
        const char* prompt;
    };
    const Case cases[] = {
        {"230000", "930000", true, ""},
        {"229999", "315600", false, "Please enter an integer between 230000 and 930000."},
        {"430225", "930001", false, "Please enter an integer between 230000 and 930000."},
        {"43O225", "315600", false, "Please enter an integer."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tx);
        prompter_.Clear();
        CMachineDlg dialog(MachineParams{}, settingsHost_, profile_, prompter_, db_);
        Find<QLineEdit>(&dialog, 1015)->setText(c.tx);
        Find<QLineEdit>(&dialog, 1016)->setText(c.rx);
        Click(&dialog, 1039);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(dialog.ChosenAction(), CMachineDlg::kWriteFrequencies);
            EXPECT_EQ(dialog.Values().rxFrequency, 930000);
        } else {
            EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{c.prompt}));
        }
    }
}

TEST_F(SettingsDialogsTest, TheCommandKeepsTheProfileWhenTheWriteFails)
{
    profile_.SetInt("MACHINE", "NO", 17);
    host_.State().fault = *ParseSimFault("silent");
    OnModal([](QWidget* dialog) {
        Find<QLineEdit>(dialog, 1001)->setText("99");
        Click(dialog, 1);
    });
    RunMachineCommand(exchange_, profile_, db_, nullptr);
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 17);
    EXPECT_EQ(prompter_.Texts().back(), "设置本机参数失败！");

    host_.State().fault = {};
    OnModal([](QWidget* dialog) {
        Find<QLineEdit>(dialog, 1001)->setText("99");
        Click(dialog, 1);
    });
    RunMachineCommand(exchange_, profile_, db_, nullptr);
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 99);
    EXPECT_EQ(host_.State().tables[kCmdMachineParams][7], 99);
}

// --- network parameters ----------------------------------------------------------------------

TEST_F(SettingsDialogsTest, StationOpensWithTheNetworkHostFieldsDisabledAndFollowsTheRadios)
{
    CStationDlg dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    const auto enabled = [&dialog](int id) { return Find<QWidget>(&dialog, id)->isEnabled(); };
    EXPECT_TRUE(enabled(1094));
    EXPECT_FALSE(enabled(1091));
    EXPECT_FALSE(enabled(1016));
    EXPECT_TRUE(Find<QRadioButton>(&dialog, 1036)->isChecked());

    struct Step
    {
        int radio;
        bool fields;
        bool hostFields;
        bool roles;
    };
    const Step steps[] = {
        {1034, true, true, true}, {1033, true, false, true}, {1035, false, false, false},
        {1036, true, true, true}, {1033, true, false, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.radio);
        Find<QRadioButton>(&dialog, s.radio)->click();
        for (int id : {1094, 1090, 1096, 1015, 4, 1092, 1093, 1017, 1018})
            EXPECT_EQ(enabled(id), s.fields) << id;
        EXPECT_EQ(enabled(1091), s.hostFields);
        EXPECT_EQ(enabled(1016), s.hostFields);
        EXPECT_EQ(enabled(1033), s.roles);
        EXPECT_EQ(enabled(1034), s.roles);
    }
}

TEST_F(SettingsDialogsTest, StationReadBackOfASlaveEnablesItsFieldsAndIsKeptForTheNextOpening)
{
    NetworkParams onHost;
    onHost.role = NetworkParams::kNetworkSlave;
    onHost.hostIp = {10, 1, 2, 3};
    onHost.hostPort = 256;
    host_.State().tables[kCmdNetwork] = BuildNetworkRecord(onHost);

    CStationDlg dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    Click(&dialog, 1055);
    EXPECT_TRUE(Find<QRadioButton>(&dialog, 1034)->isChecked());
    EXPECT_TRUE(Find<QWidget>(&dialog, 1091)->isEnabled());
    EXPECT_TRUE(Find<QWidget>(&dialog, 1016)->isEnabled());
    EXPECT_EQ(Text(&dialog, 1091), "10.1.2.3");
    EXPECT_EQ(Text(&dialog, 1016), "256");

    dialog.reject();
    dialog.show();
    EXPECT_EQ(Text(&dialog, 1091), "10.1.2.3") << "the owner keeps the values";
    EXPECT_FALSE(Find<QWidget>(&dialog, 1091)->isEnabled()) << "every opening disables them";
}

TEST_F(SettingsDialogsTest, StationWriteNormalisesTheMacAndSendsOneFrame)
{
    CStationDlg dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    Find<QLineEdit>(&dialog, 1015)->setText("1a2b");
    Find<QLineEdit>(&dialog, 1096)->setText("256");
    Click(&dialog, 1054);
    EXPECT_EQ(Text(&dialog, 1015), "1a2b00000000");
    const Bytes sent = host_.State().tables[kCmdNetwork];
    const Bytes record(sent.end() - 40, sent.end());
    EXPECT_EQ(Bytes(record.begin() + 9, record.begin() + 15), (Bytes{0x1A, 0x2B, 0, 0, 0, 0}));
    EXPECT_EQ(record[19], 0x00);
    EXPECT_EQ(record[20], 0x01);
    EXPECT_EQ(Written().size(), 1u);

    Find<QLineEdit>(&dialog, 1094)->setText("0");
    Click(&dialog, 1054);
    EXPECT_EQ(prompter_.Texts().back(), "Please enter an integer between 1 and 255.");
    EXPECT_EQ(Written().size(), 1u) << "nothing sent";
}

TEST_F(SettingsDialogsTest, TwoRandomMacsInTheSameSecondAreEqual)
{
    CStationDlg dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    Click(&dialog, 4);
    const std::string first = Text(&dialog, 1015);
    clock_.Advance(500);
    Find<QLineEdit>(&dialog, 1015)->clear();
    Click(&dialog, 4);
    EXPECT_EQ(Text(&dialog, 1015), first);
    EXPECT_EQ(first, RandomMac(clock_.EpochSeconds()));
}

// --- receiver alert settings -----------------------------------------------------------------

TEST_F(SettingsDialogsTest, Lw3ReadBackLeavesTheBoxesForAnUnknownMethodAndReloadsLw21)
{
    profile_.SetInt("LW123", "SHAKE1", 7);
    profile_.SetInt("LW123", "METHOD1", 2);
    host_.State().tables[kCmdLw3] = {'1', '2', '3', '4', '5', '9', 0x5A};
    CLW123Dlg dialog(LoadLw3Settings(profile_), LoadLw21Settings(profile_), settingsHost_, profile_,
                     prompter_);
    Find<QCheckBox>(&dialog, 1011)->setChecked(true);
    Find<QComboBox>(&dialog, 1057)->setCurrentIndex(0);
    Find<QCheckBox>(&dialog, 1018)->setChecked(true);

    Click(&dialog, 1050);
    EXPECT_EQ(Find<QComboBox>(&dialog, 1056)->currentIndex(), 1);
    EXPECT_EQ(Find<QComboBox>(&dialog, 1014)->currentIndex(), 3);
    EXPECT_EQ(Find<QComboBox>(&dialog, 1015)->currentText().toStdString(), "45");
    EXPECT_TRUE(Find<QCheckBox>(&dialog, 1011)->isChecked()) << "method '9' leaves the boxes";
    EXPECT_EQ(Find<QComboBox>(&dialog, 1057)->currentIndex(), 7) << "LW2/LW1 from the profile";
    EXPECT_FALSE(Find<QCheckBox>(&dialog, 1018)->isChecked());
    EXPECT_TRUE(Find<QCheckBox>(&dialog, 1019)->isChecked());

    // OK after a read writes the remembered LW3 values, not what was read.
    Click(&dialog, 1);
    EXPECT_EQ(dialog.LastKind(), CLW123Dlg::kLw3);
    EXPECT_EQ(dialog.Lw3Values(), LoadLw3Settings(profile_));
}

TEST_F(SettingsDialogsTest, AlertCommandWritesTheGroupOfItsButton)
{
    OnModal([](QWidget* dialog) {
        Find<QComboBox>(dialog, 1021)->setEditText("100");
        Find<QCheckBox>(dialog, 1022)->setChecked(true);
        Click(dialog, 1051);
    });
    RunAlertCommand(exchange_, profile_, nullptr);
    EXPECT_EQ(host_.State().tables[kCmdLw21], (Bytes{'4', ':', '0', '4', 0x5A}));
    EXPECT_FALSE(host_.State().tables.contains(kCmdLw3));
    EXPECT_EQ(profile_.GetInt("LW123", "INTERVAL1", -1), 100);

    // OK without any button used sends nothing.
    const auto before = Written().size();
    OnModal([](QWidget* dialog) { Click(dialog, 1); });
    RunAlertCommand(exchange_, profile_, nullptr);
    EXPECT_EQ(Written().size(), before);
}

// --- handheld caller settings ----------------------------------------------------------------

TEST_F(SettingsDialogsTest, HandheldReadBackIsForViewingOnly)
{
    HandheldSettings onHost;
    onHost.hurry = {true, true, "请上菜", ""};
    host_.State().tables[kCmdHandheldSettings] = *BuildHandheldRecord(onHost);
    bool shown = false;
    OnModal([&shown](QWidget* dialog) {
        shown = Find<QCheckBox>(dialog, 1011)->isChecked() &&
                Find<QLineEdit>(dialog, 1010)->text().toStdString() == "请上菜";
        Click(dialog, 1);
    });
    RunHandheldSettingsReadBack(exchange_, nullptr);
    EXPECT_TRUE(shown);
    const auto written = Written();
    ASSERT_EQ(written.size(), 1u) << "only the read-back request";
    EXPECT_EQ(written[0][4], kCmdReadHandheldSettings);
    EXPECT_EQ(profile_.GetInt("SHOUCHI", "CUICAI", -1), -1);
}

TEST_F(SettingsDialogsTest, HandheldDownloadTakesTheControls)
{
    OnModal([](QWidget* dialog) {
        EXPECT_EQ(Find<QLineEdit>(dialog, 1015)->maxLength(), 40);
        Find<QCheckBox>(dialog, 1014)->setChecked(true);
        Find<QLineEdit>(dialog, 1017)->setText("号");
        Click(dialog, 1);
    });
    RunHandheldSettingsDownload(exchange_, profile_, nullptr);
    const Bytes record = host_.State().tables[kCmdHandheldSettings];
    ASSERT_EQ(record.size(), kHandheldRecordBytes);
    EXPECT_EQ(record[82], 1);
    EXPECT_EQ(Bytes(record.begin() + 124, record.begin() + 127), (Bytes{0xBA, 0xC5, 0xFF}));
    EXPECT_EQ(profile_.GetString("SHOUCHI", "DIAODUBEHIND", ""), "号");
    EXPECT_EQ(prompter_.Texts().back(), "手持呼叫器设置信息已成功设置！");
}

} // namespace
} // namespace px
