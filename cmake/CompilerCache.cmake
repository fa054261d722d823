# Every compile goes through ccache when it is installed (scripts/deps.sh installs it), so that a
# second build of the same sources, in this tree or in a fresh clone in another folder, takes the
# objects from the cache instead of compiling them again.
#
# base_dir makes the paths under the source tree relative before they are hashed, and hash_dir
# off leaves the working folder out of the hash (the builds carry debug information, which would
# otherwise put it in): a clone in /tmp/x and one in /work/main then share every object. The debug
# information of an object taken from the cache names the folder it was first compiled in.
#
# PX_COMPILER_CACHE=OFF compiles without it.
option(PX_COMPILER_CACHE "Compile through ccache when it is installed" ON)
if(NOT PX_COMPILER_CACHE OR DEFINED CMAKE_CXX_COMPILER_LAUNCHER)
    return()
endif()
find_program(PX_CCACHE ccache)
if(NOT PX_CCACHE)
    return()
endif()
# Four builds share the cache (the tests, the sanitizers, Windows, the fuzz targets): room for
# all of them with their debug information.
set(PX_CCACHE_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true
    CCACHE_MAXSIZE=12G ${PX_CCACHE})
set(CMAKE_C_COMPILER_LAUNCHER ${PX_CCACHE_LAUNCHER})
set(CMAKE_CXX_COMPILER_LAUNCHER ${PX_CCACHE_LAUNCHER})
