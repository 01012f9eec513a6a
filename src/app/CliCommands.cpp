#include "app/CliCommands.h"

namespace hotaru::cli {

void RegisterCommands(const Register&) {
    // export, fdcheck and list are added here as their modules land.
}

}  // namespace hotaru::cli
