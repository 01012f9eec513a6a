#include "app/CliCommands.h"

namespace hotaru::cli {

void RegisterSubmissionCommands(const Register& add);  // SubmissionCommands.cpp

void RegisterCommands(const Register& add) {
    // export, fdcheck and list are added here as their modules land.
    RegisterSubmissionCommands(add);
}

}  // namespace hotaru::cli
