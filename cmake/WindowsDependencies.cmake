# The libraries of the Windows build, compiled from source into static libraries under the
# names the Linux build finds them by: SQLite and hidapi from Debian's source packages, libmdb
# from Debian's mdbtools tarball (all fetched by scripts/windows.sh), nlohmann-json's headers,
# and GoogleTest from /usr/src/googletest.

set(PX_WINDOWS_SQLITE "" CACHE PATH "Folder with sqlite3.c and sqlite3.h")
set(PX_WINDOWS_HIDAPI "" CACHE PATH "hidapi's source folder (hidapi/hidapi.h, windows/hid.c)")
set(PX_WINDOWS_INCLUDE "" CACHE PATH "Folder holding nlohmann/json.hpp")
set(PX_WINDOWS_MDBTOOLS "" CACHE PATH "mdbtools' source folder (src/libmdb, include), patched")
foreach(needed PX_WINDOWS_SQLITE PX_WINDOWS_HIDAPI PX_WINDOWS_INCLUDE)
    if(NOT ${needed})
        message(FATAL_ERROR "${needed} is not set: build for Windows with scripts/windows.sh")
    endif()
endforeach()

# Third-party C sources are compiled as their authors wrote them, without our warnings.
add_library(px_sqlite3 STATIC ${PX_WINDOWS_SQLITE}/sqlite3.c)
target_include_directories(px_sqlite3 SYSTEM PUBLIC ${PX_WINDOWS_SQLITE})
target_compile_definitions(px_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION
                                              SQLITE_DQS=0)
target_compile_options(px_sqlite3 PRIVATE -w)
add_library(SQLite::SQLite3 ALIAS px_sqlite3)

add_library(px_hidapi STATIC ${PX_WINDOWS_HIDAPI}/windows/hid.c)
target_include_directories(px_hidapi SYSTEM PUBLIC ${PX_WINDOWS_HIDAPI} ${PX_WINDOWS_HIDAPI}/hidapi)
target_compile_options(px_hidapi PRIVATE -w)
# hid.c loads hid.dll itself; cfgmgr32 lists the devices.
target_link_libraries(px_hidapi PUBLIC cfgmgr32)
add_library(PkgConfig::HIDAPI ALIAS px_hidapi)

# libmdb without GLib: mdbtools brings a small replacement (fakeglib.c), which its header
# includes instead of glib.h. No iconv: the reader hands back the fields' own bytes.
if(PX_WINDOWS_MDBTOOLS)
    set(mdb ${PX_WINDOWS_MDBTOOLS})
    set(mdb_include ${CMAKE_BINARY_DIR}/mdbtools/include)
    set(HAVE_ICONV_H 0)
    set(HAVE_XLOCALE_H 0)
    set(GLIB_INCLUDE_HEADER mdbfakeglib.h)
    set(LOCALE_T _locale_t)
    configure_file(${mdb}/include/mdbtools.h.in ${mdb_include}/mdbtools.h @ONLY)
    set(PACKAGE mdbtools)
    file(READ ${mdb}/configure.ac mdb_configure)
    string(REGEX MATCH "AC_INIT\\(\\[mdbtools\\],\\[([0-9.]+)\\]" mdb_init "${mdb_configure}")
    set(VERSION ${CMAKE_MATCH_1})
    configure_file(${mdb}/include/mdbver.h.in ${mdb_include}/mdbver.h @ONLY)
    set(mdb_sources catalog file table data dump backend money sargs index like write stats map props
                    worktable options iconv version rc4 fakeglib)
    list(TRANSFORM mdb_sources PREPEND ${mdb}/src/libmdb/)
    list(TRANSFORM mdb_sources APPEND .c)
    add_library(px_mdb STATIC ${mdb_sources})
    target_include_directories(px_mdb SYSTEM PUBLIC ${mdb_include} ${mdb}/include)
    # What its configure would define: thread-local storage.
    target_compile_definitions(px_mdb PRIVATE TLS=_Thread_local)
    target_compile_options(px_mdb PRIVATE -w)
    add_library(PkgConfig::LIBMDB ALIAS px_mdb)
endif()

add_library(px_nlohmann_json INTERFACE)
target_include_directories(px_nlohmann_json SYSTEM INTERFACE ${PX_WINDOWS_INCLUDE})
add_library(nlohmann_json::nlohmann_json ALIAS px_nlohmann_json)

if(PX_BUILD_TESTS)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(gtest gtest gtest_main gmock gmock_main)
        target_compile_options(${gtest} PRIVATE -w)
        if(NOT TARGET GTest::${gtest})
            add_library(GTest::${gtest} ALIAS ${gtest})
        endif()
    endforeach()
endif()
