#pragma once

// What the reader process (px-classic-reader) hands back of a Jet database: per table asked
// for, its columns with their Jet types, the row count its definition states and each row's
// raw field bytes, a memo's text wherever the file kept it. A line-based text where every name
// and value travels as hexadecimal, so nothing needs escaping:
//
//   px-classic-dump 2
//   table <name> <row count>          or   missing <name>
//   column <name> <jet type>          one per column
//   row <field> <field> ...           "-" for NULL, "x" and the bytes' hexadecimal, or "?" and
//                                     the hexadecimal of why the value cannot be read
//   over                              instead of rows: the stated count is beyond the limit
//   end <rows found>                  every row on the table's data pages; rows beyond the
//                                     limit are counted, not given
//   failed <message>                  the library met damage it could not read past
//   done
//
// The reading side trusts none of it: every count, size and value is checked against the
// limits it asked for.

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace px {

// Jet's column type codes, as the table definitions store them.
enum class JetType : int
{
    Bool = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Money = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0a,
    Ole = 0x0b,
    Memo = 0x0c,
};

// The largest value a field of a row can hold: a row never spans more than one page.
inline constexpr std::size_t kMaxJetFieldBytes = 4096;
// The largest memo read: the 65535 characters Access lets a memo hold, two bytes each. A
// longer one is given as a value that cannot be read.
inline constexpr std::size_t kMaxJetMemoBytes = 2 * 65535;
inline constexpr std::size_t kMaxJetColumns = 255;

// A value the reader found but could not read (a memo whose pages are damaged), and why.
struct UnreadableField
{
    std::string why;
    bool operator==(const UnreadableField&) const = default;
};
inline constexpr std::size_t kMaxUnreadableWhy = 1024;

// NULL, the value's bytes, or why it cannot be read.
using JetField = std::variant<std::monostate, std::vector<std::uint8_t>, UnreadableField>;

// How the reader ends besides 0: it was called wrongly, or it could not write its output
// (whose reason it puts on standard error). Any other end is the library's, on damage.
inline constexpr int kReaderExitUsage = 2;
inline constexpr int kReaderExitOutput = 3;

struct DumpedColumn
{
    std::string name;
    int type = 0;
};

struct DumpedTable
{
    std::string name;
    bool present = false;
    std::uint64_t rowCount = 0;  // as the table's definition says
    std::uint64_t rowsFound = 0; // on its data pages; rows holds those within the limit
    bool overLimit = false;      // rowCount beyond the limit asked for: no rows were read
    std::vector<DumpedColumn> columns;
    std::vector<std::vector<JetField>> rows;
};

struct ClassicDump
{
    std::vector<DumpedTable> tables; // in the order asked for
    std::string failure;             // the reader's own report of damage; empty when none
};

// The writing side (the reader process).
std::string DumpHeaderLine();
std::string DumpTableLine(const std::string& name, std::uint64_t rowCount);
std::string DumpMissingLine(const std::string& name);
std::string DumpColumnLine(const std::string& name, int type);
std::string DumpRowLine(std::span<const JetField> fields);
std::string DumpOverLine();
std::string DumpEndLine(std::uint64_t found);
std::string DumpFailedLine(const std::string& message);
std::string DumpDoneLine();

// The reading side. limits: the tables asked for, in order, with the most rows each may hold.
// Nothing, with the reason, for anything but a complete, well-formed dump within the limits.
// A table whose rows found are not its row count is reported as it came (the caller judges).
std::optional<ClassicDump>
ParseClassicDump(const std::string& text,
                 const std::vector<std::pair<std::string, std::uint64_t>>& limits,
                 std::string& error);

} // namespace px
