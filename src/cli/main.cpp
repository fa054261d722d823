#include "cli/CliApp.h"
#include "common/IniProfile.h"
#include "common/System.h"
#include "common/Utf8Path.h"
#include "session/DataFolder.h"

#include <iostream>
#include <memory>

int main(int argc, char* argv[])
{
    px::sys::PrepareConsole();
    // The window's settings: both programs remember the same values.
    px::IniProfile profile(px::SettingsFile({}, {}));
    px::SystemClock clock;
    px::cli::Environment env{
        std::cout, std::cerr, px::sys::StandardErrorIsTerminal(), profile, clock,
        [] {
            std::string ignored;
            return px::ResolveDataFolder({}, ignored).value_or(std::string());
        },
        [](const std::string& folder) -> std::unique_ptr<px::Profile> {
            return std::make_unique<px::IniProfile>(
                px::PathIn(px::PathFromUtf8(folder), px::kFolderSettingsFile));
        },
        // The site sheet's page layout is done by a program of its own, installed beside this
        // one, so that pxctl itself needs no graphics library.
        px::sys::ExecutablePath().parent_path() / px::sys::ProgramFileName("px-sheet"),
        // The classic database is read by a process of its own, so that a damaged file that
        // crashes the library cannot take pxctl down.
        px::sys::ExecutablePath().parent_path() / px::sys::ProgramFileName("px-classic-reader")};
    return px::cli::Run(px::sys::ProgramArguments(argc, argv), env);
}
