#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/FrmMenu.h"
#include "data/Connection.h"
#include "support/TestSupport.h"

using namespace hotaru;
using hotaru::app::FrmMenu;
using hotaru::app::MenuActions;
using data::Value;

namespace {

const std::string kBoth = "請求月更新機能にて、請求月を設定してください。\r設定機能にて、項目を設定してください。\r";
const std::string kMonth = "請求月更新機能にて、請求月を設定してください。\r";
const std::string kItems = "設定機能にて、項目を設定してください。\r";

void WriteSettings(Value type, Value kencd, Value tencd, Value eda, Value request, Value ver = Value()) {
    DB().Execute("DELETE * FROM T_設定");
    DB().Execute(
        "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, request, Ver) VALUES (?,?,?,?,?,?,?,?,?)",
        {type, kencd, tencd, "0123459", eda, "ホタル医院", 1, request, ver});
}

void CompleteSettings(Value ver = Value()) { WriteSettings(1, "46", "1", Value(), Value::date("2008-04-01"), ver); }

// A stand-in for a function window, counted as it is opened.
struct Windows {
    int made = 0;
    QPointer<ui::Form> last;
    std::function<ui::Form*()> factory() {
        return [this] {
            ++made;
            auto* w = new ui::Form;
            w->setWindowTitle("function");
            last = w;
            return w;
        };
    }
};

QPushButton* Button(FrmMenu& m, const char* name) {
    auto* b = m.findChild<QPushButton*>(name);
    EXPECT_NE(b, nullptr) << name;
    return b;
}

void Click(FrmMenu& m, const char* name) { QTest::mouseClick(Button(m, name), Qt::LeftButton); }

std::vector<std::string> Prompts(test::ProgramFolder& f) {
    std::vector<std::string> out;
    for (auto& s : f.messages().shown) out.push_back(s.prompt);
    return out;
}

struct Menu {
    Windows entry, demand, est, csv;
    QWidget* fdCheckedFrom = nullptr;
    QWidget* reportedFrom = nullptr;
    MenuActions actions() {
        MenuActions a;
        a.entry = entry.factory();
        a.demand = demand.factory();
        a.est = est.factory();
        a.csv = csv.factory();
        a.fdCheck = [this](QWidget* m) { fdCheckedFrom = m; };
        a.report = [this](QWidget* m) { reportedFrom = m; };
        return a;
    }
};

void Flush() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

TEST(Menu, CaptionsAndControlNames) {
    test::ProgramFolder f;
    FrmMenu m;
    EXPECT_EQ(m.windowTitle(), "Menu");
    const std::pair<const char*, const char*> buttons[] = {
        {"Cmd_Entry", "入力"},     {"Cmd_Demand", "請求月"}, {"Cmd_Est", "初期設定"}, {"Cmd_Csv", "ＣＳＶ出力"},
        {"Cmd_fdChk", "ＦＤチェック"}, {"Cmd_Report", "一覧表"}, {"Cmd_End", "終了"}};
    for (auto [name, caption] : buttons) EXPECT_EQ(Button(m, name)->text(), QString::fromUtf8(caption));
    ASSERT_NE(m.findChild<QLabel*>("Label2"), nullptr);
    EXPECT_EQ(m.findChild<QLabel*>("Label2")->text(), "ホタル");
    ASSERT_NE(m.findChild<QLabel*>("lbl_Ver"), nullptr);
}

TEST(Menu, FirstStartOnAnEmptyDatabase) {
    test::ProgramFolder f;
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kBoth});
    EXPECT_EQ(f.messages().shown[0].style, 48);
    EXPECT_EQ(f.messages().shown[0].title, "処理確認");
    EXPECT_EQ(m.findChild<QLabel*>("lbl_Ver")->text(), "");

    // Shown again (after a function window) it says nothing more.
    m.hide();
    m.show();
    EXPECT_EQ(f.messages().shown.size(), 1u);

    f.messages().clear();
    Click(m, "Cmd_Entry");
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kBoth});
    EXPECT_EQ(s.entry.made, 0);
    EXPECT_TRUE(m.isVisible());

    // The claim month, settings and export buttons check nothing.
    for (auto [name, windows] : {std::pair{"Cmd_Demand", &s.demand}, {"Cmd_Est", &s.est}, {"Cmd_Csv", &s.csv}}) {
        f.messages().clear();
        Click(m, name);
        EXPECT_EQ(windows->made, 1) << name;
        EXPECT_TRUE(f.messages().shown.empty()) << name;
        ASSERT_TRUE(windows->last) << name;
        EXPECT_TRUE(windows->last->isVisible());
        EXPECT_FALSE(m.isVisible());
        windows->last->close();
        EXPECT_TRUE(m.isVisible()) << name;
        Flush();
        EXPECT_TRUE(windows->last.isNull());
    }
}

