// Loading a full PX configuration file (500 information machines, 100 handheld callers,
// 1999 caller rows) into the main window's three views, offscreen.

#include "BenchSupport.h"
#include "common/Profile.h"
#include "gui/main/MainWindow.h"
#include "gui/paperwork/SiteSheetPdf.h"
#include "gui/widgets/CallerGridView.h"
#include "mock/FakeClock.h"
#include "mock/FullFile.h"
#include "sim/SimHidBackend.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <sys/resource.h>

namespace {

void FillFullFile(const std::string& connection)
{
    px::Database db;
    db.Open(connection);
    px::test::FillFullPxFile(db, "full");
}

void BM_LoadFullPxFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    std::string error;
    const std::string path = px::DatabasePath(folder.toStdString());
    if (!px::EnsureDatabase(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    FillFullFile(path);
    px::bench::FixedPrompter prompter(false);
    px::test::FakeClock clock;
    px::NullEventPump pump;
    px::SimHidBackend backend;
    px::MemoryProfile profile;
    px::Workspace workspace(folder.toStdString(), backend, true);
    px::MainWindow window(px::AppServices{workspace, prompter, clock, pump, profile});
    window.show();
    QApplication::processEvents();
    for (auto _ : state) {
        window.MakeFileCurrent("full", px::FileType::PX);
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
BENCHMARK(BM_LoadFullPxFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The site sheet of a full PX file as a PDF: read, laid out on A4 pages, written (target:
// under 2 s).
void BM_SiteSheetOfAFullPxFile(benchmark::State& state)
{
    QTemporaryDir folder;
    const std::string path = folder.filePath("DADE.db").toStdString();
    std::string error;
    if (!px::EnsureDatabase(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    FillFullFile(path);
    px::Database db;
    db.Open(path);
    const QString pdf = folder.filePath("sheet.pdf");
    for (auto _ : state) {
        const auto sheet = px::LoadSiteSheet(db, "full", "2026-12-10", error);
        QString failure;
        if (!sheet || !px::WriteSiteSheetPdf(*sheet, pdf, failure))
            state.SkipWithError("the sheet was not written");
    }
}
BENCHMARK(BM_SiteSheetOfAFullPxFile)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

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
