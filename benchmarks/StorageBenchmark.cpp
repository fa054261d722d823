// Reading a full caller table the way the main window loads its grid.

#include "BenchSupport.h"
#include "registry/RegistryViews.h"
#include "storage/Transaction.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

void BM_LoadCallerGridView(benchmark::State& state)
{
    const px::test::TempFolder folder;
    px::Database db;
    if (!px::bench::OpenScratchDatabase(folder, db, state))
        return;
    px::Transaction transaction(db);
    const int rows = static_cast<int>(state.range(0));
    for (int i = 0; i < rows; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + i / 3, i % 3 + 1);
        db.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                   "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,"
                   "FileName) values (?,?,'八号桌','呼叫服务',1,2,3,-1,-1,-1,-1,-1,0,0,'f')",
                   {std::string(code), std::int64_t{i / 3}});
    }
    transaction.Commit();
    for (auto _ : state) {
        auto view = px::LoadCallerGridView(db, "f");
        benchmark::DoNotOptimize(view);
    }
}
BENCHMARK(BM_LoadCallerGridView)->Arg(1999)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
