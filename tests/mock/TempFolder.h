#pragma once

#include "common/Utf8Path.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace px::test {

// A fresh folder under the system's temporary folder, removed with everything in it. Its name
// holds Chinese characters, so every test that keeps files here also checks that file names
// travel as UTF-8 (on Windows a path made from the bytes would be garbled).
class TempFolder
{
public:
    TempFolder()
    {
        std::random_device random;
        path_ =
            std::filesystem::temp_directory_path() /
            PathFromUtf8("px-测试-" + std::to_string(random()) + "-" + std::to_string(random()));
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
    // The folder and a file in it as the program names them: UTF-8 text.
    std::string Text() const { return Utf8FromPath(path_); }
    std::string File(const std::string& name) const
    {
        return Utf8FromPath(path_ / PathFromUtf8(name));
    }
    // The folder as the program keeps a data folder: ending with '/'.
    std::string Folder() const { return Text() + "/"; }

private:
    std::filesystem::path path_;
};

// A whole file's bytes, named in UTF-8; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether a file or folder named in UTF-8 exists.
inline bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(PathFromUtf8(path), ec);
}

// Replaces a file, named in UTF-8, with the bytes.
inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(PathFromUtf8(path), std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace px::test
