#pragma once

// Programs the build makes that a test starts as processes of their own.

#include "common/System.h"
#include "common/Utf8Path.h"

#include <filesystem>

namespace px::test {

// A program named by the build (PX_PROGRAM_... definitions, file names): every program of the
// build lands in one folder, so it is beside this test.
inline std::filesystem::path BuiltProgram(const char* built)
{
    return sys::ExecutablePath().parent_path() / PathFromUtf8(built);
}

} // namespace px::test
