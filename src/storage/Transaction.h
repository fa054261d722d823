#pragma once

// One unit of work on the database: begun when made, rolled back when it ends without a
// successful Commit, so no way out of a multi-statement action (a failed statement, an early
// return) leaves the connection inside a transaction.

#include "storage/Database.h"

namespace px {

class Transaction
{
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Whether the transaction began (the database open and not locked by another program
    // beyond the busy time-out); its failure is the database's (TakeFailure).
    bool Began() const { return active_; }

    // Makes every statement since the start last. False when it could not: then none of them
    // lasts, the cause stays the database's first failure, and the connection is ready for
    // the next action. A COMMIT that SQLite refuses (another program reading the file past the
    // busy time-out) would otherwise leave the connection inside the transaction, and every
    // later action would fail, or seem to succeed and be lost when the program ends.
    bool Commit();

private:
    Database& db_;
    bool active_;
};

} // namespace px
