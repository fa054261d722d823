#include "session/Workspace.h"

#include "common/IniFile.h"
#include "hostlink/HidapiBackend.h"
#include "session/DataFolder.h"
#include "sim/SimHostSession.h"
#include "storage/Schema.h"

namespace px {

Workspace::Workspace(SharedOptions options)
    : options_(std::move(options)), simulated_(options_.host.IsSimulated())
{}

Workspace::Workspace(std::string dataFolder, HidBackend& backend, bool simulated,
                     SimHostSession* sim)
    : dataFolder_(std::move(dataFolder)), simulated_(simulated), sim_(sim), backend_(&backend)
{
    options_.dataDir = dataFolder_;
}

Workspace::~Workspace() = default;

bool Workspace::PrepareFolder(std::string& error)
{
    if (databaseMade_)
        return true;
    if (dataFolder_.empty()) {
        const auto folder = ResolveDataFolder(options_.dataDir, error);
        if (!folder)
            return false;
        dataFolder_ = *folder;
    }
    if (!EnsureDatabase(DatabasePath(dataFolder_), error)) {
        error = "cannot create the database: " + error;
        return false;
    }
    databaseMade_ = true;
    return true;
}

bool Workspace::Open()
{
    return database_.IsOpen() ||
           (!dataFolder_.empty() && database_.Open(DatabasePath(dataFolder_)));
}

bool Workspace::Check(std::string& problem)
{
    return Open() && CheckDatabase(database_, problem);
}

void Workspace::MakeCurrent(const std::string& name, FileType type)
{
    fileName_ = name;
    type_ = type;
    WriteProfileString(dataFolder_ + "zpreg.ini", "File", "Name", name);
}

SimHostSession* Workspace::Sim(std::string& error)
{
    if (sim_ == nullptr && simulated_ && !ownSim_ && backend_ == nullptr) {
        ownSim_ = SimHostSession::Open(options_.host.simFolder, options_.host.simModel, error);
        sim_ = ownSim_.get();
        if (sim_ != nullptr)
            backend_ = &sim_->Backend();
    }
    return sim_;
}

HidBackend* Workspace::Backend(std::string& error)
{
    if (backend_ != nullptr)
        return backend_;
    if (simulated_)
        return Sim(error) != nullptr ? backend_ : nullptr;
    ownHid_ = std::make_unique<HidapiBackend>();
    backend_ = ownHid_.get();
    return backend_;
}

bool Workspace::FlushSimulatedHost(std::string& error)
{
    return sim_ == nullptr || sim_->Flush(error);
}

} // namespace px
