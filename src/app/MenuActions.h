#pragma once
// What the menu's buttons open.  Each function window registers its factory
// in DefaultMenuActions (MenuActions.cpp); a button without one shows a
// placeholder notice.
#include <functional>

class QWidget;

namespace hotaru::ui {
class Form;
}

namespace hotaru::app {

struct MenuActions {
    // Windows shown while the menu hides itself (entry, claim month, settings, export).
    std::function<hotaru::ui::Form*()> entry, demand, est, csv;
    // Work run from the menu itself (floppy check, claim list).
    std::function<void(QWidget* menu)> fdCheck, report;
};

MenuActions DefaultMenuActions();

}  // namespace hotaru::app
