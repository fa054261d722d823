// px-uhid-host: the simulated host of a folder as a real USB HID device, so the unchanged
// `px-system --host hid` and `pxctl --host hid` talk to it through the kernel, hidraw, hidapi
// and udev.

#include "sim/uhid/UhidHost.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/signalfd.h>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to)
{
    std::fputs(
        "Usage: px-uhid-host [--model px|qx] [--unplug-after N] DIR\n"
        "Presents the simulated host kept in DIR (the folder of pxctl --host sim:DIR) as a\n"
        "USB HID device through /dev/uhid, until SIGTERM or Ctrl+C.\n"
        "  --model px|qx       the model of a host this run creates (default px)\n"
        "  --unplug-after N    pull the plug when the N-th output report arrives\n"
        "Signals: SIGUSR1 pulls the plug, SIGUSR2 plugs in again (as pxctl sim unplug|plug).\n",
        to);
}

struct Options
{
    std::string dir;
    px::HostModel model = px::HostModel::PX;
    int unplugAfter = 0;
};

// Nothing after a message on a wrong command line; exitCode tells help from error.
std::optional<Options> ParseOptions(int argc, char* argv[], int& exitCode)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            PrintUsage(stdout);
            exitCode = kExitOk;
            return std::nullopt;
        }
        if (arg == "--model" && hasValue) {
            const std::string_view model = argv[++i];
            if (model != "px" && model != "qx") {
                std::fprintf(stderr, "px-uhid-host: --model must be px or qx\n");
                exitCode = kExitUsage;
                return std::nullopt;
            }
            options.model = model == "qx" ? px::HostModel::QX : px::HostModel::PX;
        } else if (arg == "--unplug-after" && hasValue) {
            const std::string value = argv[++i];
            char* end = nullptr;
            errno = 0;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || n < 1 || n > 1'000'000'000) {
                std::fprintf(stderr, "px-uhid-host: --unplug-after takes a count from 1\n");
                exitCode = kExitUsage;
                return std::nullopt;
            }
            options.unplugAfter = static_cast<int>(n);
        } else if (!arg.empty() && arg[0] != '-' && options.dir.empty()) {
            options.dir = arg;
        } else {
            std::fprintf(stderr, "px-uhid-host: unexpected '%s'\n", argv[i]);
            PrintUsage(stderr);
            exitCode = kExitUsage;
            return std::nullopt;
        }
    }
    if (options.dir.empty()) {
        PrintUsage(stderr);
        exitCode = kExitUsage;
        return std::nullopt;
    }
    return options;
}

void Note(const std::string& text)
{
    std::fprintf(stderr, "px-uhid-host: %s\n", text.c_str());
}

} // namespace

int main(int argc, char* argv[])
{
    int exitCode = kExitOk;
    const auto options = ParseOptions(argc, argv, exitCode);
    if (!options)
        return exitCode;

    std::string error;
    auto device = px::UhidDevice::Open(px::UhidDevice::kDefaultPath, error);
    if (!device) {
        Note(error);
        Note("load the module (sudo modprobe uhid) and give your user access to /dev/uhid: "
             "see 70-px-uhid.rules (build/release/packaging/) in the README");
        return kExitFailed;
    }

    auto session = px::SimHostSession::Open(options->dir, options->model, error);
    if (!session) {
        Note("simulated host: " + error);
        return kExitFailed;
    }

    // Signals arrive as events in the same loop, so an unplug never cuts into a report.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2})
        sigaddset(&signals, signal);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    px::UniqueFd signalFd(signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!signalFd.Valid()) {
        Note(std::string("cannot watch signals: ") + std::strerror(errno));
        return kExitFailed;
    }

    px::UhidHost host(*session, *device, Note);
    host.UnplugAfter(options->unplugAfter);
    if (!host.Sync(error)) {
        Note(error);
        return kExitFailed;
    }

    using Clock = std::chrono::steady_clock;
    auto nextTick = Clock::now();
    for (;;) {
        const auto wait =
            std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - Clock::now());
        pollfd fds[2] = {{device->Fd(), POLLIN, 0}, {signalFd.Get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(std::max<std::int64_t>(0, wait.count())));
        if (ready < 0 && errno != EINTR) {
            Note(std::string("poll: ") + std::strerror(errno));
            return kExitFailed;
        }
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            signalfd_siginfo info{};
            while (::read(signalFd.Get(), &info, sizeof info) == sizeof info) {
                bool ok = true;
                if (info.ssi_signo == SIGUSR1)
                    ok = host.Unplug(error);
                else if (info.ssi_signo == SIGUSR2)
                    ok = host.Plug(error);
                else
                    return kExitOk; // the device goes with the UhidDevice
                if (!ok) {
                    Note(error);
                    return kExitFailed;
                }
            }
        }
        if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP))) {
            if (!host.OnReadable(error)) {
                Note(error);
                return kExitFailed;
            }
        }
        if (Clock::now() >= nextTick) {
            if (!host.Tick(error)) {
                Note(error);
                return kExitFailed;
            }
            nextTick = Clock::now() + std::chrono::milliseconds(host.TickIntervalMs());
        }
    }
}
