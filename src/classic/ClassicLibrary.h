#pragma once

// A site library of the classic tool: the configuration files of its Jet database with their
// registrations, read through the reader process (px-classic-reader) and decoded into our
// rows. Reading changes nothing here; ClassicImport.h plans and applies the import.

#include "classic/ClassicDump.h"
#include "classic/JetHeader.h"
#include "common/Models.h"
#include "storage/RegistrationTables.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace px {

// How an import from the classic database ended, for the window and pxctl alike.
enum class ClassicStatus
{
    Ok,
    NotJet,       // not a Jet database, or a version this program does not read
    Damaged,      // cut short or damaged: the reader stopped, or fewer rows than the tables say
    Password,     // protected with a database password other than the classic tool's
    NoTables,     // a Jet database without the classic tool's tables
    BadColumn,    // a column is missing or of a type this import does not read
    Empty,        // no configuration file in it
    Huge,         // more rows than the files it lists can hold
    Conflict,     // a name exists here and the policy refuses the import
    NotAvailable, // no reader on this system
    Failed,       // our database refused; nothing was written
};

struct ClassicOutcome
{
    ClassicStatus status = ClassicStatus::Ok;
    std::string message;
    bool Ok() const { return status == ClassicStatus::Ok; }
};

// The rows of one table of a classic configuration file, decoded; a row whose values cannot be
// decoded (a text not in the code page, a number that is not whole) is kept as refused.
template <typename Row> struct ClassicRows
{
    std::vector<Row> rows;
    std::vector<RefusedRow> unreadable;
    int Count() const { return static_cast<int>(rows.size() + unreadable.size()); }
};

struct ClassicFile
{
    std::string name;
    int deviceType = 0; // as stored: 0 PX, 1 QX, anything else is refused
    std::tuple<ClassicRows<InfoMachineRow>, ClassicRows<HandheldRow>, ClassicRows<CallerRow>>
        tables;

    template <typename Row> ClassicRows<Row>& Rows() { return std::get<ClassicRows<Row>>(tables); }
    template <typename Row> const ClassicRows<Row>& Rows() const
    {
        return std::get<ClassicRows<Row>>(tables);
    }
};

// A global table of the classic database: its row count.
struct ClassicGlobalTable
{
    std::string name;
    bool present = false;
    std::uint64_t rows = 0;
};

struct ClassicLibrary
{
    JetVersion version = JetVersion::Jet4;
    std::uint16_t codePage = 0; // the code page Jet 3 text was decoded with
    std::vector<ClassicFile> files;
    std::vector<ClassicGlobalTable> globals;
    std::uint64_t orphanRows = 0; // registration rows whose FileName names no file
};

struct ClassicReadOptions
{
    std::filesystem::path readerProgram; // px-classic-reader
    // Jet 3 text: the code page to decode with instead of the one the header names.
    std::optional<std::uint16_t> codePage;
};

// The most configuration files read from one classic database; each registration table is
// then read only when it holds no more rows than that many PX files can.
inline constexpr std::uint64_t kMaxClassicFiles = 100;

// Reads the classic database at path (UTF-8). Nothing is changed anywhere.
ClassicOutcome ReadClassicLibrary(const std::string& path, const ClassicReadOptions& options,
                                  ClassicLibrary& library);

// --- decoding, exposed for the tests and the fuzz target ------------------------------------

// The classic library in a reader's dump (the tables ReadClassicLibrary asks for).
ClassicOutcome LibraryFromDump(const ClassicDump& files, const ClassicDump& registrations,
                               const JetHeader& header, const ClassicReadOptions& options,
                               ClassicLibrary& library);

// A Jet text or memo field as UTF-8; nothing, with the reason, when it does not decode.
std::optional<std::string> DecodeJetText(const std::vector<std::uint8_t>& bytes, JetType type,
                                         JetVersion version, std::uint16_t codePage,
                                         std::string& why);
// A Jet number field as a whole number; nothing, with the reason, when it is not one.
std::optional<std::int64_t> DecodeJetInteger(const std::vector<std::uint8_t>& bytes, JetType type,
                                             std::string& why);

} // namespace px
