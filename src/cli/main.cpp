#include "app/DataFolder.h"
#include "app/SettingsProfile.h"
#include "cli/CliApp.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName("DADE_System");
    // The window's profile: both programs remember the same settings.
    px::SettingsProfile profile("px-system");
    px::SystemClock clock;
    px::cli::Environment env{std::cout, std::cerr, isatty(STDERR_FILENO) != 0, profile, clock,
                             [] { return px::ResolveDataFolder({}).toStdString(); }};
    std::vector<std::string> args(argv + 1, argv + argc);
    return px::cli::Run(args, env);
}
