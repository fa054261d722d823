#include "MainWindowFixture.h"
#include "gui/widgets/CallerGridView.h"
#include "paperwork/SiteSheet.h"

#include <QAction>
#include <fstream>

namespace px {
namespace {

class SiteWindowTest : public test::MainWindowFixture
{};

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
    std::ifstream in(PathFromUtf8(json));
    ASSERT_TRUE(in.good());

    prompter_.Answer(true); // the name exists: replace it
    w.Action(Command::ImportJson)->trigger();
    EXPECT_EQ(prompter_.Texts().back(), "a configuration file named \"店\" exists，确定要覆盖吗？");
    EXPECT_EQ(w.Notice(), "已导入配置文件 店"); // said in the status line, no box to close

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
    std::ofstream(PathFromUtf8(json)) << R"({"format": 9})";
    w.SetFileChooser([&](const QString&, bool) { return QString::fromStdString(json); });
    w.Action(Command::ImportJson)->trigger();
    ASSERT_EQ(prompter_.Texts().size(), 1u);
    EXPECT_NE(prompter_.Texts()[0].find("format"), std::string::npos);
    EXPECT_NE(prompter_.Texts()[0].find("没有导入任何数据"), std::string::npos);
}

// The caller list in a spreadsheet: preview, confirmation, the grid and the status line.
class CallerSheetWindowTest : public test::MainWindowFixture
{
protected:
    MainWindow& Opened(const std::string& csvText)
    {
        AddFile("店", 0);
        csv_ = folder_.File("callers.csv");
        std::ofstream(PathFromUtf8(csv_), std::ios::binary) << csvText;
        MainWindow& w = Window();
        w.MakeFileCurrent("店", FileType::PX);
        w.SetFileChooser([this](const QString& filter, bool save) {
            EXPECT_EQ(filter, "*.csv");
            return QString::fromStdString(save ? folder_.File("out.csv") : csv_);
        });
        w.SetReportViewer([this](const QString&, const QString& text) { report_ = text; });
        w.Hooks().confirmReport = [this](const QString&, const QString& text) {
            preview_ = text;
            return confirm_;
        };
        return w;
    }

    int StoredKeys()
    {
        QueryResult rs(db_);
        EXPECT_TRUE(rs.Open(db_, "select CodeNo from T_Device3 where FileName='店'"));
        return rs.GetRecordCount();
    }

    std::string csv_;
    QString report_;
    QString preview_;
    bool confirm_ = true;
};

TEST_F(CallerSheetWindowTest, AConfirmedImportFillsTheGridAndSaysSoInTheStatusLine)
{
    MainWindow& w = Opened("特征码,中文名称\r\nA1B2C1,八号桌\r\n123451,一号桌\r\n");
    const int rowsBefore = w.CallerGrid()->model()->rowCount();
    w.Action(Command::ImportCallerSheet)->trigger();
    EXPECT_FALSE(preview_.isEmpty()) << "the user saw what would change before it did";
    EXPECT_EQ(StoredKeys(), 2);
    EXPECT_EQ(w.CallerGrid()->model()->rowCount(), rowsBefore + 1);
    EXPECT_EQ(w.Notice(), "已导入 2 条呼叫器记录到文件 店（新增 1，修改 1，未变 0）");
    EXPECT_TRUE(prompter_.Texts().empty());
}

TEST_F(CallerSheetWindowTest, CancelWritesNothing)
{
    confirm_ = false;
    MainWindow& w = Opened("特征码,中文名称\r\n123451,一号桌\r\n");
    w.Action(Command::ImportCallerSheet)->trigger();
    EXPECT_FALSE(preview_.isEmpty());
    EXPECT_EQ(StoredKeys(), 1);
    EXPECT_EQ(w.Notice(), "");
}

TEST_F(CallerSheetWindowTest, ARefusedRowIsShownAndNothingIsAsked)
{
    MainWindow& w = Opened("特征码,中文名称\r\n123451,一号桌\r\nXYZ,坏\r\n");
    w.Action(Command::ImportCallerSheet)->trigger();
    EXPECT_TRUE(preview_.isEmpty()) << "nothing to confirm when a row is refused";
    EXPECT_TRUE(report_.contains("没有写入任何数据")) << report_.toStdString();
    EXPECT_TRUE(report_.contains("XYZ")) << report_.toStdString();
    EXPECT_EQ(StoredKeys(), 1);
    EXPECT_EQ(w.Notice(), "");
}

TEST_F(CallerSheetWindowTest, ExportWritesTheListAndPrintPreviewsTheOpenFile)
{
    MainWindow& w = Opened("");
    w.Action(Command::ExportCallerSheet)->trigger();
    std::ifstream in(PathFromUtf8(folder_.File("out.csv")), std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    EXPECT_NE(written.find("A1B2C1"), std::string::npos) << written;
    ASSERT_FALSE(prompter_.Texts().empty());
    EXPECT_EQ(prompter_.Texts().back(), "已导出呼叫器到 " + folder_.File("out.csv"));

    std::optional<SiteSheet> previewed;
    w.Hooks().previewSheet = [&](const SiteSheet& sheet) { previewed = sheet; };
    w.Action(Command::PrintSiteSheet)->trigger();
    ASSERT_TRUE(previewed.has_value());
    EXPECT_EQ(previewed->fileName, "店");
    EXPECT_EQ(previewed->model, "PX");
    EXPECT_EQ(previewed->infoMachines.size(), 1u);
    EXPECT_EQ(previewed->handhelds.size(), 1u);
    EXPECT_EQ(previewed->callers.size(), 1u);
    EXPECT_FALSE(previewed->host.has_value()) << "no host was connected";
}

} // namespace
} // namespace px
