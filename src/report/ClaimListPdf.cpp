#include "report/ClaimListPdf.h"

#include <QGuiApplication>
#include <memory>

#include "common/Messages.h"
#include "data/Connection.h"
#include "report/RepItiran.h"

namespace hotaru::report {

namespace {

// Fonts and PDF output need a GUI application; a script may run where
// there is no display at all.
std::unique_ptr<QGuiApplication> EnsureGuiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "hotaru-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int WriteClaimListPdf(const std::string& pdfPath) {
    if (!PrepareClaimList(DB())) {
        MsgBox(kNothingToList, mbInformation, kNothingToListTitle);
        return 1;
    }
    auto app = EnsureGuiApplication();
    RepItiran rep;
    rep.run();
    QString error;
    bool ok = rep.writePdf(QString::fromStdString(pdfPath), &error);
    rep.close();
    if (!ok) {
        MsgBox(error.toStdString(), mbExclamation, "エラー");
        return 2;
    }
    return 0;
}

}  // namespace hotaru::report
