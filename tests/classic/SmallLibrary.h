#pragma once

// A small classic library written by the test Jet writer: file 甲店 (PX, empty) and file 乙店
// (QX) with one information machine, pager 3, address 123, remark 前台, type 1.

#include "classic/JetWriter.h"
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
    db.tables.push_back(
        {"T_FileName",
         {{"FileName", JetType::Text, 50}, {"DeviceType", JetType::Long}},
         {{std::string("甲店"), std::int64_t{0}}, {std::string("乙店"), std::int64_t{1}}}});
    db.tables.push_back({"T_Device1",
                         {{"DeviceNo", JetType::Long},
                          {"Address", JetType::Text, 50},
                          {"Remark", JetType::Text, 50},
                          {"FileName", JetType::Text, 50},
                          {"TypeNo", JetType::Long}},
                         {{std::int64_t{3}, std::string("123"), std::string("前台"),
                           std::string("乙店"), std::int64_t{1}}}});
    db.tables.push_back({"T_Device2",
                         {{"DeviceNo", JetType::Long},
                          {"Address", JetType::Text, 50},
                          {"Remark", JetType::Text, 50},
                          {"FileName", JetType::Text, 50}},
                         {}});
    JetTable callers{"T_Device3",
                     {{"CodeNo", JetType::Text, 50},
                      {"CallNo", JetType::Long},
                      {"CallName", JetType::Text, 50},
                      {"KeyName", JetType::Text, 50}},
                     {}};
    for (int i = 1; i <= 8; ++i)
        callers.columns.push_back({"DeviceNo" + std::to_string(i), JetType::Long});
    callers.columns.push_back({"ZhuiHu", JetType::Long});
    callers.columns.push_back({"CodeType", JetType::Long});
    callers.columns.push_back({"FileName", JetType::Text, 50});
    db.tables.push_back(std::move(callers));
    std::string error;
    EXPECT_TRUE(WriteJetDatabase(db, PathFromUtf8(path), &error)) << error;
    return path;
}

} // namespace px::test
