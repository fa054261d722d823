#pragma once

// The commands of the 文件 menu: configuration files (new, open, delete, save as), moving a
// whole file as JSON, checking what the host holds, caller lists from and to spreadsheets, and
// the printable site sheet.

#include "gui/main/WindowContext.h"
#include "storage/ConfigFiles.h"

#include <QObject>
#include <string>

namespace px {

class FileCommands : public QObject
{
    Q_OBJECT
public:
    FileCommands(WindowContext& context, QObject* parent);

    void NewFile();
    void OpenFile();
    void DeleteFiles();
    void SaveFileAs();
    void ExportJson();
    void ImportJson();
    void VerifyWithHost();
    void ImportCallerSheet();
    void ExportCallerSheet();
    void PrintSiteSheet();
    // Reads a classic tool's database, shows what importing it would do, and imports it after
    // OK: each configuration file whole or not at all, a name that exists here left out.
    void ImportClassicDatabase();

signals:
    // A file was created or opened: the window makes it the one being edited.
    void fileChosen(const std::string& name, FileType type);
    // The callers of the current file changed: its views are out of date.
    void callersChanged();

private:
    // Says what a file action had to say; true when it was done.
    bool Tell(const FileOutcome& outcome);

    WindowContext& context_;
    bool readingClassic_ = false; // a classic database is being read: the menu waits
};

} // namespace px
