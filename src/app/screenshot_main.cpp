// Renders the main window (data monitor shown, a few sample rows, at its default size and larger),
// the demonstration menu and every dialog into PNG files of a folder, for the documentation.

#include "classic/ClassicImport.h"
#include "common/FileIo.h"
#include "common/Profile.h"
#include "gui/files/ConfigFileDialog.h"
#include "gui/hostlink/QtHostViews.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/main/MainWindow.h"
#include "gui/paperwork/SiteSheetPdf.h"
#include "gui/paperwork/SiteSheetPreview.h"
#include "gui/registry/CallerTypesDialog.h"
#include "gui/settings/DeviceParamsDialog.h"
#include "gui/settings/HandheldSettingsDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/settings/ReceiverAlertsDialog.h"
#include "gui/transfer/ReadBackBrowser.h"
#include "gui/widgets/ReportDialog.h"
#include "gui/widgets/Translations.h"
#include "paperwork/SiteSheet.h"
#include "session/DataFolder.h"
#include "settings/AlertSettings.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "settings/SettingsHost.h"
#include "sim/SimHidBackend.h"
#include "sim/SimHostSession.h"
#include "storage/ConfigFiles.h"
#include "storage/Database.h"
#include "storage/RegistrationTables.h"
#include "storage/Schema.h"
#include "transfer/TableDownload.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>
#include <cstdio>

