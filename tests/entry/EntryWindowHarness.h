#pragma once
// The entry window shown and active, with keys typed where the focus is.
#include <cstring>
#include <sstream>

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
        auto end = [](const char* t, std::size_t full) { return std::string(t) + (std::strlen(t) < full ? " | " : " "); };
        keys(end(city, 2) + end(recipient, 9) + "| " + end(year, 2) + month + " |");
    }

    // Keys from a plan, steps split by spaces: "|" Enter, "^" Up, "v" Down, "!Y"/"!N"
    // the next message box answered, "~" the window activated again, "@Name"
    // the focus put on that control; anything else is typed.
    void keys(const std::string& plan) {
        std::istringstream steps(plan);
        for (std::string s; steps >> s;) {
            if (s == "|") enter();
            else if (s == "^" || s == "v") Press(s == "^" ? Qt::Key_Up : Qt::Key_Down);
            else if (s == "!Y" || s == "!N") folder.messages().answer(s == "!Y" ? mbYes : mbNo);
            else if (s == "~") ASSERT_TRUE(ShowActive(*w));
            else if (s[0] == '@') w->findChild<QWidget*>(QString::fromStdString(s.substr(1)))->setFocus();
            else type(s.c_str());
        }
    }
    // The detail of a new child from Txt_Name to Txt_Total, and the amounts
    // from there to 登録.
    static constexpr const char* kChild = "やまだ　たろう | | 18 07 15 | 12345678 | 3 ";
    static std::string amounts(const char* total = "1000", const char* payment = "3000", const char* rest = "20 | |") {
        return std::string(total) + " | " + payment + " | " + rest + " ";
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
