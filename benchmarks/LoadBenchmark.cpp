// Loading a full PX configuration file (500 information machines, 100 handheld callers,
// 1999 caller rows) into the main window's three views, offscreen.

#include "app/CPX_SystemDlg.h"
#include "common/Profile.h"
#include "sim/SimHidBackend.h"
#include "storage/AdoDatabase.h"
#include "storage/Schema.h"
#include "ui/CallerGridView.h"

#include "mock/FakeClock.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <sys/resource.h>

namespace {

class SilentPrompter final : public px::Prompter
{
public:
    void Message(std::string_view, std::string_view, px::MessageIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return false; }
};

void FillFullFile(const std::string& connection)
{
    px::CADODatabase db;
    db.Open(connection);
    db.BeginTransaction();
    db.Execute("insert into T_FileName (FileName, DeviceType) values ('full', 0)");
    for (int i = 0; i < 500; ++i)
        db.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) values "
                   "(?,?,'前台','full',?)",
                   {std::int64_t{i}, std::to_string(100000 + i), std::int64_t{i % 5}});
    for (int i = 1; i <= 100; ++i)
        db.Execute("insert into T_Device2 (DeviceNo,Address,Remark,FileName) values (?,?,'','full')",
                   {std::int64_t{i}, std::to_string(1000 + i)});
    for (int i = 0; i < 1999; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + i / 3, i % 3 + 1);
        db.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                   "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,"
                   "FileName) values (?,?,'八号桌','呼叫服务',1,2,3,4,5,-1,7,-1,1,0,'full')",
                   {std::string(code), std::int64_t{i / 3}});
    }
    db.CommitTransaction();
}

void BM_LoadFullPxFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    std::string error;
    const std::string path = (folder + "Database/DADE.db").toStdString();
    if (!px::EnsureDatabase(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    FillFullFile(px::MakeConnectionString(path));
    SilentPrompter prompter;
    px::test::FakeClock clock;
    px::NullEventPump pump;
    px::SimHidBackend backend;
    px::MemoryProfile profile;
    px::CPX_SystemDlg window(px::AppServices{folder, prompter, clock, pump, backend, profile, true, {}});
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.MakeFileCurrent("full", 0);
        // Paint what is on screen, as the user would see it.
        window.repaint();
        QApplication::processEvents();
        if (window.CallerGrid()->GridModel()->DataRowCount() != 1999)
            state.SkipWithError("the grid did not load");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(BM_LoadFullPxFile)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
