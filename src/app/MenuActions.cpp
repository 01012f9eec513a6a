#include "app/MenuActions.h"

#include "report/ShowClaimList.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"

namespace hotaru::app {

MenuActions DefaultMenuActions() {
    MenuActions actions;
    actions.demand = [] { return new hotaru::settings::FrmDemand; };
    actions.est = [] { return new hotaru::settings::FrmEst; };
    actions.report = [](QWidget* menu) { hotaru::report::ShowClaimList(menu); };
    return actions;
}

}  // namespace hotaru::app
