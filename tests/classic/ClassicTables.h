#pragma once

// The classic database's tables as the test Jet writer lays them out: the columns the classic
// tool's schema gives each, with the rows a test adds.

#include "classic/JetWriter.h"

#include <string>
#include <utility>
#include <vector>

namespace px::test {

inline JetTable ClassicFileTable(const std::vector<std::pair<std::string, int>>& files)
{
    JetTable table{
        "T_FileName", {{"FileName", JetType::Text, 50}, {"DeviceType", JetType::Long}}, {}};
    for (const auto& [name, type] : files)
        table.rows.push_back({name, std::int64_t{type}});
    return table;
}

inline JetTable ClassicMachineTable()
{
    return {"T_Device1",
            {{"DeviceNo", JetType::Long},
             {"Address", JetType::Text, 50},
             {"Remark", JetType::Text, 50},
             {"FileName", JetType::Text, 50},
             {"TypeNo", JetType::Long}},
            {}};
}

inline JetTable ClassicHandheldTable()
{
    return {"T_Device2",
            {{"DeviceNo", JetType::Integer},
             {"Address", JetType::Text, 50},
             {"Remark", JetType::Text, 50},
             {"FileName", JetType::Text, 50}},
            {}};
}

inline JetTable ClassicCallerTable()
{
    JetTable table{"T_Device3",
                   {{"CodeNo", JetType::Text, 50},
                    {"CallNo", JetType::Long},
                    {"CallName", JetType::Text, 50},
                    {"KeyName", JetType::Text, 100}},
                   {}};
    for (int i = 1; i <= 8; ++i)
        table.columns.push_back({"DeviceNo" + std::to_string(i), JetType::Long});
    table.columns.push_back({"ZhuiHu", JetType::Byte});
    table.columns.push_back({"CodeType", JetType::Long});
    table.columns.push_back({"FileName", JetType::Text, 50});
    return table;
}

inline void AddClassicCaller(JetTable& table, const std::string& code, int callNo,
                             const std::string& name, const std::string& key,
                             const std::string& file)
{
    std::vector<JetValue> row{code, std::int64_t{callNo}, name, key};
    for (int i = 0; i < 8; ++i)
        row.emplace_back(std::int64_t{i == 0 ? 5 : -1});
    row.emplace_back(std::int64_t{1});
    row.emplace_back(std::int64_t{code.size() == 12 ? 1 : 0});
    row.emplace_back(file);
    table.rows.push_back(std::move(row));
}

} // namespace px::test
