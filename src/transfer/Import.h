#pragma once

// Writing the rows of a read-back into a configuration file, replacing that file's rows of the
// same table.

#include "common/Models.h"
#include "common/Prompter.h"
#include "storage/Database.h"
#include "transfer/RecordDecoding.h"

#include <string>

namespace px {

enum class ImportOutcome
{
    ModelMismatch, // the file's model does not fit the connected host
    NoDatabase,
    EmptyList,    // at most the new file entry was written
    NotConfirmed, // the overwrite question was not answered OK
    Imported,
    Failed, // nothing of the table changed; a message says why
};

// Imports a read-back's rows into the file of the given name. A new name is created with the
// chosen model; an existing one keeps its own. The file (when new) and the table's rows are
// written in one transaction after the question: a row the rules refuse, a failing write, or
// Cancel leaves the database as it was.
ImportOutcome ImportRows(Database& db, Prompter& prompter, const ReadBackRows& rows,
                         HostModel hostModel, const std::string& fileName, FileType chosenType);

} // namespace px
