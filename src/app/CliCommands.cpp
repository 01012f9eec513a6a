#include "app/CliCommands.h"

#include "app/Startup.h"
#include "report/ClaimListPdf.h"

namespace hotaru::cli {

void RegisterSubmissionCommands(const Register& add);  // SubmissionCommands.cpp
void RegisterBackupCommands(const Register& add);      // BackupCommands.cpp

void RegisterCommands(const Register& add) {
    // export, fdcheck and list are added here as their modules land.
    RegisterSubmissionCommands(add);
    RegisterBackupCommands(add);
    // The claim list as a PDF: exit 1 (after the message) when there is
    // nothing to list.
    add("list", {"db", "pdf"}, [](const Args& a) {
        if (!OpenDatabase(a)) return 2;
        int rc = report::WriteClaimListPdf(a.get("pdf"));
        DisconnectDatabase();
        return rc;
    });
}

}  // namespace hotaru::cli
