#pragma once

// Importing a site library of the classic tool: first a plan (what the window and pxctl show
// as the preview), then, when asked, the plan applied in one transaction. A configuration file
// is imported whole or not at all: one with a row our rules refuse is refused whole, and
// listed with every such row and its reason.
//
// The global tables (T_CallType, T_KeyName, T_Type) are reported, never imported: ours hold the
// receiver types our records need and the key names and caller types a site may have edited.

#include "classic/ClassicLibrary.h"
#include "storage/Database.h"

#include <array>
#include <string>
#include <vector>

namespace px {

// What happens to a classic file whose name exists here.
enum class ConflictPolicy
{
    Skip,   // the file is left out
    Rename, // imported under the first free "NAME (2)", "NAME (3)", ...
    Refuse, // nothing is imported
};

struct ClassicImportOptions
{
    std::vector<std::string> only; // the files to import; empty: every file
    ConflictPolicy onConflict = ConflictPolicy::Refuse;
};

enum class PlannedAction
{
    Import,
    Skip,     // not chosen, or its name exists here and the policy skips it
    Refused,  // a row or the file itself breaks a rule: imported not at all
    Conflict, // its name exists here and the policy refuses the whole import
};

struct PlannedRefusal
{
    std::string table; // "T_Device1"
    RefusedRow row;
};

struct PlannedFile
{
    std::string name;       // in the classic database
    std::string targetName; // the name it gets here (another one after a rename)
    FileType model = FileType::PX;
    PlannedAction action = PlannedAction::Import;
    std::string note;          // why it is skipped, refused or renamed
    std::array<int, 3> rows{}; // per table, in the order ForEachTable gives them
    std::vector<PlannedRefusal> refused;
};

struct ClassicPlan
{
    ClassicLibrary library;
    std::vector<PlannedFile> files;
    // Ok, or why nothing can be imported (a conflict under the refusing policy, a name asked
    // for that the classic database lacks, our database unreadable).
    ClassicOutcome outcome;
    int FilesToImport() const;
};

// The plan for a library read from a classic database; reads our database, writes nothing.
ClassicPlan PlanClassicImport(Database& db, ClassicLibrary library,
                              const ClassicImportOptions& options);

// Applies a plan whose outcome is Ok: every file to import, in one transaction. On any failure
// nothing is written and the outcome says why.
ClassicOutcome ApplyClassicImport(Database& db, const ClassicPlan& plan);

// The preview of a plan as lines of text, for pxctl and the window.
std::vector<std::string> DescribeClassicPlan(const ClassicPlan& plan);

} // namespace px
