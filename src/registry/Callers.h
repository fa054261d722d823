#pragma once

// Callers: one row of T_Device3 per key, edited in the caller grid and registered from the
// strip below it, automatically (the host reports the pressed key) or by a typed code.

#include "common/Notices.h"
#include "hostlink/HostExchange.h"
#include "registry/RegistryViews.h"
#include "storage/Database.h"

#include <optional>
#include <string>
#include <vector>

namespace px {

inline constexpr int kFirstDeviceColumn = 4;
inline constexpr int kLastDeviceColumn = 11;
inline constexpr int kEscalationColumn = 12;

// What an edited cell does to its row.
struct CellEditResult
{
    bool written = false;
    // The text the cell must show again (a feature code of a wrong length, a caller number
    // that cannot travel or a text the host cannot show is put back).
    std::optional<std::string> restore;
    // What the user is told about a refused value (nothing for a code of a wrong length).
    std::string refusal;
};

// The message for a caller number the record cannot carry; empty when it can ("" is not one).
std::string CallerNumberRefusal(const std::string& text);

// Writes the new text of a grid cell to the row whose feature code the edit started on.
CellEditResult UpdateCallerCell(Database& db, const std::string& fileName,
                                const std::string& rememberedCode, int column,
                                const std::string& text);

// What the user is asked before DeleteCallerKey and DeleteCallerKeys.
std::string DeleteCallerKeyQuestion(const std::string& code);
std::string DeleteCallerKeysQuestion(const std::string& code);
// Deletes one key; true when deleted.
bool DeleteCallerKey(Database& db, const std::string& fileName, const std::string& code);
// Deletes keys 1 to 9 of the caller of a code, all or nothing.
bool DeleteCallerKeys(Database& db, const std::string& fileName, const std::string& code);

// The caller part advanced by one: "1234F" -> "12350".
std::string AdvanceCallerPart(const std::string& code);

// Keeps only what may be typed into a feature code edit: the last character must be a
// hexadecimal digit, otherwise it is removed (a pasted text is checked character by character).
std::string FilterFeatureCode(const std::string& text);

struct RegistrationRequest
{
    std::vector<CallerType> types; // the drop-down's entries
    int typePosition = -1;
    bool manual = false;
    std::string manualCode; // edit 1038
    std::string runFrom = "1";
    std::string runTo = "1";
    bool plusOne = false;
    std::string callerNumber; // edit 1028, empty: the next free number
    std::string callerName;   // edit 1029
    std::vector<std::string> keyNames;
    std::vector<std::string> numberList; // the information machine number list
    std::string fileName;
    FileType fileType = FileType::None;
    HostModel hostModel = HostModel::None;
};

struct RegistrationResult
{
    std::vector<CallerGridRow> added; // in the order stored; each goes on top of the grid
    std::vector<std::string> skipped; // keys found registered already, once each
    std::string manualCode;           // what edit 1038 shows afterwards
    bool focusCode = false;           // the typed code was refused
    Notices notices;                  // refusals, keys left out, what the exchange told
};

// Registers the callers of one press of the register button.
RegistrationResult RegisterCallers(Database& db, HostExchange* exchange,
                                   const RegistrationRequest& request);

} // namespace px
