#pragma once
// The staff at the keyboard: every window opened from the menu and driven
// with keys and clicks as a person drives it, message boxes answered from
// the script.  Each step checks where the focus went, so a window that
// behaves differently stops the test at the step that went wrong.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <string>
#include <vector>

#include "MonthPlan.h"
#include "app/FrmMenu.h"
#include "app/MenuActions.h"
#include "entry/FrmEntry.h"
#include "entry/FrmSubEntry.h"
#include "report/ReportPreview.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"
#include "submission/FrmCsv.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"

namespace hotaru::acceptance {

inline QWidget* Focused() { return QApplication::focusWidget(); }
inline void Key(Qt::Key key) { QTest::keyClick(Focused(), key); }
inline void Enter() { Key(Qt::Key_Return); }
inline void Keys(const std::string& text) { test::TypeText(QString::fromStdString(text)); }
inline void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
inline std::string Text(const QLineEdit* e) { return e->text().toStdString(); }

class Staff {
public:
    explicit Staff(ScriptedMessages& messages) : messages_(messages) {}
    ~Staff() { delete menu_.data(); }

    ScriptedMessages& messages() { return messages_; }
    app::FrmMenu* menu() const { return menu_.data(); }

    // Titles of the messages shown since the last call, and forgets them.
    std::vector<std::string> titles() {
        std::vector<std::string> t;
        for (const auto& m : messages_.shown) t.push_back(m.title);
        messages_.clear();
        return t;
    }
    std::vector<std::string> prompts() {
        std::vector<std::string> p;
        for (const auto& m : messages_.shown) p.push_back(m.prompt);
        messages_.clear();
        return p;
    }

