#include "common/UniqueFd.h"
#include "sim/SimHost.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

std::string SystemError(const std::string& what, const fs::path& path)
{
    return "cannot " + what + " " + path.string() + ": " + std::strerror(errno);
}

bool WriteAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Which version of state.json a process last read or wrote. Every write makes a new file
// (a temporary one renamed over the old), so its inode changes; the time and size guard
// against an inode number that the file system hands out again.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    std::int64_t modifiedNs = 0;

    static FileStamp Of(const struct stat& info)
    {
        return {info.st_dev, info.st_ino, info.st_size,
                static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 +
                    info.st_mtim.tv_nsec};
    }
    bool operator==(const FileStamp&) const = default;
};

} // namespace

// The folder on disk: its lock, the state file and the capture log.
class SimHostSession::Folder
{
public:
    static std::unique_ptr<Folder> Open(const std::string& dir, std::string& error)
    {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec || !fs::is_directory(dir, ec)) {
            error = "cannot make the folder " + dir + (ec ? ": " + ec.message() : std::string());
            return nullptr;
        }
        const fs::path lockPath = fs::path(dir) / kLockFile;
        UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (!lock.Valid()) {
            error = SystemError("open", lockPath);
            return nullptr;
        }
        return std::unique_ptr<Folder>(new Folder(fs::path(dir), std::move(lock)));
    }

    // Held while one process reads, changes and writes the state.
    class Lock
    {
    public:
        explicit Lock(int fd) : fd_(fd)
        {
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
        }
        ~Lock() { ::flock(fd_, LOCK_UN); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        int fd_;
    };
    Lock Hold() { return Lock(lock_.Get()); }

    enum class ReadResult
    {
        Unchanged,
        Loaded,
        Missing,
        Failed,
    };

    // One stat when nothing changed; the whole file only when another process wrote it.
    ReadResult ReadIfChanged(SimHostState& state, std::string& error)
    {
        const fs::path path = dir_ / kStateFile;
        struct stat info
        {};
        if (::stat(path.c_str(), &info) != 0) {
            if (errno == ENOENT)
                return ReadResult::Missing;
            error = SystemError("read", path);
            return ReadResult::Failed;
        }
        if (seen_ && FileStamp::Of(info) == *seen_)
            return ReadResult::Unchanged;

        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) {
            if (errno == ENOENT)
                return ReadResult::Missing;
            error = SystemError("read", path);
            return ReadResult::Failed;
        }
        std::string text;
        // Refused from its size alone, before anything is read into memory.
        if (static_cast<std::uint64_t>(info.st_size) > kMaxStateBytes) {
            error = path.string() + " is " + std::to_string(info.st_size) +
                    " bytes, more than the " + std::to_string(kMaxStateBytes) +
                    " this program reads";
            return ReadResult::Failed;
        }
        text.resize(static_cast<std::size_t>(info.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd.Get(), text.data() + got, text.size() - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = SystemError("read", path);
                return ReadResult::Failed;
            }
            if (n == 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
        std::string why;
        if (!ParseSimHostState(text, state, why)) {
            error = path.string() + ": " + why;
            return ReadResult::Failed;
        }
        seen_ = FileStamp::Of(info);
        return ReadResult::Loaded;
    }

    bool WriteState(const std::string& text, std::string& error)
    {
        const fs::path temp = dir_ / kStateTempFile;
        const fs::path path = dir_ / kStateFile;
        UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd.Valid()) {
            error = SystemError("write", temp);
            return false;
        }
        if (!WriteAll(fd.Get(), text) || !fd.Close()) {
            error = SystemError("write", temp);
            ::unlink(temp.c_str());
            return false;
        }
        // Renaming over the old file means a reader sees either the old state or the new one.
        if (::rename(temp.c_str(), path.c_str()) != 0) {
            error = SystemError("replace", path);
            ::unlink(temp.c_str());
            return false;
        }
        struct stat info
        {};
        if (::stat(path.c_str(), &info) == 0)
            seen_ = FileStamp::Of(info);
        else
            seen_.reset();
        return true;
    }

    bool AppendCapture(const std::vector<std::string>& lines, std::string& error)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + '\n';
        const fs::path path = dir_ / kCaptureFile;
        // Opened for each report: a log removed or rotated meanwhile is made again.
        UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
        if (!fd.Valid() || !WriteAll(fd.Get(), text) || !fd.Close()) {
            error = SystemError("append to", path);
            return false;
        }
        return true;
    }

    static constexpr std::uint64_t kMaxStateBytes = std::uint64_t{64} * 1024 * 1024;

    fs::path CapturePath() const { return dir_ / kCaptureFile; }

private:
    Folder(fs::path dir, UniqueFd lock) : dir_(std::move(dir)), lock_(std::move(lock)) {}

    fs::path dir_;
    UniqueFd lock_;
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
        const Folder::Lock lock = folder->Hold();
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
    const Folder::Lock lock = folder_->Hold();
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
    return folder_->CapturePath().string();
}

bool SimHostSession::IsPlugged() const
{
    return deviceId_ != 0 && backend_.IsPresent(deviceId_);
}

bool SimHostSession::Flush(std::string& error)
{
    if (host_.PendingChanges() != SimHost::kNoChange) {
        const Folder::Lock lock = folder_->Hold();
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
    const Folder::Lock lock = session_.folder_->Hold();
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
    const Folder::Lock lock = session_.folder_->Hold();
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
