// Renders the main window, with the data monitor shown and a few sample rows, to a PNG file.

#include "gui/main/MainWindow.h"
#include "app/DataFolder.h"
#include "gui/hostlink/TransferProgressDialog.h"
#include "gui/hostlink/QtHostViews.h"
#include "settings/AlertSettings.h"
#include "gui/settings/DeviceParamsDialog.h"
#include "gui/settings/HandheldSettingsDialog.h"
#include "gui/settings/NetworkParamsDialog.h"
#include "gui/settings/ReceiverAlertsDialog.h"
#include "settings/HandheldSettings.h"
#include "settings/MachineParams.h"
#include "settings/SettingsHost.h"
#include "common/Profile.h"
#include "sim/SimHidBackend.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextEdit>

#include <cstdio>

namespace {

class SilentPrompter final : public px::Prompter
{
public:
    void Message(std::string_view, std::string_view, px::MessageIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
};

void AddSampleRows(const std::string& connection)
{
    px::Database db;
    if (!db.Open(connection))
        return;
    db.Execute("insert into T_FileName (FileName, DeviceType) values ('示例餐厅', 0)");
    const char* addresses[] = {"0000123", "0000456", "1200001", "2097151"};
    for (int i = 0; i < 4; ++i) {
        db.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                   "(?,?,?,'示例餐厅',?)",
                   {std::int64_t{i + 1}, std::string(addresses[i]),
                    std::string(i == 0 ? "前台" : "服务员"), std::int64_t{i % 5}});
    }
    db.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values "
               "(1,'1A2B','经理','示例餐厅'),(2,'3C4D','领班','示例餐厅')");
    for (int key = 1; key <= 3; ++key) {
        db.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                   "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,"
                   "FileName) values (?,?,'八号桌',?,1,2,-1,-1,3,-1,4,-1,?,0,'示例餐厅')",
                   {std::string("A1B2C") + std::to_string(key), std::int64_t{8},
                    std::string(key == 1 ? "呼叫服务" : key == 2 ? "结账" : "加水"),
                    std::int64_t{key % 3}});
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: px-screenshot MAIN.png [PROGRESS.png]\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString folder = px::ResolveDataFolder(dir.path());
    std::string error;
    if (!px::EnsureDatabase(px::DatabasePath(folder).toStdString(), error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::string connection =
        px::MakeConnectionString(px::DatabasePath(folder).toStdString());
    AddSampleRows(connection);

    SilentPrompter prompter;
    px::SystemClock clock;
    px::NullEventPump pump;
    px::MemoryProfile profile;
    px::SimHidBackend backend;
    backend.AddDevice(px::kHostVendorId, px::kPxProductId);
    px::AppServices services{folder, prompter, clock, pump, backend, profile, true, {}};
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
    QApplication::processEvents();
    bool ok = window.grab().save(QString::fromLocal8Bit(argv[1]));
    if (argc > 2) {
        // The progress window in the middle of a download.
        window.Progress().Show();
        window.Progress().SetRange(0, 6);
        window.Progress().SetPosition(4);
        window.Progress().SetProgressText("下载Bp机信息,共有6包数据,当前第4包数据正在发送.......");
        QApplication::processEvents();
        ok = ok && window.Progress().Window()->grab().save(QString::fromLocal8Bit(argv[2]));
    }
    if (argc > 3) {
        // The settings dialogs, with the values a new installation starts from.
        const QString folder = QString::fromLocal8Bit(argv[3]);
        px::ExchangeSettingsHost host(window.Exchange());
        const auto save = [&](QWidget& dialog, const char* name) {
            dialog.show();
            QApplication::processEvents();
            ok = ok && dialog.grab().save(folder + "/" + name);
        };
        px::Database db;
        db.Open(connection);
        px::DeviceParamsDialog machine(px::LoadMachineParams(profile), host, profile, prompter, db);
        save(machine, "device-parameters.png");
        px::NetworkParamsDialog station(host, clock, prompter);
        save(station, "network-parameters.png");
        px::ReceiverAlertsDialog alerts(px::LoadLw3Settings(profile),
                                        px::LoadLw21Settings(profile), host, profile, prompter);
        save(alerts, "receiver-alerts.png");
        px::HandheldSettingsDialog handheld(px::LoadHandheldSettings(profile), prompter);
        save(handheld, "handheld-settings.png");
    }
    return ok ? 0 : 1;
}
