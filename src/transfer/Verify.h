#pragma once

// Comparing what the host holds with a configuration file, after what the record formats
// keep: a row is compared as it would come back from a download and a read-back.

#include "hostlink/HostExchange.h"
#include "storage/AdoDatabase.h"
#include "transfer/RecordDecoding.h"

#include <optional>
#include <string>
#include <vector>

namespace px {

struct Difference
{
    enum class Kind
    {
        Missing,   // in the file, not on the host
        Extra,     // on the host, not in the file
        Different, // both, a field differs
        Unread,    // the host's table could not be read back
    };
    std::string table; // "im", "callers", "handhelds"
    std::string key;   // pager number, feature code or handheld number
    Kind kind = Kind::Different;
    std::string field;
    std::string fileValue;
    std::string hostValue;
};

const char* KindName(Difference::Kind kind);

// The rows a table of a file comes back as, decoded as the browser shows them.
std::vector<BrowserRow> ExpectedRows(CADODatabase& db, BrowserMode mode, const std::string& fileName,
                                     std::string& error);

// Compares expected and read-back rows of one table.
std::vector<Difference> CompareRows(BrowserMode mode, const std::vector<BrowserRow>& expected,
                                    const std::vector<BrowserRow>& host);

// Reads the three tables back from the host and compares them with the file. Nothing when the
// host cannot be found or the file does not exist (error says which).
std::optional<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, CADODatabase& db,
                                                        const std::string& fileName,
                                                        std::string& error);

} // namespace px
