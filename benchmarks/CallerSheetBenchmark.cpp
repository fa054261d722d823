// Previewing and applying a spreadsheet of 1999 caller rows (target: under 100 ms together).

#include "registry/CallerSheet.h"
#include "storage/Schema.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>

namespace {

void BM_PreviewAndApply1999CallerRows(benchmark::State& state)
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
    std::string sheet = "特征码,呼叫器号,中文名称,信息内容,信息机1,信息机2,追呼类型\r\n";
    for (int i = 0; i < 1999; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%05X%d,%d,%d号桌,呼叫服务,%d,%d,追呼\r\n",
                      0x10000 + i / 3, i % 3 + 1, i / 3, i / 3, i % 500, (i + 1) % 500);
        sheet += line;
    }
    px::Database db;
    db.Open(px::MakeConnectionString(path));
    db.Execute("insert into T_FileName (FileName,DeviceType) values ('target',0)");
    const px::SheetTarget target{
        "target", px::FileType::PX, px::HostModel::PX, {"呼叫服务", "结账", "加水"}};
    for (auto _ : state) {
        state.PauseTiming();
        db.Execute("delete from T_Device3");
        state.ResumeTiming();
        const auto preview = px::PreviewCallerSheet(db, target, sheet, error);
        if (!preview || preview->Count(px::SheetAction::Add) != 1999 ||
            !px::ApplyCallerSheet(db, "target", *preview, error))
            state.SkipWithError("the sheet was not applied");
    }
    db.Close();
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_PreviewAndApply1999CallerRows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
