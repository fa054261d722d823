#pragma once

// Writes small Microsoft Jet database files (.mdb of Access 97 = Jet 3 and Access 2000 = Jet 4)
// from rows chosen by a test, so the importer of such files can be tested without shipping any
// real database. The files hold what a reader needs to list the tables and read every row: the
// header page, the MSysObjects catalogue, one definition page per table, usage maps and data
// pages. They hold no indexes, no properties and no long-value pages, so a memo must fit in its
// row.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace px::test {

enum class JetVersion
{
    Jet3, // Access 97: 2 KiB pages, text in the code page of the header
    Jet4, // Access 2000 and later: 4 KiB pages, text in UTF-16LE
};

enum class JetType
{
    Byte,     // 0..255
    Integer,  // 16-bit signed
    Long,     // 32-bit signed
    Double,   // IEEE double
    DateTime, // days since 1899-12-30 as a double; see JetDateTime
    Bool,     // stored in the row's null bitmap, so never NULL
    Text,     // at most textLength characters, 1..255
    Memo,     // long text, kept inside its row
};

struct JetColumn
{
    std::string name; // UTF-8, 1..64 characters
    JetType type = JetType::Long;
    int textLength = 50; // Text only: the field size in characters
};

// Byte, Integer and Long take std::int64_t; Double and DateTime take double or std::int64_t;
// Bool takes bool; Text and Memo take UTF-8 text. std::monostate is NULL.
using JetValue = std::variant<std::monostate, std::int64_t, double, bool, std::string>;

struct JetTable
{
    std::string name; // UTF-8, 1..64 characters
    std::vector<JetColumn> columns;
    std::vector<std::vector<JetValue>> rows; // one value per column
};

struct JetDatabase
{
    JetVersion version = JetVersion::Jet4;
    std::vector<JetTable> tables;
    // Windows code page written in the header. A Jet 3 reader decodes every text with it.
    std::uint16_t codePage = 936;
    // Jet 3 only: turns UTF-8 into bytes of codePage, or nothing when a character has no
    // encoding. Without it a Jet 3 database can hold ASCII text only.
    std::function<std::optional<std::string>(std::string_view utf8)> encodeJet3Text;
    // Jet 4 only: store text in the one-byte "compressed unicode" form wherever that is shorter,
    // as Access does for columns with Unicode Compression on.
    bool compressJet4Text = true;
    // The database password (ASCII), empty for none. Jet keeps it in the header's masked
    // region; Jet 4 masks it once more with the creation date, which is then written too.
    std::string password;
};

// The whole file, or nothing with the reason in *error when the database cannot be written:
// a value of the wrong kind or out of range, a text too long for its column, a name that is
// empty, too long or used twice, text the Jet 3 encoder refuses, or a row too big for a page.
std::optional<std::string> JetDatabaseBytes(const JetDatabase& database,
                                            std::string* error = nullptr);

// JetDatabaseBytes written to a file.
bool WriteJetDatabase(const JetDatabase& database, const std::filesystem::path& path,
                      std::string* error = nullptr);

// The DateTime value of a civil date and time, or NaN when the date does not exist.
double JetDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

} // namespace px::test
