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
