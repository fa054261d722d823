#pragma once

// Writing the rows of a read-back into a configuration file, replacing that file's rows of the
// same table.

#include "common/Models.h"
#include "storage/Database.h"
#include "transfer/RecordDecoding.h"

#include <string>

namespace px {

enum class ImportOutcome
{
    ModelMismatch, // the file's model does not fit the connected host
    NoDatabase,
    EmptyList, // at most the new file entry was written
    // Nothing written: the message is the overwrite question; import again with it answered.
    NeedsConfirmation,
    Imported,
    Failed, // nothing of the table changed; the message says why
};

// What an import did, and what to tell the user (empty: nothing to tell).
struct ImportResult
{
    ImportOutcome outcome = ImportOutcome::Failed;
    std::string message;
};

// Imports a read-back's rows into the file of the given name. A new name is created with the
// chosen model; an existing one keeps its own. Until overwrite is confirmed, nothing is written
// and the outcome is NeedsConfirmation with the question (how many rows are stored, how many
// would replace them). Then the file (when new) and the table's rows are written in one
// transaction: a row the rules refuse or a failing write leaves the database as it was.
ImportResult ImportRows(Database& db, const ReadBackRows& rows, HostModel hostModel,
                        const std::string& fileName, FileType chosenType, bool overwriteConfirmed);

} // namespace px
