#pragma once

#include "cli/CliApp.h"
#include "common/Profile.h"
#include "mock/FakeClock.h"
#include "mock/TempFolder.h"
#include "storage/Schema.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace px::test {

// Runs pxctl in process against its own data folder and simulated host folder.
class CliFixture : public ::testing::Test
{
protected:
    struct Result
    {
        int status;
        std::string out;
        std::string err;
    };

    Result Run(std::vector<std::string> args, bool simulated = true)
    {
        std::vector<std::string> full = {"--data-dir", data_.Text()};
        if (simulated) {
            full.push_back("--host");
            full.push_back("sim:" + sim_.Text());
        }
        full.insert(full.end(), args.begin(), args.end());
        std::ostringstream out;
        std::ostringstream err;
        cli::Environment env{out,
                             err,
                             false,
                             profile_,
                             clock_,
                             [] { return std::string(); },
                             {},
                             sheetProgram_,
                             classicReader_,
                             databaseBusyMs_};
        const int status = cli::Run(full, env);
        return {status, out.str(), err.str()};
    }

    // The command's JSON output; null after a failure.
    nlohmann::json Json(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--json");
        const Result r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false);
    }

    // As long as pxctl waits; a test of another program's lock makes it short.
    int databaseBusyMs_ = 5000;

    std::string DatabasePath() const { return px::DatabasePath(data_.Folder()); }

    // The database file's bytes: equal before and after means nothing was written.
    std::string DatabaseBytes() const { return ReadAll(DatabasePath()); }

    static std::string ReadAll(const std::string& path)
    {
        std::ifstream in(PathFromUtf8(path), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void WriteAll(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    TempFolder data_;
    TempFolder sim_;
    // The program pxctl lays the site sheet out with; none unless a test gives one.
    std::filesystem::path sheetProgram_;
    // The program pxctl reads a classic database with; none unless a test gives one.
    std::filesystem::path classicReader_;
    MemoryProfile profile_;
    FakeClock clock_;
};

} // namespace px::test
