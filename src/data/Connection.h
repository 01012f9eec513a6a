#pragma once
// The one open database of the program and its workspace for transactions.
#include <memory>

#include "data/Database.h"

namespace hotaru::data {

// The workspace: transactions of the open database.
class Workspace {
public:
    void BeginTrans();
    void CommitTrans();
    void Rollback();  // harmless when no transaction is open
    bool inTransaction() const;
};

}  // namespace hotaru::data

namespace hotaru {
extern std::unique_ptr<data::Database> gDB;
extern data::Workspace gWS;
// gDB, throwing when no database is open.
data::Database& DB();
}  // namespace hotaru
