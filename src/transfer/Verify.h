#pragma once

// Comparing what the host holds with a configuration file, after what the record formats
// keep: a row is compared as it would come back from a download and a read-back.

#include "hostlink/HostExchange.h"
#include "storage/Database.h"
#include "transfer/RecordDecoding.h"

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
    std::string table; // the table's pxctl name: "im", "callers", "handhelds"
    std::string key;   // pager number, feature code or handheld number
    Kind kind = Kind::Different;
    std::string field;
    std::string fileValue;
    std::string hostValue;
};

const char* KindName(Difference::Kind kind);

// Reads the three tables back from the host and compares each with what it means to the host
// (its rows as a download and read-back bring them back; the rows that cannot travel): rows
// missing on either side, fields that differ (named and shown as the read-back browser shows
// them), keys held more than once on either side. Nothing when the host cannot be found or the
// file does not exist (the notices say which).
Reading<std::vector<Difference>> VerifyConfigFile(HostExchange& exchange, Database& db,
                                                  const std::string& fileName);

} // namespace px
