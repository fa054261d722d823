#pragma once

#include "mock/ScratchDatabase.h"
#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"
#include "storage/Database.h"

#include <gtest/gtest.h>

namespace px::test {

// A fresh database with the program's schema.
class DatabaseFixture : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch_.Create()); }

    int Count(const std::string& sql, const SqlParams& params = {})
    {
        return scratch_.Count(sql, params);
    }

    void AddFile(const std::string& name, int type)
    {
        ASSERT_TRUE(db_.Execute("insert into T_FileName (FileName, DeviceType) values (?, ?)",
                                {name, std::int64_t{type}}));
    }

    void AddMachine(const std::string& file, int pager, const std::string& address = "123",
                    int type = 0, const std::string& remark = "")
    {
        ASSERT_TRUE(db_.Execute("insert into T_Device1 (DeviceNo,Address,Remark,FileName,TypeNo) "
                                "values (?,?,?,?,?)",
                                {std::int64_t{pager}, address, remark, file, std::int64_t{type}}));
    }

    TempFolder folder_;
    ScratchDatabase scratch_{folder_};
    Database& db_ = scratch_.Db();
    const std::string& dbPath_ = scratch_.Path();
    ScriptedPrompter prompter_;
};

} // namespace px::test
