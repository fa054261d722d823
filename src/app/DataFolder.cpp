#include "app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace px {

namespace {

QString WithSlash(const QString& folder)
{
    QString path = QDir(folder).absolutePath();
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

bool IsWritableFolder(const QString& folder)
{
    QTemporaryFile probe(QDir(folder).filePath("write-test-XXXXXX"));
    return probe.open();
}

} // namespace

QString ResolveDataFolder(const QString& explicitFolder)
{
    QString folder = explicitFolder;
    if (folder.isEmpty()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        folder = IsWritableFolder(programFolder)
                     ? programFolder
                     : QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }
    if (!QDir().mkpath(folder))
        return {};
    return WithSlash(folder);
}

QString DatabasePath(const QString& dataFolder)
{
    return dataFolder + "Database/DADE.db";
}

} // namespace px
