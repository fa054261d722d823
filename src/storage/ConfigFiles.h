#pragma once

// Configuration files: a row of T_FileName (name and host model) and the registrations that
// carry its name.

#include "common/Models.h"
#include "common/Prompter.h"
#include "storage/Database.h"

#include <optional>
#include <string>
#include <vector>

namespace px {

struct ConfigFile
{
    std::string name;
    FileType deviceType = FileType::PX;
};

// The files in the order the database returns them.
std::vector<ConfigFile> ListConfigFiles(Database& db);
// Nothing when there is no such file or the lookup failed; FileNotFoundMessage tells which.
std::optional<ConfigFile> FindConfigFile(Database& db, const std::string& name);

// Why a configuration file was not found: the database's failure when the lookup could not
// run (damaged, busy, ...), otherwise "配置文件 "NAME" 不存在！".
std::string FileNotFoundMessage(Database& db, const std::string& name);

bool InsertConfigFile(Database& db, const std::string& name, FileType deviceType);
// Removes the file and all its registrations, all or nothing.
bool DeleteConfigFile(Database& db, const std::string& name);
// Copies every registration row of one file, every column, to another; run it inside a
// transaction to make it all or nothing.
bool CopyConfigFileRows(Database& db, const std::string& from, const std::string& to);

// The modes of the file dialog.
enum class FileDialogMode : int
{
    New = 0,
    Open = 1,
    Delete = 2,
    SaveAs = 3,
    Import = 4,
};

struct FileDialogTexts
{
    const char* title;
    const char* button;
};
FileDialogTexts TextsFor(FileDialogMode mode);

// What the dialog does after its first button was pressed.
enum class FileDialogStep
{
    Stay,          // a message was shown; the name stays
    StayClearName, // a message was shown; the name field is emptied
    Deleted,       // delete mode: the file is gone, the dialog stays open
    Accept,        // close with OK
};

// Button 1 of the file dialog in every mode. listed: the names the dialog lists. New creates
// the file's row; save as only checks the name (CompleteSaveAs creates it with its rows).
FileDialogStep ConfirmFileDialog(Database& db, Prompter& prompter, FileDialogMode mode,
                                 const std::string& name, FileType deviceType,
                                 const std::vector<std::string>& listed);

// After the dialog created a new file: a PX file cannot be made while a QX host is connected
// (the row is removed again). True when the file is to become current.
bool CompleteNewFile(Database& db, Prompter& prompter, HostModel hostModel, const std::string& name,
                     FileType deviceType);

enum class OpenStep
{
    Refused,     // PX file while a QX host is connected
    AlreadyOpen, // it is the current file
    MakeCurrent,
};
OpenStep CompleteOpenFile(Prompter& prompter, HostModel hostModel, const std::string& name,
                          FileType deviceType, const std::string& currentName);

// Before the save-as dialog: false (after a message) when no file is being edited.
bool CanSaveAs(Prompter& prompter, const std::string& currentName);
// After the dialog accepted the new name: checks the type, then creates the file and copies
// the rows in one transaction. On any failure the database is as it was.
bool CompleteSaveAs(Database& db, Prompter& prompter, const std::string& newName, FileType newType,
                    const std::string& currentName, FileType currentType);

} // namespace px
