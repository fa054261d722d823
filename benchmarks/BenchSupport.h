#pragma once

// What the benchmarks share: a prompter that gives one answer and a fresh database in a folder
// that is removed afterwards.

#include "common/Prompter.h"
#include "mock/TempFolder.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <benchmark/benchmark.h>
#include <string>

namespace px::bench {

// Shows nothing and answers every question the same way.
class FixedPrompter final : public Prompter
{
public:
    explicit FixedPrompter(bool answer) : answer_(answer) {}
    void Message(std::string_view, std::string_view, MessageIcon) override {}
    bool AskOkCancel(std::string_view, std::string_view) override { return answer_; }

private:
    bool answer_;
};

// Creates the program's database in folder and opens db on it; on failure the benchmark is
// skipped with the reason and false comes back.
inline bool OpenScratchDatabase(const test::TempFolder& folder, Database& db,
                                benchmark::State& state)
{
    const std::string path = folder.File("DADE.db");
    std::string error;
    if (!EnsureDatabase(path, error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    if (!db.Open(path)) {
        state.SkipWithError("the database did not open");
        return false;
    }
    return true;
}

} // namespace px::bench
