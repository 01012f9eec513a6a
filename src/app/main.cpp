// hotaru: the desktop program.
#include <QApplication>
#include <QFont>

#include "app/InstanceLock.h"
#include "app/Startup.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "ui/QtMessages.h"
#include "app/FrmMenu.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Hotaru");
    hotaru::ui::InstallApplicationLook();
    hotaru::ui::QtMessages messages;
    hotaru::SetMessagePresenter(&messages);

    // The lock comes before the database: a second copy never connects or upgrades.
    // It sits beside the live file, which is writable even when the program
    // folder is not.
    hotaru::InstanceLock lock;
    if (!lock.acquire(hotaru::DataDir())) {
        hotaru::MsgBox("ホタルは起動済みです。\r2重起動はできません。", hotaru::mbCritical, "処理確認");
        return 1;
    }
    if (!hotaru::OpenDatabaseAtStartup()) return 1;

    auto* menu = new hotaru::app::FrmMenu;
    menu->show();
    int rc = app.exec();
    hotaru::DisconnectDatabase();
    return rc;
}
