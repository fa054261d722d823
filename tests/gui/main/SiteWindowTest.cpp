#include "MainWindowFixture.h"

#include <QAction>

#include <fstream>

namespace px {
namespace {

class SiteWindowTest : public test::MainWindowFixture
{
};

TEST_F(SiteWindowTest, ExportImportAndVerifyFromTheFileMenu)
{
    AddFile("店", 0);
    PlugHost();
    MainWindow& w = Window();
    w.MakeFileCurrent("店", FileType::PX);
    const std::string json = folder_.File("site.json");
    w.SetFileChooser([&](const QString& filter, bool save) {
        EXPECT_EQ(filter, "*.json");
        (void)save;
        return QString::fromStdString(json);
    });
    QString title;
    QString report;
    w.SetReportViewer([&](const QString& t, const QString& text) {
        title = t;
        report = text;
    });

    w.Action(Command::ExportJson)->trigger();
    EXPECT_EQ(prompter_.Texts().back(), "已导出 店 到 " + json);
    std::ifstream in(json);
    ASSERT_TRUE(in.good());

    prompter_.Answer(true); // the name exists: replace it
    w.Action(Command::ImportJson)->trigger();
    EXPECT_EQ(prompter_.Texts().back(), "已导入配置文件 店");

    for (Command command :
         {Command::DownloadInfoMachines, Command::DownloadCallers, Command::DownloadHandhelds})
        w.Action(command)->trigger();
    w.Action(Command::VerifyWithHost)->trigger();
    EXPECT_EQ(report, "主机中的数据与文件 店 一致。");
    EXPECT_EQ(title, "与主机核对: 店");

    host_.State().tables[0x68][2] = 0x2C; // the handheld's code on the host changes
    w.Action(Command::VerifyWithHost)->trigger();
    EXPECT_TRUE(report.startsWith("handhelds 1: different")) << report.toStdString();
}

TEST_F(SiteWindowTest, AnInvalidDocumentIsRefusedWithItsReason)
{
    MainWindow& w = Window();
    const std::string json = folder_.File("bad.json");
    std::ofstream(json) << R"({"format": 9})";
    w.SetFileChooser([&](const QString&, bool) { return QString::fromStdString(json); });
    w.Action(Command::ImportJson)->trigger();
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("format"), std::string::npos);
    EXPECT_NE(prompter_.Texts()[0].find("没有导入任何数据"), std::string::npos);
}

} // namespace
} // namespace px
