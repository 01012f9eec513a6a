#include "app/MenuActions.h"

#include "entry/FrmEntry.h"
#include "report/ShowClaimList.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"

namespace hotaru::app {

MenuActions DefaultMenuActions() {
    MenuActions actions;
    actions.entry = [] { return hotaru::entry::OpenEntryWindow(); };
    actions.demand = [] { return new hotaru::settings::FrmDemand; };
    actions.est = [] { return new hotaru::settings::FrmEst; };
    actions.report = [](QWidget* menu) { hotaru::report::ShowClaimList(menu); };
    return actions;
}

}  // namespace hotaru::app
