#include "common/SharedFile.h"
#include "common/Utf8Path.h"
#include "common/WindowsText.h"

#include <algorithm>
#include <utility>
#include <windows.h>

namespace px {

namespace {

namespace fs = std::filesystem;

// Every handle here lets other processes read, write, rename and delete the file meanwhile,
// as POSIX always does: a reader must never stop a writer from putting a new version in place.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle
{
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle()
    {
        if (Valid())
            CloseHandle(handle_);
    }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    // Closes now and says whether the close succeeded.
    bool Close()
    {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || CloseHandle(handle) != 0;
    }

private:
    HANDLE handle_;
};

std::string Failure(const char* what, const fs::path& path, DWORD code = GetLastError())
{
    return std::string("cannot ") + what + " " + Utf8FromPath(path) + ": " + win::ErrorText(code);
}

bool IsMissing(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

std::int64_t Combine(DWORD high, DWORD low)
{
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool StampFrom(HANDLE file, FileStamp& stamp)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileInformationByHandle(file, &info) == 0)
        return false;
    // FILETIME counts 100 ns steps.
    stamp = {info.dwVolumeSerialNumber,
             static_cast<std::uint64_t>(Combine(info.nFileIndexHigh, info.nFileIndexLow)),
             Combine(info.nFileSizeHigh, info.nFileSizeLow),
             Combine(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) *
                 100};
    return true;
}

bool WriteAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (WriteFile(file, bytes.data(), chunk, &written, nullptr) == 0 || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteFileWith(const fs::path& path, std::string_view bytes, DWORD access, DWORD disposition,
                   const char* what, std::string& error)
{
    Handle file(CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() || !WriteAll(file.Get(), bytes)) {
        error = Failure(what, path);
        return false;
    }
    if (!file.Close()) {
        error = Failure(what, path);
        return false;
    }
    return true;
}

class WindowsFileLock final : public FileLock
{
public:
    explicit WindowsFileLock(HANDLE file) : file_(file) {}

private:
    void Acquire() override
    {
        OVERLAPPED whole{};
        LockFileEx(file_.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole);
    }
    void Release() override
    {
        OVERLAPPED whole{};
        UnlockFileEx(file_.Get(), 0, MAXDWORD, MAXDWORD, &whole);
    }

    Handle file_;
};

} // namespace

FileLookup StampOf(const fs::path& path, FileStamp& stamp, std::string& error)
{
    // Opened for its attributes only: no access to the contents is asked for.
    Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD code = GetLastError();
        if (IsMissing(code))
            return FileLookup::Missing;
        error = Failure("read", path, code);
        return FileLookup::Failed;
    }
    if (!StampFrom(file.Get(), stamp)) {
        error = Failure("read", path);
        return FileLookup::Failed;
    }
    return FileLookup::Found;
}

FileLookup ReadSharedFile(const fs::path& path, std::uint64_t maxBytes, std::string& bytes,
                          FileStamp& stamp, std::string& error)
{
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        const DWORD code = GetLastError();
        if (IsMissing(code))
            return FileLookup::Missing;
        error = Failure("read", path, code);
        return FileLookup::Failed;
    }
    FileStamp opened;
    if (!StampFrom(file.Get(), opened)) {
        error = Failure("read", path);
        return FileLookup::Failed;
    }
    if (static_cast<std::uint64_t>(opened.size) > maxBytes) {
        error = Utf8FromPath(path) + " is " + std::to_string(opened.size) +
                " bytes, more than the " + std::to_string(maxBytes) + " this program reads";
        return FileLookup::Failed;
    }
    bytes.resize(static_cast<std::size_t>(opened.size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
        DWORD read = 0;
        if (ReadFile(file.Get(), bytes.data() + got, chunk, &read, nullptr) == 0) {
            error = Failure("read", path);
            return FileLookup::Failed;
        }
        if (read == 0)
            break;
        got += read;
    }
    bytes.resize(got);
    stamp = opened;
    return FileLookup::Found;
}

bool WriteNewFile(const fs::path& path, std::string_view bytes, std::string& error)
{
    return WriteFileWith(path, bytes, GENERIC_WRITE, CREATE_ALWAYS, "write", error);
}

bool AppendToFile(const fs::path& path, std::string_view bytes, std::string& error)
{
    // FILE_APPEND_DATA alone: every write goes to the end, as O_APPEND does.
    return WriteFileWith(path, bytes, FILE_APPEND_DATA, OPEN_ALWAYS, "append to", error);
}

bool RenameOver(const fs::path& from, const fs::path& to, std::string& error)
{
    // A program that opened `to` without sharing its deletion (a virus scanner, an editor)
    // makes the move fail for as long as it holds the file: try again for a while.
    constexpr int kAttempts = 50;
    DWORD code = 0;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
            return true;
        code = GetLastError();
        if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION)
            break;
        Sleep(20);
    }
    error = Failure("replace", to, code);
    return false;
}

std::unique_ptr<FileLock> FileLock::Open(const fs::path& lockFile, std::string& error)
{
    const HANDLE file = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = Failure("open", lockFile);
        return nullptr;
    }
    return std::make_unique<WindowsFileLock>(file);
}

} // namespace px
