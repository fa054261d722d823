// px-hotplug-probe: what the window's hotplug watch sees, one line per event, for the VM test.
//   px-hotplug-probe [--events N] [--timeout-ms T]
// Prints "watching" once the monitor listens, or "not watching" when no event can come (then
// exits 3); then "added NODE" / "removed NODE" per hidraw event until N events came (exit 0)
// or T milliseconds passed (exit 1).

#include "hostlink/UdevMonitor.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string_view>

int main(int argc, char* argv[])
{
    int events = 2;
    int timeoutMs = 20000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--events")
            events = std::atoi(argv[i + 1]);
        else if (option == "--timeout-ms")
            timeoutMs = std::atoi(argv[i + 1]);
    }

    px::UdevMonitor monitor;
    if (!monitor.IsValid()) {
        std::printf("not watching: %s\n", px::UdevMonitor::DaemonRunning()
                                              ? "libudev could not listen"
                                              : "no udev daemon runs");
        return 3;
    }
    std::printf("watching\n");
    std::fflush(stdout);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int seen = 0;
    while (seen < events) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fd{monitor.Fd(), POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        while (auto event = monitor.Receive()) {
            const char* action = event->action == px::UdevMonitor::Action::Added     ? "added"
                                 : event->action == px::UdevMonitor::Action::Removed ? "removed"
                                                                                     : "other";
            std::printf("%s %s\n", action, event->devnode.c_str());
            std::fflush(stdout);
            ++seen;
        }
    }
    return seen >= events ? 0 : 1;
}
