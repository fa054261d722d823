#include "sim/SimHostSession.h"

#include "common/SharedFile.h"
#include "common/Utf8Path.h"

#include <filesystem>
#include <utility>

namespace px {

namespace {

namespace fs = std::filesystem;

constexpr const char* kStateFile = "state.json";
constexpr const char* kStateTempFile = "state.json.tmp";
constexpr const char* kLockFile = "state.lock";
constexpr const char* kCaptureFile = "capture.log";

std::uint16_t ProductIdFor(HostModel model)
{
    return model == HostModel::QX ? kQxProductId : kPxProductId;
}

} // namespace

// The folder on disk: its lock, the state file and the capture log.
class SimHostSession::Folder
{
public:
    static std::unique_ptr<Folder> Open(const std::string& dir, std::string& error)
    {
        const fs::path path = PathFromUtf8(dir);
        std::error_code ec;
        fs::create_directories(path, ec);
        if (ec || !fs::is_directory(path, ec)) {
            error = "cannot make the folder " + dir + (ec ? ": " + ec.message() : std::string());
            return nullptr;
        }
        std::unique_ptr<FileLock> lock = FileLock::Open(path / kLockFile, error);
        if (!lock)
            return nullptr;
        return std::unique_ptr<Folder>(new Folder(path, std::move(lock)));
    }

    // Held while one process reads, changes and writes the state.
    FileLock::Held Hold() { return lock_->Hold(); }

    enum class ReadResult
    {
        Unchanged,
        Loaded,
        Missing,
        Failed,
    };

    // One look at the file's stamp when nothing changed; the whole file only when another
    // process wrote it.
    ReadResult ReadIfChanged(SimHostState& state, std::string& error)
    {
        const fs::path path = dir_ / kStateFile;
        FileStamp stamp;
        switch (StampOf(path, stamp, error)) {
        case FileLookup::Missing:
            return ReadResult::Missing;
        case FileLookup::Failed:
            return ReadResult::Failed;
        case FileLookup::Found:
            break;
        }
        if (seen_ && stamp == *seen_)
            return ReadResult::Unchanged;

        std::string text;
        // Refused from its size alone, before anything is read into memory.
        switch (ReadSharedFile(path, kMaxStateBytes, text, stamp, error)) {
        case FileLookup::Missing:
            return ReadResult::Missing;
        case FileLookup::Failed:
            return ReadResult::Failed;
        case FileLookup::Found:
            break;
        }
        std::string why;
        if (!ParseSimHostState(text, state, why)) {
            error = Utf8FromPath(path) + ": " + why;
            return ReadResult::Failed;
        }
        seen_ = stamp;
        return ReadResult::Loaded;
    }

    bool WriteState(const std::string& text, std::string& error)
    {
        const fs::path temp = dir_ / kStateTempFile;
        const fs::path path = dir_ / kStateFile;
        std::error_code ec;
        // Replacing the old file in one step means a reader sees either the old state or the
        // new one.
        if (!WriteNewFile(temp, text, error) || !RenameOver(temp, path, error)) {
            fs::remove(temp, ec);
            return false;
        }
        FileStamp stamp;
        std::string ignored;
        if (StampOf(path, stamp, ignored) == FileLookup::Found)
            seen_ = stamp;
        else
            seen_.reset();
        return true;
    }

    bool AppendCapture(const std::vector<std::string>& lines, std::string& error)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + '\n';
        // Opened for each report: a log removed or rotated meanwhile is made again.
        return AppendToFile(dir_ / kCaptureFile, text, error);
    }

    static constexpr std::uint64_t kMaxStateBytes = std::uint64_t{64} * 1024 * 1024;

    fs::path CapturePath() const { return dir_ / kCaptureFile; }

private:
    Folder(fs::path dir, std::unique_ptr<FileLock> lock)
        : dir_(std::move(dir)), lock_(std::move(lock))
    {}

    fs::path dir_;
    std::unique_ptr<FileLock> lock_;
    std::optional<FileStamp> seen_;
};

// --- the session ---------------------------------------------------------------------------------

std::unique_ptr<SimHostSession> SimHostSession::Open(const std::string& dir, HostModel modelIfNew,
                                                     std::string& error)
{
    std::unique_ptr<Folder> folder = Folder::Open(dir, error);
    if (!folder)
        return nullptr;
    SimHostState state;
    {
        const FileLock::Held lock = folder->Hold();
        switch (folder->ReadIfChanged(state, error)) {
        case Folder::ReadResult::Failed:
            return nullptr;
        case Folder::ReadResult::Missing:
            // A new host is written at once, so every process that shares the folder sees
            // the same model.
            state.model = modelIfNew == HostModel::QX ? HostModel::QX : HostModel::PX;
            if (!folder->WriteState(FormatSimHostState(state), error))
                return nullptr;
            break;
        case Folder::ReadResult::Loaded:
        case Folder::ReadResult::Unchanged:
            break;
        }
    }
    // The constructor is private, so make_unique cannot reach it.
    return std::unique_ptr<SimHostSession>(new SimHostSession(std::move(folder), std::move(state)));
}

