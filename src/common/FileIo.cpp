#include "common/FileIo.h"

#include "common/SharedFile.h"
#include "common/Utf8Path.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace px {

namespace fs = std::filesystem;

std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                        std::string& error)
{
    std::string bytes;
    FileStamp stamp;
    switch (ReadSharedFile(PathFromUtf8(path), limit, bytes, stamp, error)) {
    case FileLookup::Found:
        return bytes;
    case FileLookup::Missing:
        error = "cannot read " + path + ": no such file";
        return std::nullopt;
    case FileLookup::Failed:
        break;
    }
    return std::nullopt;
}

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t limit,
                                        std::string& error)
{
    const fs::path file = PathFromUtf8(path);
    std::error_code ec;
    if (!fs::exists(file, ec) && !ec)
        return std::string();
    const auto size = fs::file_size(file, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    const std::uintmax_t start = size > limit ? size - limit : 0;
    in.seekg(static_cast<std::streamoff>(start));
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    // A cut line is left out rather than shown in part.
    if (start > 0) {
        const auto newline = bytes.find('\n');
        bytes.erase(0, newline == std::string::npos ? bytes.size() : newline + 1);
    }
    return bytes;
}

bool WriteFileWhole(const std::string& path, const std::string& bytes, std::string& error)
{
    const fs::path file = PathFromUtf8(path);
    const fs::path partial = PathFromUtf8(path + ".part");
    if (!WriteNewFile(partial, bytes, error) || !RenameOver(partial, file, error)) {
        std::error_code ec;
        fs::remove(partial, ec);
        return false;
    }
    return true;
}

} // namespace px
