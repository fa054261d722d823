// Importing 1999 caller rows from the read-back browser into a configuration file.

#include "storage/Schema.h"
#include "transfer/Import.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <random>

namespace {

class YesPrompter final : public px::Prompter
{
public:
    void Message(std::string_view, std::string_view, px::MessageIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return true; }
};

void BM_Import1999Callers(benchmark::State& state)
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
    std::vector<px::BrowserRow> rows;
    for (int i = 0; i < 1999; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%05X%d", 0x10000 + i / 3, i % 3 + 1);
        rows.push_back({"0", code, std::to_string(i / 3), "八号桌", "呼叫服务", "1", "2", "", "",
                        "5", "", "7", "", "追呼"});
    }
    px::Database db;
    db.Open(px::MakeConnectionString(path));
    YesPrompter prompter;
    for (auto _ : state) {
        if (px::ImportRows(db, prompter, px::BrowserMode::Callers, px::HostModel::PX, "target",
                           px::FileType::PX, rows) != px::ImportOutcome::Imported)
            state.SkipWithError("import failed");
    }
    db.Close();
    std::error_code ec;
    fs::remove_all(folder, ec);
}
BENCHMARK(BM_Import1999Callers)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
