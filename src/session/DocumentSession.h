#pragma once

// What a window (or any long-lived user of the core) is editing: the data folder, one open
// database for the whole session, and the configuration file being edited with its model.

#include "common/Models.h"
#include "storage/Database.h"

#include <string>

namespace px {

class DocumentSession
{
public:
    // dataFolder ends with '/'; the database is DataFolder + "Database/DADE.db".
    explicit DocumentSession(std::string dataFolder);

    // Opens the database for the session (once; later calls only report whether it is
    // open). False when it cannot be opened at all.
    bool Open();
    // Whether the open database is one of ours and readable; the reason when it is not.
    bool Check(std::string& problem);

    Database& Db() { return database_; }
    const std::string& DataFolder() const { return dataFolder_; }

    const std::string& FileName() const { return fileName_; }
    FileType Type() const { return type_; }
    bool HasFile() const { return !fileName_.empty(); }

    // Makes a configuration file the one being edited, and records its name in zpreg.ini for
    // other programs (nothing here reads it back).
    void MakeCurrent(const std::string& name, FileType type);

private:
    std::string dataFolder_;
    Database database_;
    std::string fileName_;
    FileType type_ = FileType::None;
};

} // namespace px
