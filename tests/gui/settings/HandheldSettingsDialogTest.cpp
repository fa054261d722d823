#include "gui/settings/HandheldSettingsDialog.h"

#include "gui/settings/SettingsDialogFixture.h"

namespace px {
namespace {

using test::SettingsDialogTest;

TEST_F(SettingsDialogTest, HandheldDialogShowsEachFieldInItsControlAndTakesItBack)
{
    const HandheldSettings values{{true, false, "请", "上菜"}, {false, true, "调", "度"}};
    HandheldSettingsDialog dialog(values, prompter_);
    ExpectShown(&dialog, "1011=on 1012=off 1010=请 1013=上菜 1014=off 1016=on 1015=调 1017=度");
    ASSERT_TRUE(Accepts(dialog, 1));
    EXPECT_EQ(dialog.Values(), values);
}

TEST_F(SettingsDialogTest, HandheldReadBackIsForViewingOnly)
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
    RunHandheldSettingsReadBack(exchange_, prompter_, nullptr);
    EXPECT_TRUE(shown);
    const auto written = Written();
    ASSERT_EQ(written.size(), 1u) << "only the read-back request";
    EXPECT_EQ(written[0][4], kCmdReadHandheldSettings);
    EXPECT_EQ(profile_.GetInt("SHOUCHI", "CUICAI", -1), -1);
}

TEST_F(SettingsDialogTest, HandheldDownloadTakesTheControls)
{
    OnModal([](QWidget* dialog) {
        EXPECT_EQ(Find<QLineEdit>(dialog, 1015)->maxLength(), 40);
        Find<QCheckBox>(dialog, 1014)->setChecked(true);
        Find<QLineEdit>(dialog, 1017)->setText("号");
        Click(dialog, 1);
    });
    RunHandheldSettingsDownload(exchange_, profile_, prompter_, nullptr);
    const Bytes record = host_.State().tables[kCmdHandheldSettings];
    ASSERT_EQ(record.size(), kHandheldRecordBytes);
    EXPECT_EQ(record[82], 1);
    EXPECT_EQ(Bytes(record.begin() + 124, record.begin() + 127), (Bytes{0xBA, 0xC5, 0xFF}));
    EXPECT_EQ(profile_.GetString("SHOUCHI", "DIAODUBEHIND", ""), "号");
    EXPECT_EQ(prompter_.Texts().back(), "手持呼叫器设置信息已成功设置！");
}

} // namespace
} // namespace px