TEST(Menu, ClosingAFunctionWindowBringsTheMenuBackAndTheProgramGoesOn) {
    test::ProgramFolder f;
    CompleteSettings();
    Menu s;
    auto* m = new FrmMenu(s.actions());
    m->show();
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    bool menuBack = false, stillRunning = false;
    // Driven from inside the program's own event loop, where closing the last
    // window ends the program.
    QTimer::singleShot(0, [&] {
        Click(*m, "Cmd_Entry");
        ASSERT_EQ(s.entry.made, 1);
        EXPECT_EQ(m->functionWindow(), s.entry.last.data());
        EXPECT_TRUE(m->isHidden());
        s.entry.last->close();
        menuBack = m->isVisible();
        QTimer::singleShot(0, [&] {
            stillRunning = true;
            EXPECT_EQ(lastClosed.count(), 0);
            EXPECT_EQ(m->functionWindow(), nullptr);
            m->close();  // closing the menu ends the program
            QTimer::singleShot(0, [] { qApp->quit(); });
        });
    });
    qApp->exec();
    EXPECT_TRUE(menuBack);
    EXPECT_TRUE(stillRunning);
    EXPECT_EQ(lastClosed.count(), 1);
    EXPECT_TRUE(f.messages().shown.empty());
    EXPECT_FALSE(gDB);
}

TEST(Menu, ClaimMonthMissingGivesOnlyItsMessageAndEntryStaysClosed) {
    test::ProgramFolder f;
    WriteSettings(1, "46", "1", Value(), Value());
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kMonth});
    f.messages().clear();
    Click(m, "Cmd_Entry");
    EXPECT_EQ(Prompts(f), std::vector<std::string>{kMonth});
    EXPECT_EQ(s.entry.made, 0);
    EXPECT_TRUE(m.isVisible());
}

TEST(Menu, MonthAndIdentityMissingGiveTwoMessages) {
    test::ProgramFolder f;
    WriteSettings(1, "", "1", Value(), Value());
    FrmMenu m(Menu().actions());
    m.load();
    EXPECT_EQ(Prompts(f), (std::vector<std::string>{kMonth, kItems}));
}

TEST(Menu, KindOneWithoutBranchAndKindTwoWithoutNumberPartsAreComplete) {
    for (int kind : {1, 2}) {
        test::ProgramFolder f;
        if (kind == 1) WriteSettings(1, "46", "1", "", Value::date("2008-04-01"));
        else WriteSettings(2, Value(), "", "1", Value::date("2008-04-01"));
        Menu s;
        FrmMenu m(s.actions());
        m.setAttribute(Qt::WA_DeleteOnClose, false);
        m.show();
        EXPECT_TRUE(f.messages().shown.empty()) << kind;
        Click(m, "Cmd_Entry");
        EXPECT_TRUE(f.messages().shown.empty()) << kind;
        EXPECT_EQ(s.entry.made, 1) << kind;
        if (s.entry.last) s.entry.last->close();
        Flush();
    }
}

TEST(Menu, VersionLabel) {
    test::ProgramFolder f;
    CompleteSettings(1.1);
    FrmMenu m(Menu().actions());
    m.load();
    EXPECT_EQ(m.findChild<QLabel*>("lbl_Ver")->text(), "Ver.1.10");
}

TEST(Menu, EntryButtonAddsTheTwoNewCitiesOnce) {
    test::ProgramFolder f;
    CompleteSettings();
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    ASSERT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 49);
    Click(m, "Cmd_Entry");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_市町村 WHERE code = 51").str(), "南九州市");
    s.entry.last->close();
    Click(m, "Cmd_Entry");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);
    s.entry.last->close();
    Flush();
}

