#include "report/ShowClaimList.h"

#include <QApplication>

#include "common/Errors.h"
#include "common/Messages.h"
#include "data/Connection.h"
#include "report/ClaimList.h"
#include "report/RepItiran.h"
#include "report/ReportPreview.h"

namespace hotaru::report {

namespace {

// The hourglass, put back to the normal pointer on every way out.
class WaitCursor {
public:
    void set() {
        if (!on_) QApplication::setOverrideCursor(Qt::WaitCursor);
        on_ = true;
    }
    void restore() {
        if (on_) QApplication::restoreOverrideCursor();
        on_ = false;
    }
    ~WaitCursor() { restore(); }

private:
    bool on_ = false;
};

}  // namespace

void ShowClaimList(QWidget* parent) {
    WaitCursor wait;
    Trap([&] {
        data::Database& db = DB();
        wait.set();
        if (!PrepareClaimList(db)) {
            MsgBox(kNothingToList, mbInformation, kNothingToListTitle);
            wait.restore();
            return;
        }
        // The pages are laid out before the preview opens, still under the
        // hourglass.
        RepItiran rep;
        rep.run();
        wait.restore();
        ReportPreview preview(rep, parent);
        preview.exec();
        rep.close();
    });
}

}  // namespace hotaru::report
