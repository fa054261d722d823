#pragma once

// What the main window's three registration views and its drop-down lists show, read from
// the database.

#include "storage/Database.h"
#include "storage/RegistrationTables.h"

#include <array>
#include <string>
#include <vector>

namespace px {

struct InfoMachineListRow
{
    int deviceNo = 0;
    std::string address;
    std::string typeName;
    std::string remark;
};

struct InfoMachineView
{
    std::vector<InfoMachineListRow> rows; // ascending pager number
    // The pager numbers as texts, empty for pager number 0: the options of the grid's device
    // columns and the default target of new callers.
    std::vector<std::string> numberList;
    // The entries of the manual sender's drop-down list: every pager number.
    std::vector<std::string> senderEntries;
};

struct HandheldListRow
{
    int deviceNo = 0;
    std::string address;
    std::string remark;
};

inline constexpr int kCallerGridColumns = 13;
using CallerGridRow = std::array<std::string, kCallerGridColumns>;

// The escalation choices by stored ZhuiHu value.
inline const std::array<std::string, 3> kEscalationChoices = {"不追呼", "追呼", "删除追呼"};

struct CallerType
{
    std::string name;
    int keyCount = 1;
    unsigned keySelection = 0;
};

// A caller key's cells as the grid and a spreadsheet show them: no target pager as an empty
// cell, the escalation by its name (an unknown one by its number).
CallerGridRow CallerCells(const CallerRow& row);

InfoMachineView LoadInfoMachineView(Database& db, const std::string& fileName);
std::vector<HandheldListRow> LoadHandheldView(Database& db, const std::string& fileName);
// Rows in descending CodeNo, as the grid shows them above its blank row.
std::vector<CallerGridRow> LoadCallerGridView(Database& db, const std::string& fileName);
// The built-in single key type first, then the stored types by ascending key count.
std::vector<CallerType> LoadCallerTypes(Database& db);
std::vector<std::string> LoadKeyNames(Database& db);

} // namespace px
