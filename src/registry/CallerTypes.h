#pragma once

// The global caller types: a name, a key count and which key numbers (1 to 5) the caller has.

#include "common/Prompter.h"
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

// Adds a type; when the name exists, asks whether to update it. True when stored.
bool AddOrUpdateCallerType(Database& db, Prompter& prompter, const std::string& name,
                           const std::array<bool, 5>& keys);

bool DeleteCallerType(Database& db, const std::string& name);

} // namespace px
