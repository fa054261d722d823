#pragma once

// Programs the build makes that a test starts as processes of their own.

#include "common/System.h"
#include "common/Utf8Path.h"

#include <filesystem>

namespace px::test {

// A program named by the build (PX_PROGRAM_... definitions): its full path, or on Windows,
// where every program of the build lands in one folder, its file name beside this test.
inline std::filesystem::path BuiltProgram(const char* built)
{
    const std::filesystem::path path = PathFromUtf8(built);
    return path.is_absolute() ? path : sys::ExecutablePath().parent_path() / path;
}

} // namespace px::test
