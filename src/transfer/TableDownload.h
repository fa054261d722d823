#pragma once

// Downloading the registration tables to the host as records.

#include "hostlink/HostExchange.h"
#include "storage/Database.h"
#include "storage/RegistrationTables.h"

#include <string>
#include <vector>

namespace px {

// A table of a configuration file turned into the host's records.
struct TableRecords
{
    bool read = false;   // false: the database could not be queried
    int rows = 0;        // rows of the file, refused ones included
    RecordBytes records; // the rows that travel unchanged, back to back, in the host's order
    std::vector<RefusedRow> refused;
};

// The records of a table of a file. A row whose values the record would change (an address
// past 21 bits, a caller number past two bytes, a code that is not hexadecimal, a text the host
// cannot show, ...) is refused rather than sent as another value.
TableRecords CollectRecords(Database& db, TableKind kind, const std::string& fileName);

enum class DownloadOutcome
{
    NoDatabase, // nothing sent, nothing said
    Empty,      // the table is empty: said so (where the table says anything), nothing sent
    Sent,
    Failed, // the transfer failed, or a row cannot travel (a message names it); nothing kept
};

struct DownloadReport
{
    DownloadOutcome outcome = DownloadOutcome::NoDatabase;
    Notices notices;
};

// Sends a table of a configuration file under its command. A table with a row that cannot
// travel is refused whole, with a notice naming the row.
DownloadReport DownloadTable(HostExchange& exchange, Database& db, TableKind kind,
                             const std::string& fileName);

} // namespace px
