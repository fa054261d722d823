#pragma once

#include "session/SharedOptions.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace px {

// The options px-system shares with pxctl.
struct AppOptions
{
    SharedOptions shared; // --data-dir, --host, --model: as pxctl takes them
    // --help or --version: what to print before leaving at once (the window is not started).
    QString exitText;
};

// Parses the arguments (the program name first); needs no application object, so --help and
// --version work without a display. On a usage error returns nothing and puts the message into
// error.
std::optional<AppOptions> ParseAppOptions(const QStringList& arguments, QString& error);

} // namespace px
