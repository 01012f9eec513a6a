// Pictures of the entry window for the documentation:
//   entry_screenshots <folder>
// writes entry-key.png (key entry), entry-loaded.png (a known child with
// stored branches loaded) and reference.png (参照).
#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "entry/EntryCore.h"
#include "entry/FrmEntry.h"
#include "entry/FrmSubEntry.h"
#include "support/SampleEntry.h"
#include "support/TestSupport.h"
#include "ui/QtMessages.h"

using namespace hotaru;

namespace {

void Save(QWidget* w, const std::filesystem::path& file) {
    QApplication::processEvents();
    w->grab().save(QString::fromStdString(file.string()));
}

void Type(const char* text) { QTest::keyClicks(QApplication::focusWidget(), QString::fromUtf8(text)); }
void Enter() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: entry_screenshots <folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    QApplication app(argc, argv);
    ui::InstallApplicationLook();
    test::ProgramFolder folder;
    DB().Execute(
        "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, path, "
        "Ver) VALUES (1, '46', '1', '1234567', '', '霧島こども医院', 2, 2, 20, '2008-05-01', '', 1.1)");
    entry::EntryRow r = test::SampleEntryRow();
    r.city = "7";
    r.name = "きりしま　はなこ";
    r.insuranceNo = "462015";
    r.publicPay1 = "12";
    for (auto [eda, total, pay] : {std::tuple{"1", "1,250", "3,750"}, std::tuple{"2", "12,480", "37,440"}}) {
        r.eda = eda;
        r.total = total;
        r.payment = pay;
        entry::RegisterEntry(r);
    }

    auto* w = new entry::FrmEntry;
    w->show();
    if (!QTest::qWaitForWindowActive(w)) return 1;
    Type("1");
    Save(w, out / "entry-key.png");

    w->Txt_City->clear();
    Type("7");
    Enter();
    Type("000012345");
    Enter();
    Type("20");
    Type("04");
    Enter();
    // Ready to type the third branch's amounts.
    w->Txt_Total->setFocus();
    Type("980");
    Save(w, out / "entry-loaded.png");

    w->Cmd_Link->click();
    for (QWidget* t : QApplication::topLevelWidgets())
        if (auto* ref = qobject_cast<entry::FrmSubEntry*>(t); ref && ref->isVisible()) {
            if (!QTest::qWaitForWindowExposed(ref)) return 1;
            Save(ref, out / "reference.png");
        }
    return 0;
}
