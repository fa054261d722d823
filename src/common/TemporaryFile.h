#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace px {

// A file name in the system's temporary folder, the file removed with this object.
class TemporaryFile
{
public:
    explicit TemporaryFile(const std::string& suffix)
    {
        std::error_code ec;
        std::random_device random;
        path_ = std::filesystem::temp_directory_path(ec) /
                ("px-" + std::to_string(random()) + std::to_string(random()) + suffix);
    }
    ~TemporaryFile()
    {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace px
