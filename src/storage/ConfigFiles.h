#pragma once

// Configuration files: a row of T_FileName (name and host model) and the registrations that
// carry its name.

#include "common/Models.h"
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

// What a file action did, and what to tell the user (empty: nothing to tell).
struct FileOutcome
{
    enum class Status
    {
        Done,
        Refused,   // nothing changed
        NameTaken, // nothing changed; the name given is no good, not just the moment
    };
    Status status = Status::Done;
    std::string message;
    bool Done() const { return status == Status::Done; }
};

// A name for a new file or a copy: one is given and no listed file has it.
FileOutcome CheckNewFileName(const std::string& name, const std::vector<std::string>& listed);
// Makes a new file of that model. A PX file cannot be made while a QX host is connected.
FileOutcome CreateConfigFile(Database& db, const std::string& name, FileType deviceType,
                             HostModel hostModel);
// The file to open is one of the listed files.
FileOutcome CheckFileToOpen(const std::string& name, const std::vector<std::string>& listed);
// Whether the file may become the current one: not a PX file while a QX host is connected, and
// not the file already open (Refused, with the message).
FileOutcome CheckOpenFile(HostModel hostModel, const std::string& name, FileType deviceType,
                          const std::string& currentName);
// Deletes the file with all its registrations, all or nothing.
FileOutcome DeleteConfigFileNamed(Database& db, const std::string& name);
// An action on the file being edited needs one.
FileOutcome RequireCurrentFile(const std::string& currentName);
// Copies the current file to a new name of the same model: the name and the rows in one
// transaction. On any failure the database is as it was.
FileOutcome CopyConfigFile(Database& db, const std::string& newName, FileType newType,
                           const std::string& currentName, FileType currentType);

} // namespace px
