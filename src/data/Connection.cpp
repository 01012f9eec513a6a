#include "data/Connection.h"

#include "common/Errors.h"

namespace hotaru {
std::unique_ptr<data::Database> gDB;
data::Workspace gWS;

data::Database& DB() {
    if (!gDB || !gDB->isOpen()) throw AppError(91, "データベースが開かれていません。");
    return *gDB;
}
}  // namespace hotaru

namespace hotaru::data {

void Workspace::BeginTrans() { DB().BeginTrans(); }
void Workspace::CommitTrans() { DB().CommitTrans(); }
void Workspace::Rollback() {
    if (gDB && gDB->isOpen()) gDB->Rollback();
}
bool Workspace::inTransaction() const { return gDB && gDB->isOpen() && gDB->inTransaction(); }

}  // namespace hotaru::data
