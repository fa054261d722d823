# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the posix thread model, which
# std::thread and std::mutex need), and runs what it builds under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PX_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PX_MINGW_PREFIX}-windres)

# Only the cross tree and the folders the build script fills are searched for libraries and
# headers: a Linux header or library found by accident would compile and fail at run time.
set(CMAKE_FIND_ROOT_PATH /usr/${PX_MINGW_PREFIX} ${PX_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs are started through Wine (CTest and gtest discovery prepend this).
find_program(PX_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(PX_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PX_WINE})
endif()
