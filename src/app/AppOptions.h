#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace px {

// The options px-system shares with pxctl.
struct AppOptions
{
    QString dataDir;        // empty: the default data folder
    bool simulated = false; // --host sim:DIR
    QString simDir;
    bool qxModel = false; // --model qx
    // --help or --version: what to print before leaving at once (the window is not started).
    QString exitText;
};

// Parses the arguments (the program name first); needs no application object, so --help and
// --version work without a display. On a usage error returns nothing and puts the message into
// error.
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error);

} // namespace px
