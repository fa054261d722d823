#pragma once

// What the reader process (px-classic-reader) hands back of a Jet database: per table asked
// for, its columns with their Jet types, its row count and each row's raw field bytes. A
// line-based text where every name and value travels as hexadecimal, so nothing needs escaping:
//
//   px-classic-dump 1
//   table <name> <row count>          or   missing <name>
//   column <name> <jet type>          one per column
//   row <field> <field> ...           "-" for NULL, "x" and the bytes' hexadecimal otherwise
//   over                              instead of rows: the table holds more than its limit
//   end <rows fetched>
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
inline constexpr std::size_t kMaxJetColumns = 255;

using JetField = std::optional<std::vector<std::uint8_t>>; // nothing for NULL

struct DumpedColumn
{
    std::string name;
    int type = 0;
};

struct DumpedTable
{
    std::string name;
    bool present = false;
    std::uint64_t rowCount = 0; // as the table's definition says
    bool overLimit = false;     // rowCount beyond the limit asked for: no rows were read
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
std::string DumpEndLine(std::uint64_t fetched);
std::string DumpFailedLine(const std::string& message);
std::string DumpDoneLine();

// The reading side. limits: the tables asked for, in order, with the most rows each may hold.
// Nothing, with the reason, for anything but a complete, well-formed dump within the limits.
// A table whose rows fall short of its row count is reported as it came (the caller judges).
std::optional<ClassicDump>
ParseClassicDump(const std::string& text,
                 const std::vector<std::pair<std::string, std::uint64_t>>& limits,
                 std::string& error);

} // namespace px
