#pragma once

// pxctl: what the window does, from a shell. Every rule lives in the core; this only parses
// arguments, calls the core and prints what it returns.

#include "common/Clock.h"
#include "common/Profile.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace px::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Environment
{
    std::ostream& out;
    std::ostream& err;
    bool terminal = false; // standard error is a terminal: progress updates in place
    Profile& profile;
    Clock& clock;
    // The data folder when --data-dir is not given (empty: none could be made).
    std::function<std::string()> defaultDataFolder;
    // With --data-dir, the settings kept in that folder instead of `profile` (portable use);
    // without this, `profile` serves every data folder.
    std::function<std::unique_ptr<Profile>(const std::string& dataFolder)> folderProfile = {};
    // The program that lays the site sheet out as PDF (px-sheet); empty where there is none.
    std::filesystem::path sheetProgram = {};
    // The program that reads a classic Jet database (px-classic-reader); empty where there is
    // none.
    std::filesystem::path classicReaderProgram = {};
    // How long the database waits for another program's lock before a command fails as busy.
    int databaseBusyMs = 5000;
};

// Runs one pxctl command line (without the program name); returns the exit status.
int Run(const std::vector<std::string>& args, Environment& env);

} // namespace px::cli
