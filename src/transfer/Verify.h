#pragma once

// Comparing what the host holds with a configuration file, after what the record formats
// keep: a row is compared as it would come back from a download and a read-back.

#include "hostlink/HostExchange.h"
#include "storage/Database.h"
#include "transfer/RecordDecoding.h"
#include "transfer/TableDownload.h"

#include <optional>
#include <string>
#include <vector>

namespace px {

struct Difference
{
    enum class Kind
    {
        Missing,         // in the file, not on the host
        Extra,           // on the host, not in the file
        Different,       // both, a field differs
        Unread,          // the host's table could not be read back
        CannotSend,      // a row of the file that no download can send as it is (fileValue: why)
        DuplicateInFile, // the file holds the key more than once
        DuplicateOnHost, // the host holds the key more than once
    };
    std::string table; // "im", "callers", "handhelds"
    std::string key;   // pager number, feature code or handheld number
    Kind kind = Kind::Different;
    std::string field;
    std::string fileValue;
    std::string hostValue;
};

const char* KindName(Difference::Kind kind);

// What a table of a file means to the host: the rows as a download and read-back bring them
// back, decoded as the browser shows them, and the rows that cannot travel unchanged.
struct ExpectedTable
{
    bool read = false; // false: the database could not be queried
    std::vector<BrowserRow> rows;
    std::vector<RefusedRow> refused;
};
ExpectedTable ExpectedRows(Database& db, BrowserMode mode, const std::string& fileName);

// Compares expected and read-back rows of one table: rows missing on either side, fields that
// differ, and keys held more than once on either side.
std::vector<Difference> CompareRows(BrowserMode mode, const std::vector<BrowserRow>& expected,
                                    const std::vector<BrowserRow>& host);

// Reads the three tables back from the host and compares them with the file. Nothing when the
// host cannot be found or the file does not exist (error says which).
std::optional<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, Database& db,
                                                        const std::string& fileName,
                                                        std::string& error);

} // namespace px