TEST(Menu, FloppyCheckAndListRunFromTheMenuItself) {
    test::ProgramFolder f;
    CompleteSettings();
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    Click(m, "Cmd_fdChk");
    EXPECT_EQ(s.fdCheckedFrom, &m);
    Click(m, "Cmd_Report");
    EXPECT_EQ(s.reportedFrom, &m);
    EXPECT_TRUE(m.isVisible());
}

TEST(Menu, ButtonsWithoutTheirWindowShowANotice) {
    test::ProgramFolder f;
    CompleteSettings();
    FrmMenu m(MenuActions{});
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    for (const char* name : {"Cmd_Entry", "Cmd_Demand", "Cmd_Est", "Cmd_Csv", "Cmd_fdChk", "Cmd_Report"}) {
        f.messages().clear();
        Click(m, name);
        ASSERT_EQ(f.messages().shown.size(), 1u) << name;
        EXPECT_EQ(f.messages().shown[0].prompt, "この機能は準備中です。");
        EXPECT_TRUE(m.isVisible());
    }
}

TEST(Menu, AFailureInAButtonShowsTheStandardErrorAndTheMenuStays) {
    test::ProgramFolder f;
    Menu s;
    MenuActions a = s.actions();
    a.demand = []() -> ui::Form* { throw AppError(7, "メモリが不足しています。"); };
    FrmMenu m(a);
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    f.messages().clear();
    Click(m, "Cmd_Demand");
    ASSERT_EQ(f.messages().shown.size(), 1u);
    EXPECT_EQ(f.messages().shown[0].title, "エラー");
    EXPECT_TRUE(m.isVisible());

    // The database gone: the entry button reports the failure and opens nothing.
    f.disconnect();
    f.messages().clear();
    Click(m, "Cmd_Entry");
    ASSERT_FALSE(f.messages().shown.empty());
    for (auto& shown : f.messages().shown) EXPECT_EQ(shown.title, "エラー");
    EXPECT_EQ(s.entry.made, 0);
    EXPECT_TRUE(m.isVisible());
}

TEST(Menu, AFailureWhileOpeningShowsOneStandardErrorAndTheMenuStillOpens) {
    test::ProgramFolder f;
    f.disconnect();
    FrmMenu m(Menu().actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    ASSERT_EQ(f.messages().shown.size(), 1u);
    EXPECT_EQ(f.messages().shown[0].title, "エラー");
    EXPECT_EQ(m.findChild<QLabel*>("lbl_Ver")->text(), "");
    EXPECT_TRUE(m.isVisible());
}

TEST(Menu, EnterOnAFocusedButtonPressesIt) {
    test::ProgramFolder f;
    CompleteSettings();
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    Button(m, "Cmd_Est")->setFocus();
    QTest::keyClick(Button(m, "Cmd_Est"), Qt::Key_Return);
    EXPECT_EQ(s.est.made, 1);
    s.est.last->close();
    Flush();
}

TEST(Menu, EndClosesTheMenuAndTheDatabase) {
    test::ProgramFolder f;
    CompleteSettings();
    auto* m = new FrmMenu(Menu().actions());
    QPointer<FrmMenu> alive(m);
    m->show();
    QTest::mouseClick(m->findChild<QPushButton*>("Cmd_End"), Qt::LeftButton);
    EXPECT_FALSE(gDB);
    Flush();
    EXPECT_TRUE(alive.isNull());
}

TEST(Menu, OpensCentredAndComesBackWhereItStood) {
    test::ProgramFolder f;
    CompleteSettings();
    Menu s;
    FrmMenu m(s.actions());
    m.setAttribute(Qt::WA_DeleteOnClose, false);
    m.show();
    const QPoint centre = m.screen()->availableGeometry().center();
    EXPECT_LE((m.geometry().center() - centre).manhattanLength(), 10);
    m.move(137, 91);  // where the user put it
    for (const char* name : {"Cmd_Est", "Cmd_Demand"}) {
        Click(m, name);
        ASSERT_TRUE(m.isHidden());
        m.functionWindow()->close();
        EXPECT_TRUE(m.isVisible()) << name;
        EXPECT_EQ(m.pos(), QPoint(137, 91)) << name;
    }
    Flush();
}
