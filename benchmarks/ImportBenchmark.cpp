// Importing 1999 caller rows from the read-back browser into a configuration file.

#include "BenchSupport.h"
#include "transfer/Import.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

void BM_Import1999Callers(benchmark::State& state)
{
    const px::test::TempFolder folder;
    px::Database db;
    if (!px::bench::OpenScratchDatabase(folder, db, state))
        return;
    std::vector<px::CallerRow> callers;
    for (int i = 0; i < 1999; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + i / 3, i % 3 + 1);
        callers.push_back({code, i / 3, "八号桌", "呼叫服务", {1, 2, -1, -1, 5, -1, 7, -1}, 1, 0});
    }
    const px::ReadBackRows rows(callers);
    for (auto _ : state) {
        if (px::ImportRows(db, rows, px::HostModel::PX, "target", px::FileType::PX, true).outcome !=
            px::ImportOutcome::Imported)
            state.SkipWithError("import failed");
    }
}
BENCHMARK(BM_Import1999Callers)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
