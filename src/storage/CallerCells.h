#pragma once

// A caller key as cells, the one way the caller grid, the spreadsheets, pxctl, the site sheet and
// the read-back browser show a caller row and take a typed cell back: a target pager of none is
// an empty cell, the escalation shows by its name.

#include "storage/RegistrationTables.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace px {

enum class CellStyle
{
    Plain,      // the value as it is
    Target,     // a pager number; none is an empty cell
    Escalation, // by its name
};

struct CallerCellColumn
{
    const char* name; // the caller table's column
    CellStyle style;
};

// The caller table's columns a key shows as cells, in the grid's order (CodeType is told by the
// code's length and not shown).
inline constexpr std::array<CallerCellColumn, 13> kCallerCellColumns = {{
    {"CodeNo", CellStyle::Plain},
    {"CallNo", CellStyle::Plain},
    {"CallName", CellStyle::Plain},
    {"KeyName", CellStyle::Plain},
    {"DeviceNo1", CellStyle::Target},
    {"DeviceNo2", CellStyle::Target},
    {"DeviceNo3", CellStyle::Target},
    {"DeviceNo4", CellStyle::Target},
    {"DeviceNo5", CellStyle::Target},
    {"DeviceNo6", CellStyle::Target},
    {"DeviceNo7", CellStyle::Target},
    {"DeviceNo8", CellStyle::Target},
    {"ZhuiHu", CellStyle::Escalation},
}};
using CallerCellTexts = std::array<std::string, kCallerCellColumns.size()>;

// The caller table's column of that name; nothing for another name.
const TableColumn<CallerRow>* CallerColumnNamed(std::string_view name);
// How a column of kCallerCellColumns shows; nothing for a column no cell shows.
std::optional<CellStyle> CellStyleOf(std::string_view column);

// The escalation's name ("不追呼", "追呼", "删除追呼"); a value without one as its number.
std::string EscalationName(int zhuiHu);

// A key's cells, in the order of kCallerCellColumns.
CallerCellTexts CallerCells(const CallerRow& row);
// One cell of a key.
std::string CallerCell(const CallerRow& row, const CallerCellColumn& column);

// Takes a typed cell into the row: a target as a pager number, empty or -1 for none; the
// escalation by its name or number; a feature code sets the code type by its length. Why not,
// empty when taken; the value's own rule is the write path's to judge.
std::string TakeCallerCell(CallerRow& row, const CallerCellColumn& column, const std::string& text);

} // namespace px
