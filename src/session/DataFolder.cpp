#include "session/DataFolder.h"

#include "common/System.h"
#include "common/Utf8Path.h"

namespace px {

namespace {

namespace fs = std::filesystem;

std::string WithSlash(const fs::path& folder)
{
    std::string text = Utf8FromPath(folder);
    if (text.empty() || (text.back() != '/' && text.back() != '\\'))
        text += '/';
    return text;
}

} // namespace

bool IsPortableCopy(const fs::path& programFolder)
{
    std::error_code ec;
    return !programFolder.empty() && fs::is_regular_file(programFolder / kPortableMarker, ec);
}

std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder, std::string& error)
{
    return ResolveDataFolder(explicitFolder, sys::ExecutablePath().parent_path(), error);
}

std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder,
                                             const fs::path& programFolder, std::string& error)
{
    fs::path folder;
    if (!explicitFolder.empty())
        folder = PathFromUtf8(explicitFolder);
    else if (IsPortableCopy(programFolder))
        folder = programFolder;
    else
        folder = sys::UserDataFolder(kOrganisation, kApplication);
    if (folder.empty()) {
        error = "cannot find a data folder (no user data folder)";
        return std::nullopt;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        error = "cannot create the data folder " + Utf8FromPath(folder) +
                (ec ? ": " + ec.message() : std::string());
        return std::nullopt;
    }
    return WithSlash(fs::absolute(folder, ec));
}

fs::path SettingsFile(const std::string& explicitFolder, const std::string& dataFolder)
{
    if (!explicitFolder.empty())
        return PathIn(PathFromUtf8(dataFolder), kFolderSettingsFile);
    const fs::path programFolder = sys::ExecutablePath().parent_path();
    if (IsPortableCopy(programFolder))
        return PathIn(programFolder, kFolderSettingsFile);
    return sys::UserSettingsFile(kOrganisation, kApplication);
}

} // namespace px
