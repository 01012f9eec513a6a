#pragma once
// The menu's 一覧表 routine: lists the claim month's rows in a modal preview,
// or says that there is nothing to list.
class QWidget;

namespace hotaru::report {

void ShowClaimList(QWidget* parent);

}  // namespace hotaru::report