    void startMenu() {
        menu_ = new app::FrmMenu(app::DefaultMenuActions());
        menu_->show();
        menu_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(menu_.data()));
    }
    void pressMenu(const char* button) {
        auto* b = menu_->findChild<QPushButton*>(button);
        ASSERT_NE(b, nullptr) << button;
        ASSERT_TRUE(menu_->isVisible()) << "the menu is not on the screen for " << button;
        Click(b);
    }
    // The function window the button opened, active and ready for keys.
    template <class W>
    W* openFromMenu(const char* button) {
        pressMenu(button);
        auto* w = qobject_cast<W*>(menu_->functionWindow());
        EXPECT_NE(w, nullptr) << button << " opened no window";
        if (!w) return nullptr;
        EXPECT_FALSE(menu_->isVisible());
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return w;
    }
    // Closes a function window with its 終了 and sees the menu come back.
    void closeWith(QPushButton* end) {
        Click(end);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(menu_->isVisible());
        ASSERT_EQ(menu_->functionWindow(), nullptr);
        menu_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(menu_.data()));
    }

    // ---- 初期設定 -------------------------------------------------------------

    void registerSettings(const Institution& inst) {
        auto* w = openFromMenu<settings::FrmEst>("Cmd_Est");
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(Focused(), w->Cbo_Type);
        if (inst.kind == 2) Key(Qt::Key_Down);
        Enter();
        if (inst.kind == 1) {
            ASSERT_EQ(Focused(), w->Txt_No_Pref);
            Keys(inst.pref);
            ASSERT_EQ(Focused(), w->Txt_No_Mark);
            Keys(inst.mark);
        }
        ASSERT_EQ(Focused(), w->Txt_No);
        Keys(inst.number);
        if (inst.kind == 2) {
            ASSERT_EQ(Focused(), w->Txt_No_Eda);
            Keys(inst.branch);
        }
        ASSERT_EQ(Focused(), w->Txt_Name);
        Keys(inst.name);
        Enter();
        ASSERT_EQ(Focused(), w->Cbo_Insurance);
        for (int i = 0; i < inst.insurance; ++i) Key(Qt::Key_Down);
        Enter();
        ASSERT_EQ(Focused(), w->Cbo_Hospitalization);
        for (int i = 0; i < inst.hospitalization; ++i) Key(Qt::Key_Down);
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Treatment);
        Keys(inst.treatment);
        if (inst.treatment.size() < 2) Enter();
        ASSERT_EQ(Focused(), w->Cmd_Reg);
        messages_.clear();
        messages_.answer(mbYes);  // the first registration always asks before it empties the claims
        Click(w->Cmd_Reg);
        ASSERT_EQ(prompts(), (std::vector<std::string>{"機関番号が変更されたので、入力画面にてすでに入力されているデータ"
                                                       "は削除されます。\r\nよろしいですか？",
                                                       "登録が完了しました。\r"}));
        closeWith(w->Cmd_End);
    }

    // ---- 請求月 ---------------------------------------------------------------

    // eraPresses: Down presses from the era the window opens on.
    void setClaimMonth(int eraPresses, const std::string& yy, const std::string& mm) {
        auto* w = openFromMenu<settings::FrmDemand>("Cmd_Demand");
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(Focused(), w->Cbo_Demand);
        for (int i = 0; i < eraPresses; ++i) Key(Qt::Key_Down);
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Year);
        Keys(yy);
        ASSERT_EQ(Focused(), w->Txt_Month);
        Keys(mm);
        ASSERT_EQ(Focused(), w->Cmd_Reg);
        messages_.clear();
        messages_.answer(mbYes);
        messages_.answer(mbYes);
        Click(w->Cmd_Reg);
        ASSERT_EQ(prompts(), (std::vector<std::string>{
                                 "請求月を更新します。\r更新すると、過去分のデータが消えます。\rよろしいですか？\r",
                                 "過去分のデータを消します。\r本当によろしいですか？\r", "登録が完了しました。"}));
        ASSERT_EQ(Focused(), w->Cmd_End);
        closeWith(w->Cmd_End);
    }

    // ---- 入力 -----------------------------------------------------------------

    entry::FrmEntry* openEntry() {
        entry_ = openFromMenu<entry::FrmEntry>("Cmd_Entry");
        return entry_;
    }
    entry::FrmEntry* entry() const { return entry_; }

    void typeKey(const Child& c) {
        entry::FrmEntry* w = entry_;
        ASSERT_EQ(Focused(), w->Txt_City);
        Keys(c.city);
        if (c.city.size() < 2) Enter();
        ASSERT_EQ(Focused(), w->Txt_Recipient);
        ASSERT_EQ(w->Lbl_CityName->text().toStdString(), c.cityName);
        if (c.wrongCheckDigit) messages_.answer(mbYes);  // 受給者番号が間違っています: keep it
        Keys(c.recipientTyped);
        if (c.recipientTyped.size() < 9) Enter();
        ASSERT_EQ(Focused(), w->Cbo_Diagonosis);
        ASSERT_EQ(Text(w->Txt_Recipient), c.recipient);
        const EraOfDay era = EraFor(c.diagnosis);
        ASSERT_EQ(w->Cbo_Diagonosis->currentText().toStdString(), std::to_string(era.digit) + ":" + era.name);
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Diagonosis_Y);
        Keys(Two(era.year));
        ASSERT_EQ(Focused(), w->Txt_Diagonosis_M);
        Keys(Two(c.diagnosis.m));
        Enter();
        ASSERT_TRUE(w->keyLocked) << "the key did not complete";
    }

    // The detail fields of a new child, from the name to the ratio.
    void typeNewChild(const Child& c) {
        entry::FrmEntry* w = entry_;
        ASSERT_EQ(Focused(), w->Txt_Name);
        ASSERT_EQ(Text(w->Txt_Eda), "1");
        Keys(c.name);
        Enter();
        ASSERT_EQ(Focused(), w->Cbo_BD);
        if (EraFor(c.birth).digit == 4) Key(Qt::Key_Up);  // the window offers the claim month's era
        Enter();
        ASSERT_EQ(Focused(), w->Txt_BD_Y);
        Keys(Two(EraFor(c.birth).year));
        Keys(Two(c.birth.m));
        Keys(Two(c.birth.d));
        ASSERT_EQ(Focused(), w->Cbo_Insurance);
        if (c.insurance == 1) Key(Qt::Key_Up);  // from the institution's 2:国保
        if (c.insurance == 3) Key(Qt::Key_Down);
        Enter();
        ASSERT_EQ(Focused(), w->Txt_InsuranceNo);
        Keys(c.insuranceNo);
        if (c.insuranceNo.size() != 8) Enter();
        ASSERT_EQ(Focused(), w->Cbo_Hospitalization);
        if (c.hospitalization == 1) Key(Qt::Key_Up);
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Rate);
        Keys(std::to_string(c.ratio));
    }

    // From the total to 登録, then Enter on 登録.
    void typeAmountsAndRegister(const Slip& s) {
        entry::FrmEntry* w = entry_;
        ASSERT_EQ(Focused(), w->Txt_Total);
        Keys(std::to_string(s.total));
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Payment);
        Keys(std::to_string(s.payment));
        Enter();
        ASSERT_EQ(Focused(), w->Txt_Treatment);
        Keys(s.treatmentTyped);
        if (s.treatmentTyped.size() < 2) Enter();
        ASSERT_EQ(Focused(), w->Txt_PublicPay1);
        Keys(s.publicPay1Typed);
        if (s.publicPay1Typed.size() < 2) Enter();
        ASSERT_EQ(Focused(), w->Txt_PublicPay2);
        Keys(s.publicPay2Typed);
        if (s.publicPay2Typed.size() < 2) Enter();
        ASSERT_EQ(Focused(), w->Cmd_Reg);
        Enter();
        ASSERT_FALSE(w->keyLocked) << "not registered";
        ASSERT_EQ(Focused(), w->Txt_City);
    }

    // 参照 from the entry window; the reference window comes up active.
    entry::FrmSubEntry* openReference() {
        EXPECT_EQ(Focused(), entry_->Cmd_Link);  // a child with branches: the key lands on 参照
        Enter();
        auto* ref = test::FindWindow<entry::FrmSubEntry>();
        EXPECT_NE(ref, nullptr);
        if (!ref) return nullptr;
        EXPECT_TRUE(QTest::qWaitForWindowActive(ref));
        return ref;
    }
    void backToEntry() {
        ASSERT_TRUE(QTest::qWaitForWindowActive(entry_));
        ASSERT_EQ(test::FindWindow<entry::FrmSubEntry>(), nullptr);
        ASSERT_EQ(Focused(), entry_->Txt_Total);
    }

    // One slip, typed from the key to the completion notice.
    void typeSlip(const MonthPlan& plan, const Slip& s) {
        const Child& c = plan.childOf(s);
        messages_.clear();
        ASSERT_NO_FATAL_FAILURE(typeKey(c));
        if (s.how == Slip::How::New) {
            ASSERT_NO_FATAL_FAILURE(typeNewChild(c));
        } else {
            entry::FrmSubEntry* ref = openReference();
            ASSERT_NE(ref, nullptr);
            if (s.how == Slip::How::Add) {
                ASSERT_EQ(Focused(), ref->Cmd_tuika);
                Enter();  // 追加
            } else {
                QTest::mouseDClick(ref->Txt_edaban[static_cast<std::size_t>(s.eda - 1)], Qt::LeftButton);
            }
            ASSERT_NO_FATAL_FAILURE(backToEntry());
            ASSERT_EQ(Text(entry_->Txt_Eda), std::to_string(s.eda));
            ASSERT_EQ(entry_->Lbl_EditMode->text().toStdString(), s.how == Slip::How::Add ? "新規" : "修正");
            // The total comes back with the focus, its whole text selected for typing over.
            ASSERT_EQ(entry_->Txt_Total->selectedText(), entry_->Txt_Total->text());
        }
        // Staff answer Yes to every warning of a slip they have checked.
        if (s.copaymentQuestion) messages_.answer(mbYes);
        if (s.duplicateQuestion) messages_.answer(mbYes);
        ASSERT_NO_FATAL_FAILURE(typeAmountsAndRegister(s));
        std::vector<std::string> expected;
        if (c.wrongCheckDigit && s.how == Slip::How::New) expected.push_back("入力チェック");
        expected.push_back("登録確認");
        if (s.copaymentQuestion) expected.push_back("入力チェック");
        if (s.duplicateQuestion) expected.push_back("入力チェック");
        expected.push_back("処理確認");
        const auto shown = messages_.shown;
        std::string said;
        for (const auto& m : shown) said += "\n" + m.prompt;
        ASSERT_EQ(titles(), expected) << "child " << s.child << " branch " << s.eda << ":" << said;
        ASSERT_EQ(shown.back().prompt, "登録が完了しました。\r");
    }

    // The branch is picked with the keyboard in 参照 and deleted with 削除.
    void deleteBranch(const MonthPlan& plan, int child, int eda) {
        messages_.clear();
        ASSERT_NO_FATAL_FAILURE(typeKey(plan.children[static_cast<std::size_t>(child)]));
        entry::FrmSubEntry* ref = openReference();
        ASSERT_NE(ref, nullptr);
        ASSERT_EQ(Focused(), ref->Cmd_tuika);
        Key(Qt::Key_Tab);
        Key(Qt::Key_Tab);
        ASSERT_EQ(Focused(), ref->Txt_edaban[0]);
        for (int i = 1; i < eda; ++i) Key(Qt::Key_Down);
        Enter();
        ASSERT_NO_FATAL_FAILURE(backToEntry());
        ASSERT_EQ(Text(entry_->Txt_Eda), std::to_string(eda));
        ASSERT_TRUE(entry_->Cmd_Del->isEnabled());
        messages_.answer(mbYes);
        Click(entry_->Cmd_Del);
        ASSERT_EQ(prompts(), (std::vector<std::string>{"データを削除します。\rよろしいですか？\r", "削除しました。\r"}));
        ASSERT_FALSE(entry_->keyLocked);
        ASSERT_EQ(Focused(), entry_->Txt_City);
    }

    void closeEntry() {
        messages_.answer(mbYes);
        ASSERT_NO_FATAL_FAILURE(closeWith(entry_->Cmd_End));
        ASSERT_EQ(prompts(), std::vector<std::string>{"終了してもよろしいですか？"});
        entry_ = nullptr;
    }

    // ---- ＣＳＶ出力 -------------------------------------------------------------

    // Chooses the folder with 参照 (the save dialog answered with the fixed
    // name in that folder) and runs 実行.  Returns the name the dialog offered.
    std::string exportTo(const std::filesystem::path& folder) {
        std::string offered;
        submission::SetSaveDialog([&](QWidget*, const std::string&, const std::string& name) {
            offered = name;
            return std::optional<std::string>((folder / name).string());
        });
        auto* w = openFromMenu<submission::FrmCsv>("Cmd_Csv");
        EXPECT_NE(w, nullptr);
        if (!w) return {};
        messages_.clear();
        Click(w->Cmd_Reference);
        EXPECT_EQ(w->Txt_Path->text().toStdString(), (folder / offered).string());
        Click(w->Cmd_Reg);
        submission::SetSaveDialog({});
        EXPECT_EQ(prompts(), std::vector<std::string>{"ＣＳＶ出力終了しました。\r"});
        closeWith(w->Cmd_End);
        return offered;
    }

    // ---- 一覧表 -----------------------------------------------------------------

    // Opens the list from the menu and writes it to PDF with the preview's
    // PDF button; returns the number of pages the preview had (0: no preview).
    int listToPdf(const std::filesystem::path& pdf) {
        int pages = 0;
        report::ReportPreview::setPdfPathChooser(
            [&](QWidget*, const QString&) { return QString::fromStdString(pdf.string()); });
        QObject scope;  // a preview that never opens leaves no timer behind
        QTimer::singleShot(0, &scope, [&] {
            auto* preview = qobject_cast<report::ReportPreview*>(QApplication::activeModalWidget());
            if (!preview) return;
            pages = preview->pageCount();
            // Over the menu, which stays on the screen, with the normal pointer.
            EXPECT_EQ(preview->parentWidget(), menu_.data());
            EXPECT_TRUE(menu_->isVisible());
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            if (auto* b = preview->findChild<QPushButton*>("pdfButton")) Click(b);
            preview->accept();
        });
        pressMenu("Cmd_Report");
        report::ReportPreview::setPdfPathChooser(nullptr);
        return pages;
    }

private:
    ScriptedMessages& messages_;
    QPointer<app::FrmMenu> menu_;
    entry::FrmEntry* entry_ = nullptr;
};

}  // namespace hotaru::acceptance
