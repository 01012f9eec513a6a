// Pictures of the export window and the check list viewer for the
// documentation:
//   submission_screenshots <folder>
// writes csv-export.png (CSV出力 on the folder of the last export) and
// check-list.png (the list of a floppy check with findings).
#include <QApplication>

#include <filesystem>

#include "submission/CheckListViewer.h"
#include "submission/FloppyCheck.h"
#include "submission/FrmCsv.h"
#include "SubmissionData.h"
#include "ui/QtMessages.h"

using namespace hotaru;

namespace {

void Save(QWidget* w, const std::filesystem::path& file) {
    QApplication::processEvents();
    w->grab().save(QString::fromStdString(file.string()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: submission_screenshots <folder>\n");
        return 2;
    }
    const std::filesystem::path out = std::filesystem::absolute(argv[1]);
    QApplication app(argc, argv);
    ui::InstallApplicationLook();
    test::ProgramFolder folder;
    test::TempDir media;
    const auto fd = media / "fd";
    std::filesystem::create_directory(fd);
    test::SettingsData s;
    s.no = "1234560";
    s.name = "霧島こども医院";
    s.path = "/media/hotaru/FD";  // as a removable disk would be mounted
    test::PutSettings(s);

    {
        submission::FrmCsv w;
        w.show();
        Save(&w, out / "csv-export.png");
    }

    // The check reads the folder of the last export.
    DB().Execute("UPDATE T_設定 SET path = ?", {data::Value(fd.string())});

    test::WriteFile(fd / "4611234560-1-2002.CSV",
                    test::SjisLines({
                        "1,42002,4611234560,1,4,\"霧島こども医院\"",
                        "2,4611234560,10,42002,7,1,000012345,\"きりしま　はなこ\",4180715,2,462015,2,3,,1234,3700,42002,,",
                        "2,4611234560,10,42001,7,1,000012346,\"きりしま　たろう\",4190320,2,462015,2,3,,850,2550,42001,,",
                        "2,4611234567,20,42002,12,1,000054321,\"さつま　いちろう\",4170101,1,12345678,1,3,,2000,9000,42002,,",
                        "2,4611234560,20,42002,x,1,000054322,\"さつま　じろう\",4170101,1,12345678,1,3,,2000,6000,42002,,",
                    }));
    QWidget menu;
    submission::RunFloppyCheckFromMenu(&menu);
    for (auto* v : menu.findChildren<submission::CheckListViewer*>()) {
        v->resize(900, 260);
        Save(v, out / "check-list.png");
    }
    return 0;
}
