#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace px::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder
{
public:
    TempFolder()
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("px-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The folder as the program keeps a data folder: ending with '/'.
    std::string Folder() const { return path_.string() + "/"; }

private:
    std::filesystem::path path_;
};

} // namespace px::test
