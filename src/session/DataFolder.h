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
// The settings file inside a data folder named on the command line or of a portable copy.
inline constexpr const char* kFolderSettingsFile = "px-system.ini";
// The file that makes a copy portable: beside the programs, it keeps the data and settings in
// the programs' folder, as the classic tool kept them. The zip carries it (and the build tree);
// an installed copy has none and keeps them in the user's own folders, whether or not its
// program folder happens to be writable.
inline constexpr const char* kPortableMarker = "portable.txt";

// Whether the programs in programFolder are a portable copy.
bool IsPortableCopy(const std::filesystem::path& programFolder);

// The data folder as UTF-8 ending with '/', created when missing. An explicit folder wins;
// otherwise the programs' own folder for a portable copy, else the per-user data folder.
// Nothing, with the reason, when none can be made.
std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder, std::string& error);
// The same for programs in programFolder.
std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder,
                                             const std::filesystem::path& programFolder,
                                             std::string& error);

// The settings file: inside the data folder when one was named, beside the programs of a
// portable copy, else the user's own.
std::filesystem::path SettingsFile(const std::string& explicitFolder,
                                   const std::string& dataFolder);

} // namespace px
