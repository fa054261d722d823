#pragma once

#include <QString>

namespace px {

// The folder that holds the database, the record files and zpreg.ini, ending with '/'.
// An explicit folder wins; otherwise the executable's folder when it is writable, else the
// per-user data folder. The folder is created when missing; empty when that fails.
QString ResolveDataFolder(const QString& explicitFolder);

// The database file inside a data folder.
QString DatabasePath(const QString& dataFolder);

} // namespace px
