#pragma once

// What the operating systems do differently, behind one small interface with a POSIX version
// (SystemPosix.cpp) and a Windows version (SystemWindows.cpp). Every text that crosses it is
// UTF-8; file names become paths only through the helpers of Utf8Path.h.

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace px::sys {

// The local calendar time of a moment.
std::tm LocalTimeOf(std::time_t when);

// Asks the system to end this thread's short sleeps on time rather than late: a download
// pauses after each of its thousands of packets.
void RequestPunctualWakeups();

// Whether standard error is a terminal (a console on Windows), where progress can update a
// line in place.
bool StandardErrorIsTerminal();

// The program's arguments (without its name) as UTF-8, whatever the system's code page.
std::vector<std::string> ProgramArguments(int argc, char* argv[]);

// Lets standard output and error carry UTF-8 as it is (on Windows, the console's code page).
void PrepareConsole();

// The running program's own file; empty when the system cannot say.
std::filesystem::path ExecutablePath();

// Where a program keeps its data for the user: on Linux under the XDG data home
// (~/.local/share/ORGANISATION/APPLICATION), on Windows under the roaming application data
// folder (%APPDATA%\ORGANISATION\APPLICATION). Empty when the system names no such place.
std::filesystem::path UserDataFolder(const std::string& organisation,
                                     const std::string& application);

// The user's settings file of a program, where QSettings keeps it on Linux
// (~/.config/ORGANISATION/APPLICATION.conf); on Windows beside its data
// (%APPDATA%\ORGANISATION\APPLICATION.ini). Empty when the system names no such place.
std::filesystem::path UserSettingsFile(const std::string& organisation,
                                       const std::string& application);

// An environment variable as UTF-8; nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

// The name a program's file has on this system ("pxctl" here, "pxctl.exe" on Windows).
std::string ProgramFileName(const std::string& name);

// A program started by this one, with its own standard streams inherited. Waits for it when
// destroyed without Wait().
class ChildProcess
{
public:
    // Starts program with the arguments (not quoted or split by any shell); nothing, with the
    // reason, when it cannot be started. With an output file, the program's standard output
    // and error go there instead.
    static std::unique_ptr<ChildProcess> Start(const std::filesystem::path& program,
                                               const std::vector<std::string>& arguments,
                                               std::string& error,
                                               const std::filesystem::path& output = {});
    virtual ~ChildProcess() = default;

    // Waits for the program to end: its exit status, or nothing with the reason (killed by a
    // signal, or the wait failed).
    virtual std::optional<int> Wait(std::string& error) = 0;

protected:
    ChildProcess() = default;
};

// Starts a program and waits for it.
inline std::optional<int> RunProgram(const std::filesystem::path& program,
                                     const std::vector<std::string>& arguments, std::string& error)
{
    const auto child = ChildProcess::Start(program, arguments, error);
    return child ? child->Wait(error) : std::nullopt;
}

} // namespace px::sys
