#include "session/DataFolder.h"

#include "common/SharedFile.h"
#include "common/System.h"
#include "common/Utf8Path.h"

#include <random>

namespace px {

namespace {

namespace fs = std::filesystem;

// Whether a new file can be made in the folder: the only sure test, since permissions,
// read-only media and virtualised program folders all answer differently.
bool IsWritableFolder(const fs::path& folder)
{
    std::random_device random;
    const fs::path probe = folder / ("write-test-" + std::to_string(random()));
    std::string ignored;
    if (!WriteNewFile(probe, {}, ignored))
        return false;
    std::error_code ec;
    fs::remove(probe, ec);
    return true;
}

std::string WithSlash(const fs::path& folder)
{
    std::string text = Utf8FromPath(folder);
    if (text.empty() || (text.back() != '/' && text.back() != '\\'))
        text += '/';
    return text;
}

} // namespace

std::optional<std::string> ResolveDataFolder(const std::string& explicitFolder, std::string& error)
{
    fs::path folder;
    if (!explicitFolder.empty()) {
        folder = PathFromUtf8(explicitFolder);
    } else {
        const fs::path program = sys::ExecutablePath().parent_path();
        folder = !program.empty() && IsWritableFolder(program)
                     ? program
                     : sys::UserDataFolder(kOrganisation, kApplication);
    }
    if (folder.empty()) {
        error = "cannot find a data folder (no program folder to write to, no user data folder)";
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
    return sys::UserSettingsFile(kOrganisation, kApplication);
}

} // namespace px
