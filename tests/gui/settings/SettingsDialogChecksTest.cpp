// Every settings dialog is tabbed as it is read and shows no English standard text.

#include "SettingsDialogFixture.h"
#include "gui/DialogChecks.h"
#include "gui/settings/DeviceParamsDialog.h"
#include "gui/settings/HandheldSettingsDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/settings/ReceiverAlertsDialog.h"

#include <memory>

namespace px::test {
namespace {

TEST_F(SettingsDialogTest, EverySettingsDialogIsTabbedInReadingOrderAndSpeaksChinese)
{
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.push_back(std::make_unique<DeviceParamsDialog>(MachineParams{}, settingsHost_, profile_,
                                                           prompter_, db_));
    dialogs.push_back(std::make_unique<NetworkParamsDialog>(settingsHost_, clock_, prompter_));
    dialogs.push_back(std::make_unique<ReceiverAlertsDialog>(Lw3Settings{}, Lw21Settings{},
                                                             settingsHost_, profile_, prompter_));
    dialogs.push_back(std::make_unique<HandheldSettingsDialog>(HandheldSettings{}, prompter_));
    for (const auto& dialog : dialogs) {
        const char* name = dialog->metaObject()->className();
        EXPECT_GE(TabChain(*dialog).size(), 4u) << name;
        EXPECT_EQ(OutOfReadingOrder(*dialog), "") << name;
        EXPECT_EQ(EnglishTexts(*dialog), "") << name;
    }
    // The device dialog's hidden sections, once shown, take their places in the order.
    auto* device = static_cast<DeviceParamsDialog*>(dialogs.front().get());
    const std::size_t before = TabChain(*device).size();
    device->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(device));
    // The gesture: Shift-click six times, plain-click three, Shift-click once more.
    QWidget* target = Find<QLineEdit>(device, 1001);
    for (const auto& [count, modifiers] :
         {std::pair{6, Qt::ShiftModifier}, std::pair{3, Qt::NoModifier},
          std::pair{1, Qt::ShiftModifier}})
        for (int i = 0; i < count; ++i)
            QTest::mouseClick(target, Qt::LeftButton, modifiers);
    ASSERT_TRUE(device->SectionsShown());
    EXPECT_GT(TabChain(*device).size(), before);
    EXPECT_EQ(OutOfReadingOrder(*device), "");
}

} // namespace
} // namespace px::test
