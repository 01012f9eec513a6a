#pragma once
// The entry window shown and active, driven with keys where the focus is.
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
        closed = false;
        QObject::connect(w.data(), &ui::Form::closed, [this] { closed = true; });
        ASSERT_TRUE(ShowActive(*w));
        w->Txt_City->setFocus();
    }

    static entry::FrmSubEntry* findReference() { return FindWindow<entry::FrmSubEntry>(); }
    static QWidget* focus() { return QApplication::focusWidget(); }

    // Keys from a plan, steps split by spaces: "|" Enter, "^" Up, "v" Down, "!Y"/"!N"
    // the next message box answered, "~" the window activated again, "@Name"
    // the focus put on that control; anything else is typed (Japanese as the
    // input method commits it).
    void keys(const std::string& plan) {
        std::istringstream steps(plan);
        for (std::string s; steps >> s;) {
            if (s == "|") Press(Qt::Key_Return);
            else if (s == "^" || s == "v") Press(s == "^" ? Qt::Key_Up : Qt::Key_Down);
            else if (s == "!Y" || s == "!N") folder.messages().answer(s == "!Y" ? mbYes : mbNo);
            else if (s == "~") ASSERT_TRUE(ShowActive(*w));
            else if (s[0] == '@') w->findChild<QWidget*>(QString::fromStdString(s.substr(1)))->setFocus();
            else TypeText(QString::fromStdString(s));
        }
    }
    // The detail of a new child from Txt_Name to Txt_Total, and the amounts
    // from there to 登録.
    static constexpr const char* kChild = "やまだ　たろう | | 18 07 15 | 12345678 | 3 ";
    static std::string amounts(const char* total = "1000", const char* payment = "3000", const char* rest = "20 | |") {
        return std::string(total) + " | " + payment + " | " + rest + " ";
    }

    static std::string text(const QWidget* c) { return ui::Text(c); }

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
    bool closed = false;
};

}  // namespace hotaru::test
