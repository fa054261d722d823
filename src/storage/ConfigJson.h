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

#include "storage/Database.h"

#include <optional>
#include <string>

namespace px {

inline constexpr int kConfigJsonFormat = 1;
// A larger document is refused without being read: a full PX file takes well under 2 MB.
inline constexpr std::size_t kMaxConfigJsonBytes = std::size_t{64} * 1024 * 1024;

// The document of a configuration file; nothing, with the reason, when there is no such file,
// the database cannot be read, or it holds a value the format cannot carry (a text that is not
// UTF-8, a number column holding text).
std::optional<std::string> ExportConfigFile(Database& db, const std::string& name,
                                            std::string& error);

// The text of a document file; nothing, with the reason, when it cannot be read or is larger
// than kMaxConfigJsonBytes (refused from its size, without reading it).
std::optional<std::string> ReadConfigJsonFile(const std::string& path, std::string& error);

// Writes a document to a file through a temporary file next to it, so a failure never leaves
// a half-written document under the name; nothing is left behind on failure.
bool WriteConfigJsonFile(const std::string& path, const std::string& document, std::string& error);

enum class JsonImportResult
{
    Imported,
    Invalid, // the document is not valid: error names the field, nothing was written
    Exists,  // the name is taken and replacing was not allowed: nothing was written
    Failed,  // the database refused: nothing was written
};

// Creates the configuration file of a document, under its own name or the one given. An
// existing file of that name is replaced (its model and all its rows) only when allowed.
// Every row must pass the checks registration applies and fit the host's records, the tables
// must fit the model's capacity and hold no key twice; the first fault is named and nothing is
// written. All or nothing.
JsonImportResult ImportConfigFile(Database& db, const std::string& document,
                                  const std::string& asName, bool replace, std::string& error,
                                  std::string* importedName = nullptr);

} // namespace px
