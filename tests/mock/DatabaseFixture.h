#pragma once

#include "mock/ScriptedPrompter.h"
#include "mock/TempFolder.h"
#include "storage/Database.h"
#include "storage/Schema.h"

#include <gtest/gtest.h>

namespace px::test {

// A fresh database with the program's schema.
class DatabaseFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(EnsureDatabase(dbPath_, error)) << error;
        ASSERT_TRUE(db_.Open(connection_));
    }

    int Count(const std::string& sql, const SqlParams& params = {})
    {
        QueryResult rs(db_);
        EXPECT_TRUE(rs.Open(db_, sql, params)) << rs.GetLastErrorString();
        return rs.GetRecordCount();
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
    std::string dbPath_ = folder_.File("Database/DADE.db");
    std::string connection_ = dbPath_;
    Database db_;
    ScriptedPrompter prompter_;
};

} // namespace px::test
