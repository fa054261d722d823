#pragma once

#include "sim/SimHost.h"

#include <functional>
#include <memory>
#include <string>

namespace px {

// A simulated host kept in a folder and shared live between processes: DIR/state.json holds
// its state (model, plugged, version, tables in hexadecimal, queued presses, armed fault, last
// refusal, ...), DIR/capture.log gets every capture line appended as it happens.
//
// The folder is the single truth. Every change is a read-modify-write under an exclusive lock
// on DIR/state.lock; the state is read again (when its file changed) before each report and
// each search for the host; state.json is replaced by writing a temporary file and renaming
// it, so a reader sees the old state or the new one, never half of one.
class SimHostSession
{
public:
    // Loads DIR/state.json, or starts a new host of the given model when there is none.
    // On a malformed state file returns nothing and puts the reason into error.
    static std::unique_ptr<SimHostSession> Open(const std::string& dir, HostModel modelIfNew,
                                                std::string& error);
    ~SimHostSession();
    // The backend and the host's unplug handler point into the session.
    SimHostSession(const SimHostSession&) = delete;
    SimHostSession& operator=(const SimHostSession&) = delete;

    SimHidBackend& Backend() { return backend_; }
    const SimHost& Host() const { return host_; }

    // Reads the folder again when another process changed it, and plugs or unplugs the device
    // to match. False with the reason when the state file cannot be read (the last good state
    // stays).
    bool Refresh(std::string& error);
    // Changes the host's state: the folder is locked, read again, changed and written.
    bool Modify(const std::function<void(SimHostState&)>& change, std::string& error);
    bool Plug(std::string& error);
    bool Unplug(std::string& error);
    bool IsPlugged() const;
    // DIR/capture.log: every report exchanged, one line each.
    std::string CaptureLogPath() const;

    // Saves what is still pending (a refusal met during a download) and reports a failure to
    // save the folder since the last call.
    bool Flush(std::string& error);

    // Called with each capture line as it is appended to capture.log.
    void SetCaptureListener(std::function<void(const std::string&)> listener)
    {
        captureListener_ = std::move(listener);
    }

private:
    class Folder;
    class Peer final : public SimPeer
    {
    public:
        explicit Peer(SimHostSession& session) : session_(session) {}
        bool OnOutputReport(const Report& report) override;
        bool NextInputReport(std::array<std::uint8_t, kReportDataSize>& data) override;
        bool NeedsPacing() const override { return session_.host_.NeedsPacing(); }

    private:
        SimHostSession& session_;
    };

    SimHostSession(std::unique_ptr<Folder> folder, SimHostState state);

    // Writes the state; the caller holds the folder's lock.
    bool Save(std::string& error);
    // After each report: the capture lines go out, and the state is saved when it must be.
    void AfterReport();
    void SyncDevice();
    void NoteError(const std::string& error);

    std::unique_ptr<Folder> folder_;
    SimHidBackend backend_;
    SimHost host_;
    Peer peer_{*this};
    int deviceId_ = 0;
    HostModel deviceModel_ = HostModel::None;
    bool unreadable_ = false; // the last reading of state.json failed
    std::string saveError_;
    std::function<void(const std::string&)> captureListener_;
};

} // namespace px
