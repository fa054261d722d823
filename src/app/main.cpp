#include "app/AppOptions.h"
#include "app/QtPorts.h"
#include "common/IniProfile.h"
#include "common/System.h"
#include "gui/main/DeviceWatcher.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SimFolderWatcher.h"
#include "gui/widgets/Translations.h"
#include "session/DataFolder.h"
#include "session/Workspace.h"
#include "sim/SimHostSession.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    // Before the application object: --help and --version need no display. The words come in
    // UTF-8 whatever the system's code page.
    QStringList arguments{"px-system"};
    for (const std::string& word : px::sys::ProgramArguments(argc, argv))
        arguments << QString::fromStdString(word);
    QString error;
    const auto options = px::ParseAppOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    if (!options->exitText.isEmpty()) {
        std::printf("%s\n", qPrintable(options->exitText));
        return 0;
    }

    QApplication app(argc, argv);
    px::InstallQtTranslations(app);
    QApplication::setOrganizationName("DADE_System");
    QApplication::setApplicationName(px::kApplication);

    px::Workspace workspace(options->shared);
    std::string folderError;
    if (!workspace.PrepareFolder(folderError)) {
        if (workspace.DataFolder().empty()) {
            QMessageBox::critical(
                nullptr, "PX_System",
                QString::fromStdString("Cannot create the data folder: " + folderError));
            return 1;
        }
        // The window says what is wrong with the database when it starts.
        std::fprintf(stderr, "database: %s\n", folderError.c_str());
    }

    px::QtPrompter prompter;
    px::SystemClock clock;
    px::QtEventPump pump;
    // A data folder named on the command line keeps the settings too (portable use); pxctl
    // remembers in the same file.
    px::IniProfile profile(px::SettingsFile(options->shared.dataDir, workspace.DataFolder()));

    // Demonstration mode: the simulated host kept in a folder, the same one pxctl uses.
    std::string hostError;
    if (workspace.Backend(hostError) == nullptr) {
        QMessageBox::critical(nullptr, "PX_System",
                              QString::fromStdString("Simulated host: " + hostError));
        return 1;
    }
    px::SimHostSession* sim = workspace.Sim(hostError);

    px::AppServices services{workspace,
                             prompter,
                             clock,
                             pump,
                             profile,
                             {},
                             px::sys::ExecutablePath().parent_path() /
                                 px::sys::ProgramFileName("px-classic-reader")};
    px::MainWindow window(services);
    prompter.SetParent(&window);
    QObject::connect(&window, &QDialog::finished, [&pump] { pump.SetQuitting(); });

    px::DeviceWatcher watcher;
    std::unique_ptr<px::SimFolderWatcher> folderWatcher;
    if (sim != nullptr) {
        folderWatcher = std::make_unique<px::SimFolderWatcher>(
            *sim, px::MainWindow::kDetectionIntervalMs, [](const std::string& simError) {
                std::fprintf(stderr, "simulated host: %s\n", simError.c_str());
            });
        sim->Backend().SetDeviceListener([&window](bool added) {
            if (added)
                window.OnDeviceArrival();
            else
                window.OnDeviceRemoval();
        });
    } else {
        QObject::connect(&watcher, &px::DeviceWatcher::deviceArrived, &window,
                         &px::MainWindow::OnDeviceArrival);
        QObject::connect(&watcher, &px::DeviceWatcher::deviceRemoved, &window,
                         &px::MainWindow::OnDeviceRemoval);
    }

    window.exec();
    std::string simError;
    if (!workspace.FlushSimulatedHost(simError))
        std::fprintf(stderr, "simulated host: %s\n", simError.c_str());
    return 0;
}
