#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace px {

// The options px-system shares with pxctl.
struct AppOptions
{
    QString dataDir;       // empty: the default data folder
    bool simulated = false; // --host sim:DIR
    QString simDir;
    bool qxModel = false; // --model qx
};

// Parses the arguments (the program name first). On a usage error returns nothing and puts
// the message into error.
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error);

} // namespace px
