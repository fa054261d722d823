#include "storage/Transaction.h"

namespace px {

Transaction::Transaction(Database& db) : db_(db), active_(db.BeginTransaction()) {}

Transaction::~Transaction()
{
    if (active_)
        db_.RollbackTransaction();
}

bool Transaction::Commit()
{
    if (!active_)
        return false;
    active_ = false;
    if (db_.CommitTransaction())
        return true;
    db_.RollbackTransaction();
    return false;
}

} // namespace px
