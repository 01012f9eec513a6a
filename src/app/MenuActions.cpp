#include "app/MenuActions.h"

namespace hotaru::app {

MenuActions DefaultMenuActions() {
    MenuActions actions;
    return actions;
}

}  // namespace hotaru::app
