#pragma once

// Files that several processes use at once (the simulated host's folder, the settings file),
// and the replacement of a file in one step. POSIX and Windows versions: SharedFilePosix.cpp,
// SharedFileWindows.cpp. Every reason given is a sentence naming the file in UTF-8.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace px {

// Which version of a file a process last saw. A file replaced through RenameOver is a new
// file, so its identity (inode, or the NTFS file index) changes; its time and size guard
// against an identity that the file system hands out again.
struct FileStamp
{
    std::uint64_t volume = 0;
    std::uint64_t identity = 0;
    std::int64_t size = -1;
    std::int64_t modifiedNs = 0;

    bool operator==(const FileStamp&) const = default;
};

enum class FileLookup
{
    Found,
    Missing,
    Failed,
};

// The stamp of the file as it is now.
FileLookup StampOf(const std::filesystem::path& path, FileStamp& stamp, std::string& error);

// The whole file and the stamp of what was read, refused from its size alone (before anything
// is read) when it is larger than maxBytes. Another process may replace or remove the file
// meanwhile: this reads one version whole, and never stops that process.
FileLookup ReadSharedFile(const std::filesystem::path& path, std::uint64_t maxBytes,
                          std::string& bytes, FileStamp& stamp, std::string& error);

// Creates or truncates the file and writes the bytes; false with the reason (the file may be
// left part-written: write to a temporary name and RenameOver).
bool WriteNewFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// Adds the bytes at the end of the file, creating it when missing.
bool AppendToFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

// Puts `from` in the place of `to` in one step, replacing `to` when it exists: a reader sees
// the old file or the new one, never a mix. False with the reason; `from` is then left.
bool RenameOver(const std::filesystem::path& from, const std::filesystem::path& to,
                std::string& error);

// An exclusive lock between processes, on a lock file that is never removed.
class FileLock
{
public:
    static std::unique_ptr<FileLock> Open(const std::filesystem::path& lockFile,
                                          std::string& error);
    virtual ~FileLock() = default;

    // Held while it lives.
    class Held
    {
    public:
        explicit Held(FileLock& lock) : lock_(&lock) { lock_->Acquire(); }
        ~Held()
        {
            if (lock_ != nullptr)
                lock_->Release();
        }
        Held(Held&& other) noexcept : lock_(std::exchange(other.lock_, nullptr)) {}
        Held(const Held&) = delete;
        Held& operator=(const Held&) = delete;
        Held& operator=(Held&&) = delete;

    private:
        FileLock* lock_;
    };
    Held Hold() { return Held(*this); }

protected:
    FileLock() = default;
    // Waits until the lock is ours.
    virtual void Acquire() = 0;
    virtual void Release() = 0;
};

} // namespace px
