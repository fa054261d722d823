// Previewing and applying a spreadsheet of 1999 caller rows (target: under 100 ms together).

#include "BenchSupport.h"
#include "registry/CallerSheet.h"

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

void BM_PreviewAndApply1999CallerRows(benchmark::State& state)
{
    const px::test::TempFolder folder;
    px::Database db;
    if (!px::bench::OpenScratchDatabase(folder, db, state))
        return;
    std::string error;
    std::string sheet = "特征码,呼叫器号,中文名称,信息内容,信息机1,信息机2,追呼类型\r\n";
    for (int i = 0; i < 1999; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%05X%d,%d,%d号桌,呼叫服务,%d,%d,追呼\r\n",
                      0x10000 + i / 3, i % 3 + 1, i / 3, i / 3, i % 500, (i + 1) % 500);
        sheet += line;
    }
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
}
BENCHMARK(BM_PreviewAndApply1999CallerRows)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
