#include "gui/settings/ReceiverAlertsDialog.h"

#include "gui/settings/SettingsDialogFixture.h"

namespace px {
namespace {

using test::SettingsDialogTest;

TEST_F(SettingsDialogTest, Lw3ReadBackLeavesTheBoxesForAnUnknownMethodAndReloadsLw21)
{
    profile_.SetInt("LW123", "SHAKE1", 7);
    profile_.SetInt("LW123", "METHOD1", 2);
    host_.State().tables[kCmdLw3] = {'1', '2', '3', '4', '5', '9', 0x5A};
    ReceiverAlertsDialog dialog(LoadLw3Settings(profile_), LoadLw21Settings(profile_),
                                settingsHost_, profile_, prompter_);
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
    EXPECT_EQ(dialog.LastKind(), ReceiverAlertsDialog::kLw3);
    EXPECT_EQ(dialog.Lw3Values(), LoadLw3Settings(profile_));
}

TEST_F(SettingsDialogTest, AlertDialogShowsEachFieldInItsControlAndTakesItBack)
{
    const Lw3Settings lw3{1, 2, 3, 45, kAlertVibrate | kAlertLight};
    const Lw21Settings lw21{7, 89, kAlertRing | kAlertLight};
    for (const int button : {1058, 1051}) {
        ReceiverAlertsDialog dialog(lw3, lw21, settingsHost_, profile_, prompter_);
        ExpectShown(&dialog, "1056=1 1013=2 1014=3 1015=45 1011=on 1012=off 1017=on 1057=7 1021=89 "
                             "1018=off 1019=on 1022=on");
        ASSERT_TRUE(Accepts(dialog, button));
        EXPECT_EQ(dialog.Lw3Values(), lw3);
        EXPECT_EQ(dialog.Lw21Values(), lw21);
    }
}

TEST_F(SettingsDialogTest, AlertDialogNamesTheGroupAndFieldItRefuses)
{
    const struct
    {
        int combo;
        const char* typed;
        int button;
        const char* prompt;
    } cases[] = {
        {1015, "abc", 1058, "LW3的提示间隔必须是整数"},
        {1021, "1000", 1051, "LW2/LW1的提示间隔必须在0到999之间"},
    };
    for (const auto& c : cases) {
        prompter_.Clear();
        ReceiverAlertsDialog dialog(Lw3Settings{}, Lw21Settings{}, settingsHost_, profile_,
                                    prompter_);
        Find<QComboBox>(&dialog, c.combo)->setEditText(c.typed);
        EXPECT_FALSE(Accepts(dialog, c.button));
        EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{c.prompt}));
    }
}

TEST_F(SettingsDialogTest, AlertCommandWritesTheGroupOfItsButton)
{
    OnModal([](QWidget* dialog) {
        Find<QComboBox>(dialog, 1021)->setEditText("100");
        Find<QCheckBox>(dialog, 1022)->setChecked(true);
        Click(dialog, 1051);
    });
    RunReceiverAlertsCommand(exchange_, profile_, prompter_, nullptr);
    EXPECT_EQ(host_.State().tables[kCmdLw21], (Bytes{'4', ':', '0', '4', 0x5A}));
    EXPECT_FALSE(host_.State().tables.contains(kCmdLw3));
    EXPECT_EQ(profile_.GetInt("LW123", "INTERVAL1", -1), 100);

    // OK without any button used sends nothing.
    const auto before = Written().size();
    OnModal([](QWidget* dialog) { Click(dialog, 1); });
    RunReceiverAlertsCommand(exchange_, profile_, prompter_, nullptr);
    EXPECT_EQ(Written().size(), before);
}

} // namespace
} // namespace px
