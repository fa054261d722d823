#include "common/System.h"
#include "common/Utf8Path.h"
#include "common/WindowsText.h"

#include <cstdlib>
#include <windows.h>
// After windows.h, which they need.
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

namespace px {

namespace win {

std::wstring WideFromUtf8(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int size = static_cast<int>(wide.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string ErrorText(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = length > 0 ? Utf8FromWide(std::wstring_view(buffer, length))
                                  : "error " + std::to_string(code);
    LocalFree(buffer);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

} // namespace win

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(win::WideFromUtf8(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return win::Utf8FromWide(path.native());
}

namespace sys {

namespace {

// One argument as CommandLineToArgvW and the C runtime split it again: quoted when it holds
// blanks or quotes, with the backslashes before a quote doubled.
std::wstring QuotedArgument(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    quoted.push_back(L'"');
    return quoted;
}

class WindowsChildProcess final : public ChildProcess
{
public:
    explicit WindowsChildProcess(HANDLE process) : process_(process) {}
    ~WindowsChildProcess() override
    {
        std::string ignored;
        if (process_ != nullptr)
            Wait(ignored);
    }

    std::optional<int> Wait(std::string& error) override
    {
        if (process_ == nullptr) {
            error = "the program was waited for already";
            return std::nullopt;
        }
        DWORD status = 0;
        const bool ended = WaitForSingleObject(process_, INFINITE) == WAIT_OBJECT_0 &&
                           GetExitCodeProcess(process_, &status) != 0;
        const DWORD code = GetLastError();
        CloseHandle(process_);
        process_ = nullptr;
        if (!ended) {
            error = "cannot wait for the program: " + win::ErrorText(code);
            return std::nullopt;
        }
        return static_cast<int>(status);
    }

private:
    HANDLE process_;
};

std::filesystem::path KnownFolder(const KNOWNFOLDERID& id)
{
    wchar_t* path = nullptr;
    std::filesystem::path folder;
    if (SHGetKnownFolderPath(id, 0, nullptr, &path) == S_OK)
        folder = path;
    CoTaskMemFree(path);
    return folder;
}

} // namespace

std::tm LocalTimeOf(std::time_t when)
{
    std::tm tm{};
    localtime_s(&tm, &when);
    return tm;
}

void RequestPunctualWakeups()
{
    // Windows wakes sleepers on its timer tick, 15.6 ms unless a program asks for less: the
    // 10 ms pauses of a download would take half as long again.
    static const bool punctual = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)punctual;
}

bool StandardErrorIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::vector<std::string> ProgramArguments(int /*argc*/, char* /*argv*/[])
{
    // The C runtime's argv holds the words in the ANSI code page, where a Chinese word may
    // not fit; the wide command line holds them as typed.
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words != nullptr && i < count; ++i)
        arguments.push_back(win::Utf8FromWide(words[i]));
    LocalFree(words);
    return arguments;
}

void PrepareConsole()
{
    SetConsoleOutputCP(CP_UTF8);
    // The progress line is updated in place with an erase-to-end-of-line sequence.
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode) != 0)
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

std::filesystem::path ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::filesystem::path UserDataFolder(const std::string& organisation,
                                     const std::string& application)
{
    const std::filesystem::path home = KnownFolder(FOLDERID_RoamingAppData);
    return home.empty() ? home : PathIn(PathIn(home, organisation), application);
}

std::filesystem::path UserSettingsFile(const std::string& organisation,
                                       const std::string& application)
{
    const std::filesystem::path home = KnownFolder(FOLDERID_RoamingAppData);
    return home.empty() ? home : PathIn(PathIn(home, organisation), application + ".ini");
}

std::optional<std::string> EnvironmentValue(const char* name)
{
    const wchar_t* value = _wgetenv(win::WideFromUtf8(name).c_str());
    return value != nullptr ? std::optional<std::string>(win::Utf8FromWide(value)) : std::nullopt;
}

std::string ProgramFileName(const std::string& name)
{
    return name + ".exe";
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::filesystem::path& program,
                                                  const std::vector<std::string>& arguments,
                                                  std::string& error,
                                                  const std::filesystem::path& output)
{
    std::wstring commandLine = QuotedArgument(program.native());
    for (const std::string& argument : arguments)
        commandLine += L" " + QuotedArgument(win::WideFromUtf8(argument));
    // The child writes to the same standard streams as this program, or to the output file.
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        file = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = "cannot write " + Utf8FromPath(output) + ": " + win::ErrorText(GetLastError());
            return nullptr;
        }
        startup.hStdOutput = file;
        startup.hStdError = file;
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
    const DWORD code = GetLastError();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (started == 0) {
        error = "cannot start " + Utf8FromPath(program) + ": " + win::ErrorText(code);
        return nullptr;
    }
    CloseHandle(process.hThread);
    return std::make_unique<WindowsChildProcess>(process.hProcess);
}

} // namespace sys

} // namespace px