namespace {

class SilentPrompter final : public px::Prompter
{
public:
    void Message(std::string_view, std::string_view, px::MessageIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
};

// A classic library as the reader gives it: the sample file again, a second restaurant with one
// caller the classic tool let through and ours refuses, and a QX clinic.
px::ClassicLibrary SampleClassicLibrary()
{
    px::ClassicLibrary library;
    library.version = px::JetVersion::Jet4;
    px::ClassicFile again{"示例餐厅", 0, {}};
    again.Rows<px::InfoMachineRow>().rows.push_back({1, "0000123", "前台", 1});
    px::ClassicFile branch{"城东分店", 0, {}};
    for (int i = 1; i <= 3; ++i)
        branch.Rows<px::InfoMachineRow>().rows.push_back(
            {i, std::to_string(300000 + i), "收银台" + std::to_string(i), 1});
    branch.Rows<px::HandheldRow>().rows.push_back({1, "1A2B", "经理"});
    for (int key = 1; key <= 4; ++key) {
        px::CallerRow caller;
        caller.codeNo = "A1B2C" + std::to_string(key);
        caller.callNo = key;
        caller.callName = "包厢" + std::to_string(key);
        caller.keyName = "呼叫";
        caller.devices[0] = 1;
        branch.Rows<px::CallerRow>().rows.push_back(caller);
    }
    px::CallerRow stray = branch.Rows<px::CallerRow>().rows.front();
    stray.codeNo = "A1B2G1";
    branch.Rows<px::CallerRow>().rows.push_back(stray);
    px::ClassicFile clinic{"体检中心", 1, {}};
    clinic.Rows<px::InfoMachineRow>().rows.push_back({1, "1200001", "一楼大厅", 2});
    clinic.Rows<px::HandheldRow>().rows.push_back({1, "00FF", "护士站"});
    library.files = {again, branch, clinic};
    library.globals = {{"T_CallType", true, 3}, {"T_KeyName", true, 6}, {"T_Type", true, 2}};
    return library;
}

void AddSampleRows(const std::string& connection)
{
    px::Database db;
    if (!db.Open(connection))
        return;
    const std::string file = "示例餐厅";
    px::InsertConfigFile(db, file, px::FileType::PX);
    const char* addresses[] = {"0000123", "0000456", "1200001", "2097151"};
    for (int i = 0; i < 4; ++i)
        px::InsertRow(db, px::InfoMachineTable(), file,
                      {.pager = i + 1,
                       .address = addresses[i],
                       .remark = i == 0 ? "前台" : "服务员",
                       .typeNo = i % px::kReceiverTypeCount});
    px::InsertRow(db, px::HandheldTable(), file, {.number = 1, .code = "1A2B", .remark = "经理"});
    px::InsertRow(db, px::HandheldTable(), file, {.number = 2, .code = "3C4D", .remark = "领班"});
    const char* keyNames[] = {"呼叫服务", "结账", "加水"};
    for (int key = 1; key <= 3; ++key)
        px::InsertRow(db, px::CallerTable(), file,
                      {.codeNo = "A1B2C" + std::to_string(key),
                       .callNo = 8,
                       .callName = "八号桌",
                       .keyName = keyNames[key - 1],
                       .devices = {1, 2, -1, -1, 3, -1, 4, -1},
                       .zhuiHu = key % 3,
                       .codeType = 0});
}

// Saves a widget as it shows now; false when the file could not be written.
bool Save(QWidget& widget, const QString& folder, const char* name)
{
    widget.show();
    QApplication::processEvents();
    const bool ok = widget.grab().save(folder + "/" + name);
    if (!ok)
        std::fprintf(stderr, "cannot write %s/%s\n", qPrintable(folder), name);
    return ok;
}

// The window with a popup menu drawn where it opens.
bool SaveWithMenu(QWidget& window, QMenu& menu, QPoint at, const QString& folder, const char* name)
{
    menu.popup(window.mapToGlobal(at));
    QApplication::processEvents();
    QPixmap picture = window.grab();
    QPainter painter(&picture);
    // Where it opens on a real screen (the offscreen one is small and moves it).
    painter.drawPixmap(at, menu.grab());
    painter.end();
    menu.hide();
    return picture.save(folder + "/" + name);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    px::InstallQtTranslations(app);
    if (argc != 2) {
        std::fprintf(stderr, "usage: px-screenshot FOLDER\n");
        return 2;
    }
    const QString out = QCoreApplication::arguments().at(1);
    QTemporaryDir dir;
    std::string error;
    const auto dataFolder = px::ResolveDataFolder((dir.path() + "/data").toStdString(), error);
    if (!dataFolder || !px::EnsureDatabase(px::DatabasePath(*dataFolder), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string connection = px::DatabasePath(*dataFolder);
    AddSampleRows(connection);
    px::Database db;
    db.Open(connection);

    // Demonstration mode, as `px-system --host sim:DIR` runs it.
    auto session =
        px::SimHostSession::Open((dir.path() + "/host").toStdString(), px::HostModel::PX, error);
    if (!session) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    SilentPrompter prompter;
    px::SystemClock clock;
    px::NullEventPump pump;
    px::MemoryProfile profile;
    // A desktop's screen; the laptop's narrower window is shown further down.
    px::Workspace workspace(*dataFolder, session->Backend(), true, session.get());
    px::AppServices services{workspace, prompter, clock, pump, profile, QSize(1920, 1040)};
    px::MainWindow window(services);
    window.MakeFileCurrent("示例餐厅", px::FileType::PX);
    window.OnDetectionTick();
    window.show();
    // Show the data monitor the way a user does: Shift, then M with Shift held.
    QKeyEvent shift(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(&window, &shift);
    QKeyEvent m(QEvent::KeyPress, Qt::Key_M, Qt::ShiftModifier, "M");
    QApplication::sendEvent(&window, &m);
    if (auto* monitor = window.findChild<QTextEdit*>("dataMonitor")) {
        monitor->setPlainText(
            "Write:0001827C000000000000000000000000000000000000000000000000000000000000000000000"
            "00000000000000000000000000000000000000000000000000");
    }
    window.Notify("已回读 4 条信息机记录");
    bool ok = Save(window, out, "main-window.png");
    if (auto* badge = window.findChild<QToolButton*>("simulatedHostBadge")) {
        // Under the badge, as a click opens it, kept within the window.
        QPoint at = badge->mapTo(&window, badge->rect().bottomLeft());
        at.setX(std::min(at.x(), window.width() - badge->menu()->sizeHint().width()));
        ok = SaveWithMenu(window, *badge->menu(), at, out, "demo-menu.png") && ok;
    }
    const QSize normal = window.size();
    window.resize(normal + QSize(320, 200));
    ok = Save(window, out, "main-window-large.png") && ok;
    // On a 1024 by 768 screen (its frame and the task bar take the rest).
    window.resize(1024 - 16, normal.height());
    ok = Save(window, out, "main-window-1024.png") && ok;
    window.resize(normal);

    // The progress window in the middle of a download.
    window.Progress().Show();
    window.Progress().SetRange(0, 6);
    window.Progress().SetPosition(4);
    window.Progress().SetProgressText("下载Bp机信息,共有6包数据,当前第4包数据正在发送.......");
    QApplication::processEvents();
    ok = window.Progress().Window()->grab().save(out + "/progress-window.png") && ok;
    window.Progress().Close();

    // The settings dialogs, with the values a new installation starts from.
    px::ExchangeSettingsHost host(window.Exchange());
    px::DeviceParamsDialog machine(px::LoadMachineParams(profile), host, profile, prompter, db);
    ok = Save(machine, out, "device-parameters.png") && ok;
    px::NetworkParamsDialog station(host, clock, prompter);
    ok = Save(station, out, "network-parameters.png") && ok;
    px::ReceiverAlertsDialog alerts(px::LoadLw3Settings(profile), px::LoadLw21Settings(profile),
                                    host, profile, prompter);
    ok = Save(alerts, out, "receiver-alerts.png") && ok;
    px::HandheldSettingsDialog handheld(px::LoadHandheldSettings(profile), prompter);
    ok = Save(handheld, out, "handheld-settings.png") && ok;

    // The file dialog, the caller types, a read-back of the sample file and its site sheet.
    px::ConfigFileDialog files(db, prompter, px::FileDialogMode::Open);
    ok = Save(files, out, "config-file-dialog.png") && ok;
    px::CallerTypesDialog types(db, prompter);
    ok = Save(types, out, "caller-types.png") && ok;
    const px::TableRecords records = px::CollectRecords(db, px::TableKind::Callers, "示例餐厅");
    const QString recordFile = dir.path() + "/RCall.txt";
    if (!px::WriteFileWhole(recordFile.toStdString(),
                            std::string(records.records.begin(), records.records.end()), error))
        std::fprintf(stderr, "%s\n", error.c_str());
    px::ReadBackBrowser browser(px::TableKind::Callers, px::HostModel::PX, recordFile.toStdString(),
                                prompter);
    ok = Save(browser, out, "read-back-browser.png") && ok;
    if (const auto sheet = px::LoadSiteSheet(db, "示例餐厅", "2026-12-10", error)) {
        px::SiteSheetPreview preview(*sheet, [] { return QString(); });
        ok = Save(preview, out, "site-sheet-preview.png") && ok;
        // The PDF itself; scripts/screenshot.sh renders its first page and removes it.
        QString pdfError;
        if (!px::WriteSiteSheetPdf(*sheet, out + "/site-sheet.pdf", pdfError)) {
            std::fprintf(stderr, "%s\n", qPrintable(pdfError));
            ok = false;
        }
    }
    // The preview of 文件 → 导入旧版数据库..., before anything is written.
    px::ClassicImportOptions importOptions;
    importOptions.onConflict = px::ConflictPolicy::Skip;
    const px::ClassicPlan plan = px::PlanClassicImport(db, SampleClassicLibrary(), importOptions);
    QString preview;
    for (const std::string& line : px::DescribeClassicPlan(plan))
        preview += QString::fromStdString(line) + "\n";
    px::ReportDialog classic("导入旧版数据库: D:/旧版/DADE.mdb", preview,
                             px::ReportDialog::Buttons::OkCancel);
    ok = Save(classic, out, "classic-import-preview.png") && ok;
    return ok ? 0 : 1;
}
