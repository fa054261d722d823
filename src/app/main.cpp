#include "app/AppOptions.h"
#include "app/CPX_SystemDlg.h"
#include "app/DataFolder.h"
#include "app/DeviceWatcher.h"
#include "app/QtPorts.h"
#include "hostlink/HidapiBackend.h"
#include "sim/SimHidBackend.h"
#include "storage/Schema.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName("DADE_System");
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());

    QString error;
    const auto options = px::ParseAppOptions(QApplication::arguments(), error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return error.startsWith("Usage") ? 0 : 2;
    }

    const QString dataFolder = px::ResolveDataFolder(options->dataDir);
    if (dataFolder.isEmpty()) {
        QMessageBox::critical(nullptr, "PX_System", "Cannot create the data folder.");
        return 1;
    }
    std::string dbError;
    if (!px::EnsureDatabase(px::DatabasePath(dataFolder).toStdString(), dbError))
        std::fprintf(stderr, "database: %s\n", dbError.c_str());

    px::QtPrompter prompter;
    px::SystemClock clock;
    px::QtEventPump pump;
    px::SettingsProfile profile(QApplication::applicationName());

    std::unique_ptr<px::HidBackend> backend;
    px::SimHidBackend* sim = nullptr;
    if (options->simulated) {
        QDir().mkpath(options->simDir);
        auto simBackend = std::make_unique<px::SimHidBackend>();
        simBackend->AddDevice(px::kHostVendorId,
                              options->qxModel ? px::kQxProductId : px::kPxProductId);
        sim = simBackend.get();
        backend = std::move(simBackend);
    } else {
        backend = std::make_unique<px::HidapiBackend>();
    }

    px::AppServices services{dataFolder, prompter, clock, pump, *backend, profile,
                             options->simulated};
    px::CPX_SystemDlg window(services);
    prompter.SetParent(&window);
    QObject::connect(&window, &QDialog::finished, [&pump] { pump.SetQuitting(); });

    px::DeviceWatcher watcher;
    if (sim != nullptr) {
        sim->SetDeviceListener([&window](bool added) {
            if (added)
                window.OnDeviceArrival();
            else
                window.OnDeviceRemoval();
        });
    } else {
        QObject::connect(&watcher, &px::DeviceWatcher::deviceArrived, &window,
                         &px::CPX_SystemDlg::OnDeviceArrival);
        QObject::connect(&watcher, &px::DeviceWatcher::deviceRemoved, &window,
                         &px::CPX_SystemDlg::OnDeviceRemoval);
    }

    window.exec();
    return 0;
}
