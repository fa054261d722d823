#pragma once

#include <string>

namespace px {

// The database file inside a data folder (which ends with '/').
std::string DatabasePath(const std::string& dataFolder);

// The SQL that creates an empty configuration database with its initial rows.
const std::string& DatabaseSchemaSql();

// Creates the database file with its schema and initial rows when it does not exist yet
// (and its folder with it). An existing file is left as it is. On failure returns false and
// puts the reason into error; no half-made file is left behind.
bool EnsureDatabase(const std::string& databasePath, std::string& error);

class Database;

// Whether an open database is one of ours and readable: false, with what the user is told,
// for a file that is no database, a damaged one, one busy with another program, or one that
// lacks a table of the program. Nothing is changed or "repaired".
bool CheckDatabase(Database& db, std::string& error);

} // namespace px
