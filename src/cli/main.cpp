#include "app/DataFolder.h"
#include "app/SettingsProfile.h"
#include "cli/CliApp.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <iostream>
#include <memory>
#include <unistd.h>

namespace {

// The offscreen platform asks for a runtime folder that shells without a desktop session lack;
// pxctl uses none, so that note would only clutter every command's messages.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set"))
        return;
    std::cerr << qPrintable(qFormatLogMessage(type, context, message)) << '\n';
}

} // namespace

int main(int argc, char* argv[])
{
    qInstallMessageHandler(QuietMessages);
    // Printing the site sheet lays text out, which takes a GUI application; pxctl never shows
    // a window, so it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setOrganizationName("DADE_System");
    // The window's profile: both programs remember the same settings.
    px::SettingsProfile profile("px-system");
    px::SystemClock clock;
    px::cli::Environment env{std::cout,
                             std::cerr,
                             isatty(STDERR_FILENO) != 0,
                             profile,
                             clock,
                             [] { return px::ResolveDataFolder({}).toStdString(); },
                             [](const std::string& folder) -> std::unique_ptr<px::Profile> {
                                 return std::make_unique<px::SettingsProfile>(
                                     "px-system", QString::fromStdString(folder));
                             }};
    std::vector<std::string> args(argv + 1, argv + argc);
    return px::cli::Run(args, env);
}
