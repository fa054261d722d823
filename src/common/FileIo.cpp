#include "common/FileIo.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace px {

std::optional<std::string> ReadFileUpTo(const std::string& path, std::size_t limit,
                                        std::string& error)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return std::nullopt;
    }
    if (size > limit) {
        error = path + " is " + std::to_string(size) + " bytes, more than the " +
                std::to_string(limit) + " this program reads";
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::string> ReadFileTail(const std::string& path, std::size_t limit,
                                        std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return std::string();
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
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
    const std::string partial = path + ".part";
    std::error_code ec;
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << bytes;
        out.close();
        if (!out) {
            std::filesystem::remove(partial, ec);
            error = "cannot write " + path;
            return false;
        }
    }
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        error = "cannot write " + path + ": " + ec.message();
        std::filesystem::remove(partial, ec);
        return false;
    }
    return true;
}

} // namespace px
