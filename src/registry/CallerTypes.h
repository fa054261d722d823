#pragma once

// The global caller types: a name, a key count and which key numbers (1 to 5) the caller has.

#include "storage/Database.h"

#include <array>
#include <string>
#include <vector>

namespace px {

struct CallerTypeRow
{
    std::string name;
    int keyCount = 0;
    unsigned keySelection = 0;
};

// The types as the dialog lists them, by name.
std::vector<CallerTypeRow> ListCallerTypesByName(Database& db);

// Key selection and count from the five key toggles.
unsigned KeySelection(const std::array<bool, 5>& keys);
int KeyCount(const std::array<bool, 5>& keys);

enum class CallerTypeAdded
{
    Added,
    NameTaken, // nothing changed: UpdateCallerType after kUpdateCallerTypeQuestion
    Failed,    // the database refused; its failure is kept (Database::TakeFailure)
};
inline constexpr const char* kUpdateCallerTypeQuestion =
    "当前要添加的<呼叫器类型>已存在，更新选择'确定'，退出选择'取消' ";

// Adds a type of that name, unless the name is taken.
CallerTypeAdded AddCallerType(Database& db, const std::string& name,
                              const std::array<bool, 5>& keys);
// Gives the type of that name these keys; true when stored.
bool UpdateCallerType(Database& db, const std::string& name, const std::array<bool, 5>& keys);

bool DeleteCallerType(Database& db, const std::string& name);

} // namespace px
