#pragma once

// Importing a site library of the classic tool: first a plan (what the window and pxctl show
// as the preview), then, when asked, the plan applied in one transaction. A configuration file
// is imported whole or not at all: one with a row that cannot come in is refused whole, and
// listed with every such row: its table, its place, the column at fault and why.
//
// The global tables (T_CallType, T_KeyName, T_Type) are reported, never imported: ours hold the
// receiver types our records need and the key names and caller types a site may have edited.

#include "classic/ClassicLibrary.h"
#include "storage/Database.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace px {

// What happens to a classic file whose name exists here.
enum class ConflictPolicy
{
    Skip,   // the file is left out
    Rename, // imported under the first "NAME (2)", "NAME (3)", ... free here and in the library
    Refuse, // nothing is imported
};

struct ClassicImportOptions
{
    // The files to import, by name; nothing: every file.
    std::optional<std::vector<std::string>> only;
    ConflictPolicy onConflict = ConflictPolicy::Refuse;
};

enum class PlannedAction
{
    Import,
    Skip,     // not chosen, or its name exists here and the policy skips it
    Refused,  // a row or the file itself cannot come in: imported not at all
    Conflict, // its name exists here and the policy refuses the whole import
};

// Why a file is imported as it is, left out or refused; the window and pxctl word it each
// in their own language.
enum class FileVerdict
{
    Import,
    Renamed,     // its name exists here: it comes in as targetName
    NotChosen,   // not among the files asked for
    NameExists,  // its name exists here: skipped, or a conflict
    ListedTwice, // the classic database lists its name twice
    Unreadable,  // its name or model cannot be read (detail says why)
    BadName,     // our rules refuse its name (detail says why)
    BadModel,    // DeviceType is neither 0 (PX) nor 1 (QX)
    RowsRefused, // rows that cannot come in (refused lists them)
};

enum class RefusalKind
{
    Unreadable, // a value does not decode, or the reader could not read it
    Rule,       // a column rule refuses the value
    Duplicate,  // the row's key appears twice
    Capacity,   // the table holds more rows than the file's model (the table as a whole)
};

// A row that cannot come in.
struct PlannedRefusal
{
    std::string table;       // "T_Device1"
    std::uint64_t place = 0; // in the table as read, from 1; 0 for the table as a whole
    std::string key;         // the row's key; empty when the row could not be read
    std::string column;      // the column at fault, by its stored name; empty when none
    RefusalKind kind = RefusalKind::Rule;
    std::string reason; // as the rule or the reading says it
    std::string value;  // Rule: the value refused, as text
};

struct PlannedFile
{
    std::string name;       // in the classic database
    std::string targetName; // the name it gets here (another one after a rename)
    FileType model = FileType::PX;
    int deviceType = 0; // as stored
    PlannedAction action = PlannedAction::Import;
    FileVerdict verdict = FileVerdict::Import;
    std::string detail;        // Unreadable, BadName: why
    std::string note;          // why it is skipped, refused or renamed, as pxctl says it
    std::array<int, 3> rows{}; // per table, in the order ForEachTable gives them
    std::vector<PlannedRefusal> refused;
};

struct ClassicPlan
{
    std::vector<PlannedFile> files; // the library's files, in its order
    // Ok, or why nothing can be imported (a conflict under the refusing policy, a name asked
    // for that the classic database lacks, no file that can come in, our database unreadable).
    ClassicOutcome outcome;
    int FilesToImport() const;
};

// The plan for a library read from a classic database; reads our database, writes nothing.
ClassicPlan PlanClassicImport(Database& db, const ClassicLibrary& library,
                              const ClassicImportOptions& options);

// Applies a plan of the library whose outcome is Ok: every file to import, in one
// transaction. On any failure nothing is written and the outcome says why.
ClassicOutcome ApplyClassicImport(Database& db, const ClassicLibrary& library,
                                  const ClassicPlan& plan);

// The preview of a plan as lines of text, for pxctl.
std::vector<std::string> DescribeClassicPlan(const ClassicLibrary& library,
                                             const ClassicPlan& plan);

} // namespace px
