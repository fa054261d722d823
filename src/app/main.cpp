#include "app/AppOptions.h"
#include "app/QtPorts.h"
#include "common/IniProfile.h"
#include "common/System.h"
#include "gui/main/DeviceWatcher.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SimFolderWatcher.h"
#include "gui/widgets/Translations.h"
#include "hostlink/HidapiBackend.h"
#include "session/DataFolder.h"
#include "sim/SimHost.h"
#include "storage/Schema.h"

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

    std::string folderError;
    const auto dataFolder = px::ResolveDataFolder(options->dataDir.toStdString(), folderError);
    if (!dataFolder) {
        QMessageBox::critical(
            nullptr, "PX_System",
            QString::fromStdString("Cannot create the data folder: " + folderError));
        return 1;
    }
    std::string dbError;
    if (!px::EnsureDatabase(px::DatabasePath(*dataFolder), dbError))
        std::fprintf(stderr, "database: %s\n", dbError.c_str());

    px::QtPrompter prompter;
    px::SystemClock clock;
    px::QtEventPump pump;
    // A data folder named on the command line keeps the settings too (portable use); pxctl
    // remembers in the same file.
    px::IniProfile profile(px::SettingsFile(options->dataDir.toStdString(), *dataFolder));

    // Demonstration mode: the simulated host kept in a folder, the same one pxctl uses.
    std::unique_ptr<px::SimHostSession> session;
    std::unique_ptr<px::HidBackend> hid;
    px::HidBackend* backend = nullptr;
    px::SimHidBackend* sim = nullptr;
    if (options->simulated) {
        std::string simError;
        session = px::SimHostSession::Open(options->simDir.toStdString(),
                                           options->qxModel ? px::HostModel::QX : px::HostModel::PX,
                                           simError);
        if (!session) {
            QMessageBox::critical(nullptr, "PX_System",
                                  QString::fromStdString("Simulated host: " + simError));
            return 1;
        }
        sim = &session->Backend();
        backend = sim;
    } else {
        hid = std::make_unique<px::HidapiBackend>();
        backend = hid.get();
    }
    // The folder is saved as each report changes it; what a download held back is saved
    // after each command, and a failure to read or write the folder is said.
    const auto flushSimulatedHost = [&session] {
        std::string simError;
        if (session && !session->Flush(simError))
            std::fprintf(stderr, "simulated host: %s\n", simError.c_str());
    };

    px::AppServices services{QString::fromStdString(*dataFolder),
                             prompter,
                             clock,
                             pump,
                             *backend,
                             profile,
                             options->simulated,
                             flushSimulatedHost,
                             session.get()};
    px::MainWindow window(services);
    prompter.SetParent(&window);
    QObject::connect(&window, &QDialog::finished, [&pump] { pump.SetQuitting(); });

    px::DeviceWatcher watcher;
    std::unique_ptr<px::SimFolderWatcher> folderWatcher;
    if (sim != nullptr) {
        folderWatcher = std::make_unique<px::SimFolderWatcher>(
            *session, px::MainWindow::kDetectionIntervalMs, [](const std::string& simError) {
                std::fprintf(stderr, "simulated host: %s\n", simError.c_str());
            });
        sim->SetDeviceListener([&window](bool added) {
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
    flushSimulatedHost();
    return 0;
}