SimHostSession::SimHostSession(std::unique_ptr<Folder> folder, SimHostState state)
    : folder_(std::move(folder)), host_(std::move(state))
{
    host_.SetUnplugHandler([this] { backend_.RemoveDevice(deviceId_); });
    // Every search for the host (each detection tick, each command) sees the folder as it is.
    backend_.SetBeforeEnumerate([this] {
        std::string error;
        if (!Refresh(error))
            NoteError(error);
    });
    SyncDevice();
}

SimHostSession::~SimHostSession()
{
    std::string ignored;
    Flush(ignored);
}

bool SimHostSession::Refresh(std::string& error)
{
    SimHostState fresh;
    switch (folder_->ReadIfChanged(fresh, error)) {
    case Folder::ReadResult::Failed:
        unreadable_ = true;
        return false;
    case Folder::ReadResult::Loaded:
        host_.ReplaceState(std::move(fresh));
        break;
    case Folder::ReadResult::Missing: // removed: this state is written back at the next change
    case Folder::ReadResult::Unchanged:
        break;
    }
    unreadable_ = false;
    SyncDevice();
    return true;
}

bool SimHostSession::Save(std::string& error)
{
    // A state file that cannot be read is left for its owner to mend, not overwritten.
    if (unreadable_) {
        error = "state.json cannot be read, so it is not overwritten";
        return false;
    }
    if (!folder_->WriteState(FormatSimHostState(host_.State()), error))
        return false;
    host_.ChangesSaved();
    return true;
}

bool SimHostSession::Modify(const std::function<void(SimHostState&)>& change, std::string& error)
{
    const FileLock::Held lock = folder_->Hold();
    if (!Refresh(error))
        return false;
    SimHostState next = host_.State();
    change(next);
    host_.ReplaceState(std::move(next));
    const bool saved = Save(error);
    SyncDevice();
    return saved;
}

bool SimHostSession::Plug(std::string& error)
{
    return Modify([](SimHostState& state) { state.plugged = true; }, error);
}

bool SimHostSession::Unplug(std::string& error)
{
    return Modify([](SimHostState& state) { state.plugged = false; }, error);
}

std::string SimHostSession::CaptureLogPath() const
{
    return Utf8FromPath(folder_->CapturePath());
}

bool SimHostSession::IsPlugged() const
{
    return deviceId_ != 0 && backend_.IsPresent(deviceId_);
}

bool SimHostSession::Flush(std::string& error)
{
    if (host_.PendingChanges() != SimHost::kNoChange) {
        const FileLock::Held lock = folder_->Hold();
        std::string why;
        if (!Refresh(why) || !Save(why))
            NoteError(why);
    }
    error = std::exchange(saveError_, std::string());
    return error.empty();
}

void SimHostSession::AfterReport()
{
    std::string error;
    const std::vector<std::string> lines = host_.TakeCapture();
    if (!lines.empty()) {
        if (!folder_->AppendCapture(lines, error))
            NoteError(error);
        if (captureListener_) {
            for (const std::string& line : lines)
                captureListener_(line);
        }
    }
    // A refusal met inside a download waits for its end: the packets that follow it would
    // otherwise rewrite the whole state one by one.
    const unsigned changes = host_.PendingChanges();
    if ((changes & SimHost::kStateChanged) ||
        ((changes & SimHost::kRefused) && !host_.InTransfer())) {
        if (!Save(error))
            NoteError(error);
    }
}

void SimHostSession::SyncDevice()
{
    const SimHostState& state = host_.State();
    if (IsPlugged() && (!state.plugged || deviceModel_ != state.model))
        backend_.RemoveDevice(deviceId_);
    if (state.plugged && !IsPlugged()) {
        deviceModel_ = state.model;
        deviceId_ = backend_.AddDevice(kHostVendorId, ProductIdFor(state.model), &peer_);
    }
}

void SimHostSession::NoteError(const std::string& error)
{
    saveError_ = error;
}

bool SimHostSession::Peer::OnOutputReport(const Report& report)
{
    const FileLock::Held lock = session_.folder_->Hold();
    std::string error;
    if (!session_.Refresh(error))
        session_.NoteError(error); // the host goes on from the last state it could read
    if (!session_.host_.State().plugged)
        return false; // unplugged by another process: the device is gone
    const bool written = session_.host_.OnOutputReport(report);
    session_.AfterReport();
    return written;
}

bool SimHostSession::Peer::NextInputReport(std::array<std::uint8_t, kReportDataSize>& data)
{
    const FileLock::Held lock = session_.folder_->Hold();
    std::string error;
    if (!session_.Refresh(error))
        session_.NoteError(error);
    if (!session_.host_.State().plugged)
        return false;
    const bool sent = session_.host_.NextInputReport(data);
    session_.AfterReport();
    return sent;
}

} // namespace px
