// px-window-probe: the main window (offscreen) on the real HID path with the program's own
// hotplug watch, printing every title it takes and every message it would show, for the VM test.
//   px-window-probe DATA-DIR [--connects N] [--timeout-ms T]
// Prints "watching" or "not watching", then "title: ..." per change, "udev: added|removed" per
// hotplug event of a hidraw device and "message: ..." per message box (answered at once, so a
// message can never hold the window). Exits 0 once the title has said "connected" N times, 1 when T
// milliseconds pass first.

#include "app/QtPorts.h"
#include "common/Clock.h"
#include "common/Profile.h"
#include "gui/main/DeviceWatcher.h"
#include "gui/main/MainWindow.h"
#include "hostlink/HidapiBackend.h"
#include "session/DataFolder.h"
#include "storage/Schema.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace {

// Seconds since boot, as the VM test's own steps print them.
double Uptime()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

class PrintingPrompter final : public px::Prompter
{
public:
    void Message(std::string_view text, std::string_view, px::MessageIcon) override
    {
        std::printf("message: %.*s\n", static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
    }
    bool AskOkCancel(std::string_view text, std::string_view caption) override
    {
        Message(text, caption, px::MessageIcon::Question);
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    int connects = 1;
    int timeoutMs = 20000;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--connects")
            connects = std::atoi(argv[i + 1]);
        else if (option == "--timeout-ms")
            timeoutMs = std::atoi(argv[i + 1]);
    }
    const QString dataFolder = QString::fromLocal8Bit(argv[1]) + "/";
    std::string error;
    if (!px::EnsureDatabase(px::DatabasePath(dataFolder.toStdString()), error)) {
        std::fprintf(stderr, "database: %s\n", error.c_str());
        return 2;
    }

    PrintingPrompter prompter;
    px::SystemClock clock;
    px::QtEventPump pump;
    px::MemoryProfile profile;
    px::HidapiBackend hid;
    px::Workspace workspace(dataFolder.toStdString(), hid, false);
    px::MainWindow window(px::AppServices{workspace, prompter, clock, pump, profile});

    // As the program's main() wires them.
    px::DeviceWatcher watcher;
    QObject::connect(&watcher, &px::DeviceWatcher::deviceArrived, &window,
                     &px::MainWindow::OnDeviceArrival);
    QObject::connect(&watcher, &px::DeviceWatcher::deviceRemoved, &window,
                     &px::MainWindow::OnDeviceRemoval);
    QObject::connect(&watcher, &px::DeviceWatcher::deviceArrived, [] {
        std::printf("udev: added (%.2f)\n", Uptime());
        std::fflush(stdout);
    });
    QObject::connect(&watcher, &px::DeviceWatcher::deviceRemoved, [] {
        std::printf("udev: removed (%.2f)\n", Uptime());
        std::fflush(stdout);
    });
    std::printf("%s\n", watcher.IsWatching() ? "watching" : "not watching");
    std::fflush(stdout);

    const QString connected = QString::fromUtf8(px::MainWindow::kTitleConnected);
    int seen = 0;
    QObject::connect(&window, &QWidget::windowTitleChanged, [&](const QString& title) {
        std::printf("title: %s (%.2f)\n", qPrintable(title), Uptime());
        std::fflush(stdout);
        if (title == connected && ++seen >= connects)
            app.exit(0);
    });
    QTimer::singleShot(timeoutMs, [&app] { app.exit(1); });
    window.show();
    return app.exec();
}
