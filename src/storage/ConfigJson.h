#pragma once

// A configuration file as one JSON document, for moving set-ups between sites:
//
//   { "format": 1, "name": "...", "model": "px"|"qx",
//     "infoMachines": [ { "DeviceNo": 7, "Address": "0000123", "Remark": "...", "TypeNo": 4 } ],
//     "handhelds":    [ { "DeviceNo": 5, "Address": "1A2B", "Remark": "..." } ],
//     "callers":      [ { "CodeNo": "A1B2C1", "CallNo": 1, "CallName": "...", "KeyName": "...",
//                         "DeviceNo1": 5, ..., "DeviceNo8": -1, "ZhuiHu": 0, "CodeType": 0 } ] }
//
// Every column of every row is kept; a column the database holds no value for is null.

#include "storage/AdoDatabase.h"

#include <optional>
#include <string>

namespace px {

inline constexpr int kConfigJsonFormat = 1;

// The document of a configuration file; nothing when there is no such file.
std::optional<std::string> ExportConfigFile(CADODatabase& db, const std::string& name);

enum class JsonImportResult
{
    Imported,
    Invalid, // the document is not valid: error names the field, nothing was written
    Exists,  // the name is taken and replacing was not allowed: nothing was written
    Failed,  // the database refused: nothing was written
};

// Creates the configuration file of a document, under its own name or the one given. An
// existing file of that name is replaced (its model and all its rows) only when allowed.
// All or nothing.
JsonImportResult ImportConfigFile(CADODatabase& db, const std::string& document,
                                  const std::string& asName, bool replace, std::string& error,
                                  std::string* importedName = nullptr);

} // namespace px
