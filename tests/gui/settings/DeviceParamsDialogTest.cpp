#include "gui/settings/DeviceParamsDialog.h"

#include "gui/settings/SettingsDialogFixture.h"

namespace px {
namespace {

using test::SettingsDialogTest;

TEST_F(SettingsDialogTest, DeviceParamsDialogShowsTheDefaultsAndWritesMonitoringOffAsOne)
{
    DeviceParamsDialog dialog(LoadMachineParams(profile_), settingsHost_, profile_, prompter_, db_);
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
    EXPECT_EQ(dialog.ChosenAction(), DeviceParamsDialog::kWriteParameters);
    ASSERT_TRUE(WriteMachineParameters(exchange_, profile_, dialog.Values()).ok);
    const Bytes record = host_.State().tables[kCmdMachineParams];
    EXPECT_EQ(record[5], 1);
    EXPECT_EQ(record[6], 0x00);
    EXPECT_EQ(record[7], 0xC8);
}

TEST_F(SettingsDialogTest, ParameterReadBackSelectsTheHostValuesAndTheProfileFrequencies)
{
    MachineParams onHost;
    onHost.monitoring = 0; // byte 5 = 1
    onHost.receiver = 42;
    host_.State().tables[kCmdMachineParams] = BuildMachineRecord(onHost);
    profile_.SetInt("MACHINE", "TPL", 470000);
    profile_.SetInt("MACHINE", "JIANTING", 3);

    DeviceParamsDialog dialog(LoadMachineParams(profile_), settingsHost_, profile_, prompter_, db_);
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

TEST_F(SettingsDialogTest, DeviceParamsDialogShowsEachFieldInItsControlAndTakesItBack)
{
    const MachineParams values{400001, 300002, 1, 2, 150, 1, 31, 32, 33, 34, 0};
    DeviceParamsDialog dialog(values, settingsHost_, profile_, prompter_, db_);
    ExpectShown(&dialog, "1015=400001 1016=300002 1011=on 1012=USB回传 1001=150 1013=on 1017=31 "
                         "1019=32 1020=33 1021=34 1018=内部发射模式");
    ASSERT_TRUE(Accepts(dialog, 1)) << testing::PrintToString(prompter_.Texts());
    EXPECT_EQ(dialog.Values(), values);
}

TEST_F(SettingsDialogTest, ShiftAndSevenClicksToggleTheHiddenSections)
{
    DeviceParamsDialog dialog(MachineParams{}, settingsHost_, profile_, prompter_, db_);
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

TEST_F(SettingsDialogTest, FrequenciesOutsideTheRangeAreRefused)
{
    struct Case
    {
        const char* tx;
        const char* rx;
        bool accepted;
        const char* prompt;
        const char* receiver = "1";
    };
    const Case cases[] = {
        {"230000", "930000", true, ""},
        {"229999", "315600", false, "频率设置的发射频率必须在230000到930000之间"},
        {"430225", "930001", false, "频率设置的接收频率必须在230000到930000之间"},
        {"43O225", "315600", false, "频率设置的发射频率必须是整数"},
        // The parameters are taken before the frequencies: the first refused is named.
        {"229999", "315600", false, "监控接收机编号必须在1到200之间", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tx);
        prompter_.Clear();
        DeviceParamsDialog dialog(MachineParams{}, settingsHost_, profile_, prompter_, db_);
        Find<QLineEdit>(&dialog, 1015)->setText(c.tx);
        Find<QLineEdit>(&dialog, 1016)->setText(c.rx);
        Find<QLineEdit>(&dialog, 1001)->setText(c.receiver);
        Click(&dialog, 1039);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        if (c.accepted) {
            EXPECT_EQ(dialog.ChosenAction(), DeviceParamsDialog::kWriteFrequencies);
            EXPECT_EQ(dialog.Values().rxFrequency, 930000);
        } else {
            EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{c.prompt}));
        }
    }
}

TEST_F(SettingsDialogTest, TheCommandKeepsTheProfileWhenTheWriteFails)
{
    profile_.SetInt("MACHINE", "NO", 17);
    host_.State().fault = *ParseSimFault("silent");
    OnModal([](QWidget* dialog) {
        Find<QLineEdit>(dialog, 1001)->setText("99");
        Click(dialog, 1);
    });
    RunDeviceParamsCommand(exchange_, profile_, db_, prompter_, nullptr);
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 17);
    EXPECT_EQ(prompter_.Texts().back(), "设置本机参数失败！");

    host_.State().fault = {};
    OnModal([](QWidget* dialog) {
        Find<QLineEdit>(dialog, 1001)->setText("99");
        Click(dialog, 1);
    });
    RunDeviceParamsCommand(exchange_, profile_, db_, prompter_, nullptr);
    EXPECT_EQ(profile_.GetInt("MACHINE", "NO", -1), 99);
    EXPECT_EQ(host_.State().tables[kCmdMachineParams][7], 99);
}

} // namespace
} // namespace px
