#include "app/MenuActions.h"

#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"

namespace hotaru::app {

MenuActions DefaultMenuActions() {
    MenuActions actions;
    actions.demand = [] { return new hotaru::settings::FrmDemand; };
    actions.est = [] { return new hotaru::settings::FrmEst; };
    return actions;
}

}  // namespace hotaru::app
