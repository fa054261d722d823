#pragma once

// What the window and pxctl work in: the data folder with its one database, the configuration
// file being edited with its model, and the host chosen on the command line. Both build it from
// the same shared options.

#include "common/Models.h"
#include "session/SharedOptions.h"
#include "storage/Database.h"

#include <memory>
#include <string>

namespace px {

class HidBackend;
class SimHostSession;

class Workspace
{
public:
    // From the command line: the data folder is found and the host made when first needed.
    explicit Workspace(SharedOptions options);
    // Over a data folder already made (ending with '/') and a host of the caller's: a test's, or
    // a simulated host's session kept by the caller (then simulated is true).
    Workspace(std::string dataFolder, HidBackend& backend, bool simulated,
              SimHostSession* sim = nullptr);
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const SharedOptions& Options() const { return options_; }

    // Finds or makes the data folder, then its database (until both are made); false with the
    // reason. The folder may be found while its database cannot be made.
    bool PrepareFolder(std::string& error);
    // The data folder ending with '/'; empty until PrepareFolder found it.
    const std::string& DataFolder() const { return dataFolder_; }

    // Opens the database for the workspace (once; later calls only report whether it is
    // open). False when it cannot be opened at all.
    bool Open();
    // Whether the open database is one of ours and readable; the reason when it is not.
    bool Check(std::string& problem);
    Database& Db() { return database_; }

    const std::string& FileName() const { return fileName_; }
    FileType Type() const { return type_; }
    bool HasFile() const { return !fileName_.empty(); }
    // Makes a configuration file the one being edited, and records its name in zpreg.ini for
    // other programs (nothing here reads it back).
    void MakeCurrent(const std::string& name, FileType type);

    bool IsSimulated() const { return simulated_; }
    // The host's backend, made the first time; nothing with the reason when a simulated host's
    // folder cannot be read.
    HidBackend* Backend(std::string& error);
    // The simulated host's folder session; none with the host on USB.
    SimHostSession* Sim(std::string& error);
    // Saves what a simulated host still holds back; false with the reason when its folder could
    // not be read or written. Nothing to do with the host on USB.
    bool FlushSimulatedHost(std::string& error);

private:
    SharedOptions options_;
    std::string dataFolder_;
    bool databaseMade_ = false;
    Database database_;
    std::string fileName_;
    FileType type_ = FileType::None;
    bool simulated_ = false;
    std::unique_ptr<SimHostSession> ownSim_;
    std::unique_ptr<HidBackend> ownHid_;
    SimHostSession* sim_ = nullptr;
    HidBackend* backend_ = nullptr;
};

} // namespace px
