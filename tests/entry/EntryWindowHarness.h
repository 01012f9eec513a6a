#pragma once
// The entry window shown and active, with keys typed where the focus is.
#include <cstring>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include "EntryFixture.h"
#include "entry/EntryCore.h"
#include "entry/FrmEntry.h"
#include "entry/FrmSubEntry.h"
#include "support/WindowDriving.h"
#include "ui/Fields.h"
#include "ui/UiTestSupport.h"

namespace hotaru::test {

class EntryWindow : public EntryFixture {
public:
    void SetUp() override {
        EntryFixture::SetUp();
        open();
    }
    void TearDown() override { close(); }

    void close() {
        if (w) delete w.data();
        while (auto* ref = findReference()) delete ref;
    }
    void open() {
        close();
        w = new entry::FrmEntry;
        ASSERT_TRUE(ShowActive(*w));
        w->Txt_City->setFocus();
    }

    static entry::FrmSubEntry* findReference() { return FindWindow<entry::FrmSubEntry>(); }

    static QWidget* focus() { return QApplication::focusWidget(); }
    // ASCII is typed key by key; Japanese arrives as the input method
    // commits it.
    static void type(const char* text) { TypeText(QString::fromUtf8(text)); }
    static void enter() { Press(Qt::Key_Return); }

    // Types a key as staff do: a short field is ended with Enter, a full
    // one moves on by itself.
    void typeKey(const char* city, const char* recipient, const char* year, const char* month) {
        ASSERT_EQ(focus(), w->Txt_City);
        type(city);
        if (std::strlen(city) < 2) enter();
        ASSERT_EQ(focus(), w->Txt_Recipient);
        type(recipient);
        if (std::strlen(recipient) < 9) enter();
        ASSERT_EQ(focus(), w->Cbo_Diagonosis);
        enter();
        ASSERT_EQ(focus(), w->Txt_Diagonosis_Y);
        type(year);
        if (std::strlen(year) < 2) enter();
        ASSERT_EQ(focus(), w->Txt_Diagonosis_M);
        type(month);
        enter();
    }

    // The detail fields from the name on, each ended as staff end it.
    struct Detail {
        const char* name = "やまだ　たろう";
        const char* bdYear = "18";
        const char* bdMonth = "07";
        const char* bdDay = "15";
        const char* insuranceNo = "12345678";
        const char* rate = "3";
        const char* total = "1000";
        const char* payment = "3000";
        const char* treatment = "20";
        const char* publicPay1 = "";
        const char* publicPay2 = "";
    };
    // From Txt_Name (a new child) or Txt_Total (a known one) to Cmd_Reg.
    void typeDetail(const Detail& d) {
        if (focus() == w->Txt_Name) {
            type(d.name);
            enter();
            ASSERT_EQ(focus(), w->Cbo_BD);
            enter();
            type(d.bdYear);
            type(d.bdMonth);
            type(d.bdDay);
            ASSERT_EQ(focus(), w->Cbo_Insurance);
            enter();
            ASSERT_EQ(focus(), w->Txt_InsuranceNo);
            type(d.insuranceNo);
            if (std::strlen(d.insuranceNo) != 8) enter();
            ASSERT_EQ(focus(), w->Cbo_Hospitalization);
            enter();
            ASSERT_EQ(focus(), w->Txt_Rate);
            type(d.rate);
        }
        ASSERT_EQ(focus(), w->Txt_Total);
        type(d.total);
        if (std::strlen(d.total) != 10) enter();
        ASSERT_EQ(focus(), w->Txt_Payment);
        type(d.payment);
        if (std::strlen(d.payment) != 10) enter();
        ASSERT_EQ(focus(), w->Txt_Treatment);
        type(d.treatment);
        if (std::strlen(d.treatment) != 2) enter();
        ASSERT_EQ(focus(), w->Txt_PublicPay1);
        type(d.publicPay1);
        if (std::strlen(d.publicPay1) != 2) enter();
        ASSERT_EQ(focus(), w->Txt_PublicPay2);
        type(d.publicPay2);
        if (std::strlen(d.publicPay2) != 2) enter();
        ASSERT_EQ(focus(), w->Cmd_Reg);
    }

    static std::string text(const QLineEdit* e) { return e->text().toStdString(); }
    static std::string text(const QLabel* l) { return l->text().toStdString(); }
    static std::string text(const QComboBox* c) { return c->currentText().toStdString(); }

    // The row as the window shows it, one string: key, branch and mode, the
    // detail fields, and the control with the focus.
    std::string fields() {
        std::string s = text(w->Txt_City) + "/" + text(w->Txt_Recipient) + " " + text(w->Txt_Diagonosis) +
                        text(w->Txt_Diagonosis_Y) + "." + text(w->Txt_Diagonosis_M) + " #" + text(w->Txt_Eda) + " " +
                        text(w->Lbl_EditMode) + (w->Lbl_DataAri->isVisible() ? " 有" : "") + " |";
        for (QLineEdit* e : {w->Txt_Name, w->Txt_BD, w->Txt_BD_Y, w->Txt_BD_M, w->Txt_BD_D, w->Txt_Insurance,
                             w->Txt_InsuranceNo, w->Txt_Hospitalization, w->Txt_Rate, w->Txt_Total, w->Txt_Payment,
                             w->Txt_Treatment, w->Txt_PublicPay1, w->Txt_PublicPay2})
            s += text(e) + "|";
        return s + text(w->Lbl_RateName) + "|" + text(w->Lbl_TreatmentName) + " @" +
               (focus() ? focus()->objectName().toStdString() : "");
    }

    // Messages shown so far with this title.
    std::vector<ScriptedMessages::Shown> shown(const std::string& title) {
        std::vector<ScriptedMessages::Shown> out;
        for (const auto& s : folder.messages().shown)
            if (s.title == title) out.push_back(s);
        return out;
    }
    // Every message shown so far, "title(style): prompt" a line; then forgotten.
    std::string said() {
        std::string out;
        for (const auto& s : folder.messages().shown)
            out += s.title + "(" + std::to_string(s.style) + "): " + s.prompt + "\n";
        folder.messages().shown.clear();
        return out;
    }

    QPointer<entry::FrmEntry> w;
};

}  // namespace hotaru::test
