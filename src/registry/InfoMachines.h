#pragma once

// Information machines (pagers and display receivers) of a configuration file: adding,
// modifying and deleting them with the checks of the registration strip.

#include "common/Notices.h"
#include "storage/Database.h"
#include "storage/RowRules.h"

#include <optional>
#include <string>

namespace px {

inline constexpr int kAddressWrap = 1111110;

// The receiver type names of T_Type by drop-down position; nothing for another name.
std::optional<int> ReceiverTypeIndex(const std::string& typeName);

// The address after "地址码自加一": one more, wrapping to 1111110 past 2097151, seven digits.
std::string AdvanceAddress(const std::string& address);

// What the main window's fields hold when a machine is saved.
struct InfoMachineFields
{
    std::string pagerText;    // edit 1001
    std::string handheldText; // edit 1010: every field of the window is checked on save
    std::string address;      // edit 1002
    std::string remark;       // edit 1003
    int typeIndex = 0;        // drop-down 1045
    bool advanceAddress = false;
};

// What the fields become afterwards; nothing changes when a check refused the save.
struct InfoMachineSaveResult
{
    bool stored = false;
    bool fieldsChanged = false;
    int pagerNumber = 0;
    std::string address;
    Notices notices; // why a check refused the save
};

// The capacity rule is the table's: the QX limit applies when the host or the file is QX.
InfoMachineSaveResult SaveInfoMachine(Database& db, const std::string& fileName, FileType fileType,
                                      HostModel hostModel, const InfoMachineFields& fields);

// Deletes the machine whose pager number text was selected (nothing when the text is empty).
void DeleteInfoMachine(Database& db, const std::string& fileName, const std::string& pagerText);

// The names the range prompts give the window's number fields.
inline constexpr const char* kPagerField = "传呼号";
inline constexpr const char* kHandheldNumberField = "手持呼叫器编号";

// Checks a number field of the window; nothing, with a notice that names the field and its
// range, when it is not a whole number in range.
std::optional<int> ReadIntegerField(const std::string& text, int low, int high, const char* field,
                                    Notices& notices);

} // namespace px
