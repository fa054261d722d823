#pragma once

#include "mock/TempFolder.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <gtest/gtest.h>

namespace px::test {

// A fresh database with the program's schema where a data folder keeps it: what every test
// of stored rows starts from. Make it in the fixture's SetUp with
// ASSERT_NO_FATAL_FAILURE(scratch_.Create()).
class ScratchDatabase
{
public:
    explicit ScratchDatabase(const TempFolder& folder) : path_(DatabasePath(folder.Folder())) {}

    void Create()
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(path_, error)) << error;
        ASSERT_TRUE(db_.Open(path_)) << db_.GetLastErrorString();
    }

    Database& Db() { return db_; }
    const std::string& Path() const { return path_; }

    // How many rows a query returns.
    int Count(const std::string& sql, const SqlParams& params = {})
    {
        const auto rows = db_.Query(sql, params);
        EXPECT_TRUE(rows.has_value()) << db_.GetErrorDescription();
        return rows ? static_cast<int>(rows->size()) : -1;
    }

private:
    std::string path_;
    Database db_;
};

} // namespace px::test
