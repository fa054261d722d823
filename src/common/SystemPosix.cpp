#include "common/System.h"
#include "common/Utf8Path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

extern char** environ; // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace px {

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::string(utf8));
}

std::string Utf8FromPath(const std::filesystem::path& path)
{
    return path.native();
}

namespace sys {

namespace {

// A folder named by an environment variable, as the XDG rules take it: only an absolute
// path counts. Otherwise the home folder's sub-folder.
std::filesystem::path XdgFolder(const char* variable, const char* underHome)
{
    if (const auto value = EnvironmentValue(variable);
        value && !value->empty() && (*value)[0] == '/')
        return PathFromUtf8(*value);
    if (const auto home = EnvironmentValue("HOME"); home && !home->empty())
        return PathFromUtf8(*home) / underHome;
    return {};
}

class PosixChildProcess final : public ChildProcess
{
public:
    explicit PosixChildProcess(pid_t pid) : pid_(pid) {}
    ~PosixChildProcess() override
    {
        std::string ignored;
        if (pid_ > 0)
            Wait(ignored);
    }

    std::optional<int> Wait(std::string& error) override
    {
        if (pid_ <= 0) {
            error = "the program was waited for already";
            return std::nullopt;
        }
        int status = 0;
        pid_t waited = 0;
        while ((waited = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
        }
        pid_ = 0;
        if (waited < 0) {
            error = std::string("cannot wait for the program: ") + std::strerror(errno);
            return std::nullopt;
        }
        if (WIFEXITED(status))
            return WEXITSTATUS(status);
        error = WIFSIGNALED(status)
                    ? "the program was ended by signal " + std::to_string(WTERMSIG(status))
                    : std::string("the program ended abnormally");
        return std::nullopt;
    }

private:
    pid_t pid_;
};

} // namespace

std::tm LocalTimeOf(std::time_t when)
{
    std::tm tm{};
    localtime_r(&when, &tm);
    return tm;
}

void RequestPunctualWakeups()
{
#if defined(__linux__)
    // Linux lets a sleeper wake up to 50 us late by default, to batch wake-ups. The slack
    // belongs to the thread, so each thread that sleeps here asks once.
    thread_local const bool punctual = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)punctual;
#endif
}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

std::vector<std::string> ProgramArguments(int argc, char* argv[])
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

void PrepareConsole() {}

std::filesystem::path ExecutablePath()
{
    std::error_code ec;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : path;
}

std::filesystem::path UserDataFolder(const std::string& organisation,
                                     const std::string& application)
{
    const std::filesystem::path home = XdgFolder("XDG_DATA_HOME", ".local/share");
    return home.empty() ? home : PathIn(PathIn(home, organisation), application);
}

std::filesystem::path UserSettingsFile(const std::string& organisation,
                                       const std::string& application)
{
    const std::filesystem::path home = XdgFolder("XDG_CONFIG_HOME", ".config");
    return home.empty() ? home : PathIn(PathIn(home, organisation), application + ".conf");
}

std::optional<std::string> EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name); // NOLINT(concurrency-mt-unsafe): read before threads
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

std::string ProgramFileName(const std::string& name)
{
    return name;
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::filesystem::path& program,
                                                  const std::vector<std::string>& arguments,
                                                  std::string& error,
                                                  const std::filesystem::path& output)
{
    std::vector<std::string> words;
    words.push_back(program.native());
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        error = "cannot start " + Utf8FromPath(program) + ": " + std::strerror(rc);
        return nullptr;
    }
    return std::make_unique<PosixChildProcess>(pid);
}

} // namespace sys

} // namespace px
