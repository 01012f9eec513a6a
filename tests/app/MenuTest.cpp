// The home window with stand-ins for the function windows it opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/FrmMenu.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using hotaru::app::FrmMenu;
using hotaru::app::MenuActions;

namespace {

const std::string kMonth = "請求月更新機能にて、請求月を設定してください。\r";

// A stand-in for a function window, counted as it is opened.
struct Windows {
    int made = 0;
    QPointer<ui::Form> last;
    std::function<ui::Form*()> factory() {
        return [this] {
            ++made;
            return last = new ui::Form;
        };
    }
};

void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

class Menu : public ::testing::Test {
protected:
    test::ProgramFolder f;
    Windows entry, demand, est, csv;
    QWidget* ranFrom[2] = {nullptr, nullptr};  // the floppy check's and the list's menu
    std::unique_ptr<FrmMenu> m;

    MenuActions actions() {
        return {entry.factory(), demand.factory(), est.factory(), csv.factory(),
                [this](QWidget* w) { ranFrom[0] = w; }, [this](QWidget* w) { ranFrom[1] = w; }};
    }
    static void settings(std::optional<Date> request, std::optional<double> ver = std::nullopt) {
        test::PutSettings({.no = "0123459", .name = "ホタル医院", .request = request, .ver = ver});
    }
    void open(MenuActions a) {
        m = std::make_unique<FrmMenu>(std::move(a));
        m->setAttribute(Qt::WA_DeleteOnClose, false);
        m->show();
    }
    void click(const char* name) { QTest::mouseClick(m->findChild<QPushButton*>(name), Qt::LeftButton); }
    std::vector<std::string> said() {
        std::vector<std::string> out;
        for (auto& s : f.messages().shown) out.push_back(s.title + ":" + s.prompt);
        f.messages().clear();
        return out;
    }
    std::string label(const char* name) { return m->findChild<QLabel*>(name)->text().toStdString(); }
};

}  // namespace

// The reminder comes once, on opening, and again from 入力, which then opens
// nothing; the version label shows the stored version.  (Which rows remind:
// SettingsCheckTest; a complete row opens 入力: the event-loop test below.)
TEST_F(Menu, RemindersOnOpeningAndOnEntry) {
    settings(std::nullopt, 1.1);
    open(actions());
    const std::vector<std::string> reminder{"処理確認:" + kMonth};
    EXPECT_EQ(said(), reminder);
    EXPECT_EQ(label("lbl_Ver"), "Ver.1.10");
    m->hide();
    m->show();  // back from a function window: nothing more is said
    EXPECT_TRUE(said().empty());
    click("Cmd_Entry");
    EXPECT_EQ(said(), reminder);
    EXPECT_EQ(entry.made, 0);
    EXPECT_TRUE(m->isVisible());
}

// Captions; 請求月, 初期設定 and ＣＳＶ出力 open without checks, the menu
// hides while one is open and comes back where the user left it.  (The
// floppy check and the list run over the menu: the acceptance month.)
TEST_F(Menu, ButtonsOpenTheirWindowsAndTheMenuComesBackWhereItStood) {
    open(actions());
    f.messages().clear();
    std::string captions = m->windowTitle().toStdString() + " " + label("Label2");
    for (auto* b : m->findChildren<QPushButton*>())
        captions += " " + b->objectName().toStdString() + ":" + b->text().toStdString();
    EXPECT_EQ(captions, "Menu ホタル Cmd_Entry:入力 Cmd_Demand:請求月 Cmd_Est:初期設定 Cmd_Csv:ＣＳＶ出力 "
                        "Cmd_fdChk:ＦＤチェック Cmd_Report:一覧表 Cmd_End:終了");
    EXPECT_LE((m->geometry().center() - m->screen()->availableGeometry().center()).manhattanLength(), 10);
    m->move(137, 91);
    for (auto [name, w] : {std::pair{"Cmd_Demand", &demand}, {"Cmd_Est", &est}, {"Cmd_Csv", &csv}}) {
        click(name);
        ASSERT_TRUE(w->made == 1 && w->last && w->last->isVisible() && m->isHidden()) << name;
        w->last->close();
        EXPECT_TRUE(m->isVisible() && m->pos() == QPoint(137, 91)) << name;
        Flush();
        EXPECT_TRUE(w->last.isNull()) << name;
    }
    EXPECT_TRUE(said().empty());
}

// Driven from inside the program's own event loop, where closing the last
// window would end the program: closing a function window does not.
TEST_F(Menu, ClosingAFunctionWindowBringsTheMenuBackAndTheProgramGoesOn) {
    settings(Date{2008, 4, 1});
    auto* menu = new FrmMenu(actions());
    menu->show();
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    bool menuBack = false, stillRunning = false;
    QTimer::singleShot(0, [&] {
        QTest::mouseClick(menu->findChild<QPushButton*>("Cmd_Entry"), Qt::LeftButton);
        ASSERT_EQ(entry.made, 1);
        entry.last->close();
        menuBack = menu->isVisible();
        QTimer::singleShot(0, [&] {
            stillRunning = true;
            EXPECT_EQ(lastClosed.count(), 0);
            EXPECT_EQ(menu->functionWindow(), nullptr);
            menu->close();  // closing the menu ends the program
            QTimer::singleShot(0, [] { qApp->quit(); });
        });
    });
    qApp->exec();
    EXPECT_TRUE(menuBack && stillRunning);
    EXPECT_EQ(lastClosed.count(), 1);
    EXPECT_TRUE(f.messages().shown.empty());
    EXPECT_FALSE(gDB);
}

// Buttons without their window give a notice; a failure opening a window or
// the menu itself gives the standard error once and the menu stays.
TEST_F(Menu, MissingWindowsAndFailures) {
    settings(Date{2008, 4, 1});
    open(MenuActions{});
    for (const char* name : {"Cmd_Entry", "Cmd_Demand", "Cmd_Est", "Cmd_Csv", "Cmd_fdChk", "Cmd_Report"}) {
        click(name);
        EXPECT_EQ(said(), std::vector<std::string>{"処理確認:この機能は準備中です。"}) << name;
    }
    MenuActions a = actions();
    a.demand = []() -> ui::Form* { throw AppError(7, "メモリが不足しています。"); };
    open(a);
    click("Cmd_Demand");
    EXPECT_EQ(said(), std::vector<std::string>{"エラー:予期せぬエラーです。\r\nエラーコード： 7\r\nメモリが不足しています。"});
    f.disconnect();
    click("Cmd_Entry");
    const auto errors = said();
    EXPECT_FALSE(errors.empty());
    for (const auto& e : errors) EXPECT_TRUE(e.starts_with("エラー:予期せぬエラーです。")) << e;
    EXPECT_EQ(entry.made, 0);
    EXPECT_TRUE(m->isVisible());

    open(actions());  // the database gone while opening
    const auto opening = said();
    ASSERT_EQ(opening.size(), 1u);
    EXPECT_TRUE(opening[0].starts_with("エラー:予期せぬエラーです。")) << opening[0];
    EXPECT_EQ(label("lbl_Ver"), "");
    EXPECT_TRUE(m->isVisible());
}
