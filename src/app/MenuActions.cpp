#include "app/MenuActions.h"

#include "entry/FrmEntry.h"
#include "report/ShowClaimList.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"
#include "submission/CheckListViewer.h"
#include "submission/FrmCsv.h"

namespace hotaru::app {

MenuActions DefaultMenuActions() {
    MenuActions actions;
    actions.entry = [] { return hotaru::entry::OpenEntryWindow(); };
    actions.demand = [] { return new hotaru::settings::FrmDemand; };
    actions.est = [] { return new hotaru::settings::FrmEst; };
    actions.csv = [] { return new hotaru::submission::FrmCsv; };
    actions.fdCheck = [](QWidget* menu) { hotaru::submission::RunFloppyCheckFromMenu(menu); };
    actions.report = [](QWidget* menu) { hotaru::report::ShowClaimList(menu); };
    return actions;
}

}  // namespace hotaru::app
