#pragma once

// A small classic library written by the test Jet writer: file 甲店 (PX, empty) and file 乙店
// (QX) with one information machine, pager 3, address 123, remark 前台, type 1.

#include "classic/ClassicTables.h"
#include "common/Utf8Path.h"

#include <gtest/gtest.h>
#include <string>

namespace px::test {

// Writes it to path (UTF-8), with a database password when one is given; returns path.
inline std::string WriteSmallClassicLibrary(const std::string& path,
                                            const std::string& password = {})
{
    JetDatabase db;
    db.password = password;
    db.tables.push_back(ClassicFileTable({{"甲店", 0}, {"乙店", 1}}));
    JetTable machines = ClassicMachineTable();
    machines.rows.push_back({std::int64_t{3}, std::string("123"), std::string("前台"),
                             std::string("乙店"), std::int64_t{1}});
    db.tables.push_back(std::move(machines));
    db.tables.push_back(ClassicHandheldTable());
    db.tables.push_back(ClassicCallerTable());
    std::string error;
    EXPECT_TRUE(WriteJetDatabase(db, PathFromUtf8(path), &error)) << error;
    return path;
}

} // namespace px::test
