#pragma once

// Where the program keeps its files: the data folder (the database, the record files,
// zpreg.ini) and the remembered settings. The window and pxctl find them the same way.

#include "storage/Schema.h"

#include <filesystem>
#include <optional>
#include <string>

namespace px {

inline constexpr const char* kOrganisation = "DADE_System";
inline constexpr const char* kApplication = "px-system";
// The settings file inside a data folder named on the command line (portable use).
inline constexpr const char* kFolderSettingsFile = "px-system.ini";

// The data folder as UTF-8 ending with '/', created when missing. An explicit folder wins;
// otherwise the program's own folder when it may be written (a portable copy, as the classic
// tool kept its data), else the per-user data folder. Nothing, with the reason, when none can
// be made.
std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder, std::string& error);

// The settings file: inside the data folder when one was named, else the user's own.
std::filesystem::path SettingsFile(const std::string& explicitFolder,
                                   const std::string& dataFolder);

} // namespace px
