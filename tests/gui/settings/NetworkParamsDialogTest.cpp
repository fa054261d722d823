#include "gui/settings/NetworkParamsDialog.h"

#include "gui/settings/SettingsDialogFixture.h"

namespace px {
namespace {

using test::SettingsDialogTest;

TEST_F(SettingsDialogTest, NetworkDialogOpensWithTheNetworkHostFieldsDisabledAndFollowsTheRadios)
{
    NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
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

TEST_F(SettingsDialogTest, NetworkDialogReadBackOfASlaveEnablesItsFieldsAndIsKeptForTheNextOpening)
{
    NetworkParams onHost;
    onHost.role = NetworkParams::kNetworkSlave;
    onHost.hostIp = {10, 1, 2, 3};
    onHost.hostPort = 256;
    host_.State().tables[kCmdNetwork] = BuildNetworkRecord(onHost);

    NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
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

TEST_F(SettingsDialogTest, NetworkDialogWriteNormalisesTheMacAndSendsOneFrame)
{
    NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
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
    EXPECT_EQ(prompter_.Texts().back(), "PX主机网络参数的ID必须在1到255之间");
    EXPECT_EQ(Written().size(), 1u) << "nothing sent";
}

TEST_F(SettingsDialogTest, NetworkDialogShowsEachFieldInItsControlAndSendsItBack)
{
    const NetworkParams onHost{true,
                               NetworkParams::kNetworkSlave,
                               9,
                               {10, 0, 0, 7},
                               4001,
                               "A1B2C3D4E5F6",
                               {255, 255, 0, 0},
                               {10, 0, 0, 254},
                               300,
                               42,
                               {10, 0, 0, 1},
                               5006};
    host_.State().tables[kCmdNetwork] = BuildNetworkRecord(onHost);
    NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    Click(&dialog, 1055);
    ExpectShown(
        &dialog,
        "1036=on 1035=off 1034=on 1033=off 1094=9 1090=10.0.0.7 1096=4001 1015=A1B2C3D4E5F6 "
        "1092=255.255.0.0 1093=10.0.0.254 1017=300 1018=42 1091=10.0.0.1 1016=5006");
    host_.State().tables.clear();
    Click(&dialog, 1054);
    const Bytes sent = host_.State().tables[kCmdNetwork];
    ASSERT_GE(sent.size(), kNetworkRecordBytes);
    EXPECT_EQ(Bytes(sent.end() - kNetworkRecordBytes, sent.end()), BuildNetworkRecord(onHost));
    EXPECT_EQ(dialog.Values(), onHost);
}

TEST_F(SettingsDialogTest, NetworkDialogNamesTheFirstFieldItRefuses)
{
    // The numbers are taken first, then the addresses, the MAC address last.
    const std::pair<std::map<int, const char*>, const char*> cases[] = {
        {{{1090, "192.168.0"}}, "PX主机网络参数的IP地址不正确，请输入正确的IP地址！"},
        {{{1091, "192.168.0.256"}}, "网络主机参数的IP地址不正确，请输入正确的IP地址！"},
        {{{1091, "192.168.0.256"}, {1018, "100"}}, "PX主机网络参数的数据有效期必须在1到99之间"},
        {{{1015, "12345G"}, {1093, "1.2.3.4.5"}},
         "PX主机网络参数的网关不正确，请输入正确的IP地址！"},
        {{{1015, "12345G"}}, "MAC地址只能由十六进制数字(0-9, A-F)组成！"},
    };
    for (const auto& [typed, prompt] : cases) {
        SCOPED_TRACE(prompt);
        prompter_.Clear();
        NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
        dialog.show();
        for (const auto& [id, text] : typed)
            Find<QLineEdit>(&dialog, id)->setText(QString::fromUtf8(text));
        Click(&dialog, 1054);
        EXPECT_EQ(prompter_.Texts(), (std::vector<std::string>{prompt}));
        EXPECT_TRUE(Written().empty()) << "nothing sent";
    }
}

TEST_F(SettingsDialogTest, TwoRandomMacsInTheSameSecondAreEqual)
{
    NetworkParamsDialog dialog(settingsHost_, clock_, prompter_);
    dialog.show();
    Click(&dialog, 4);
    const std::string first = Text(&dialog, 1015);
    clock_.Advance(500);
    Find<QLineEdit>(&dialog, 1015)->clear();
    Click(&dialog, 4);
    EXPECT_EQ(Text(&dialog, 1015), first);
    EXPECT_EQ(first, RandomMac(clock_.EpochSeconds()));
}

} // namespace
} // namespace px
