#include "common/SharedFile.h"
#include "common/UniqueFd.h"
#include "common/Utf8Path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace px {

namespace {

namespace fs = std::filesystem;

std::string Failure(const char* what, const fs::path& path)
{
    return std::string("cannot ") + what + " " + Utf8FromPath(path) + ": " + std::strerror(errno);
}

FileStamp StampFrom(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool WriteFile(const fs::path& path, std::string_view bytes, int flags, const char* what,
               std::string& error)
{
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, 0644));
    if (!fd.Valid() || !WriteAll(fd.Get(), bytes) || !fd.Close()) {
        error = Failure(what, path);
        return false;
    }
    return true;
}

class PosixFileLock final : public FileLock
{
public:
    explicit PosixFileLock(UniqueFd fd) : fd_(std::move(fd)) {}

private:
    void Acquire() override
    {
        while (::flock(fd_.Get(), LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    void Release() override { ::flock(fd_.Get(), LOCK_UN); }

    UniqueFd fd_;
};

} // namespace

FileLookup StampOf(const fs::path& path, FileStamp& stamp, std::string& error)
{
    struct stat info
    {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return FileLookup::Missing;
        error = Failure("read", path);
        return FileLookup::Failed;
    }
    stamp = StampFrom(info);
    return FileLookup::Found;
}

FileLookup ReadSharedFile(const fs::path& path, std::uint64_t maxBytes, std::string& bytes,
                          FileStamp& stamp, std::string& error)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info
    {};
    if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0) {
        if (errno == ENOENT)
            return FileLookup::Missing;
        error = Failure("read", path);
        return FileLookup::Failed;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        error = Utf8FromPath(path) + " is " + std::to_string(info.st_size) +
                " bytes, more than the " + std::to_string(maxBytes) + " this program reads";
        return FileLookup::Failed;
    }
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = Failure("read", path);
            return FileLookup::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    stamp = StampFrom(info);
    return FileLookup::Found;
}

bool WriteNewFile(const fs::path& path, std::string_view bytes, std::string& error)
{
    return WriteFile(path, bytes, O_TRUNC, "write", error);
}

bool AppendToFile(const fs::path& path, std::string_view bytes, std::string& error)
{
    return WriteFile(path, bytes, O_APPEND, "append to", error);
}

bool RenameOver(const fs::path& from, const fs::path& to, std::string& error)
{
    if (::rename(from.c_str(), to.c_str()) != 0) {
        error = Failure("replace", to);
        return false;
    }
    return true;
}

std::unique_ptr<FileLock> FileLock::Open(const fs::path& lockFile, std::string& error)
{
    UniqueFd fd(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.Valid()) {
        error = Failure("open", lockFile);
        return nullptr;
    }
    return std::make_unique<PosixFileLock>(std::move(fd));
}

} // namespace px
