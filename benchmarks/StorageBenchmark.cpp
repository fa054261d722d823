// Reading a full caller table the way the main window loads its grid.

#include "registry/RegistryViews.h"
#include "storage/Schema.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>

namespace {

void BM_LoadCallerGridView(benchmark::State& state)
{
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("px-bench-" + std::to_string(std::random_device{}()));
    const std::string path = (folder / "DADE.db").string();
    std::string error;
    if (!px::EnsureDatabase(path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    px::Database db;
    db.Open(px::MakeConnectionString(path));
    db.BeginTransaction();
    const int rows = static_cast<int>(state.range(0));
    for (int i = 0; i < rows; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + i / 3, i % 3 + 1);
        db.Execute("insert into T_Device3 (CodeNo,CallNo,CallName,KeyName,DeviceNo1,DeviceNo2,"
                   "DeviceNo3,DeviceNo4,DeviceNo5,DeviceNo6,DeviceNo7,DeviceNo8,ZhuiHu,CodeType,"
                   "FileName) values (?,?,'八号桌','呼叫服务',1,2,3,-1,-1,-1,-1,-1,0,0,'f')",
                   {std::string(code), std::int64_t{i / 3}});
    }
    db.CommitTransaction();
    for (auto _ : state) {
        auto view = px::LoadCallerGridView(db, "f");
        benchmark::DoNotOptimize(view);
    }
    db.Close();
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_LoadCallerGridView)->Arg(1999)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
