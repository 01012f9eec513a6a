// A whole claim month, as the staff work it, on a fresh copy of the shipped
// database, for a clinic claiming points and a practitioner claiming yen:
// the plans of keys in data/ (clinic.plan, practitioner.plan) and what the
// tables, the submission file and the list must hold after each step.  The
// children, slips and expectations were worked out from the paper alone.
//
// Quotes, percent signs and backslashes in every name the program handles:
// the program folder, the export folder, the institution's and children's
// names (data/odd-names.plan).  They go through storing, export, the floppy
// check (clean and with a finding) and the list unharmed.
#include <gtest/gtest.h>
#include <iconv.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include "app/FrmMenu.h"
#include "app/MenuActions.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "data/Connection.h"
#include "report/ReportPreview.h"
#include "submission/CheckListViewer.h"
#include "submission/FrmCsv.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"

namespace hotaru::acceptance {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> FileLines(const std::string& name) {
    std::ifstream in(std::filesystem::path(HOTARU_ACCEPTANCE_DATA) / name);
    EXPECT_TRUE(in.good()) << name;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

// Shift_JIS (Windows code page 932) bytes as UTF-8, read by iconv rather
// than by the program's own converter.
std::string FromCp932(std::string bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    std::string out(bytes.size() * 3 + 16, '\0');
    char *in = bytes.data(), *o = out.data();
    std::size_t inLeft = bytes.size(), outLeft = out.size();
    const bool read = iconv(cd, &in, &inLeft, &o, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    return read ? out.substr(0, out.size() - outLeft) : "(not Shift_JIS)";
}

// The text of a PDF as pdftotext lays it out, one string per non-empty line
// without any kind of space, and its pages (each ends with a form feed).
std::vector<std::string> PdfLines(const std::filesystem::path& pdf, int& pages) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", "-enc", "UTF-8", QString::fromStdString(pdf.string()), "-"});
    pdftotext.waitForFinished();
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    pages = static_cast<int>(text.count('\f'));
    std::vector<std::string> lines;
    for (QString line : text.split(QRegularExpression("[\n\f]")))
        if (!line.remove(QRegularExpression("[ \t\r\u3000]")).isEmpty()) lines.push_back(line.toStdString());
    return lines;
}

// The staff at the keyboard, following a plan: every window opened from the
// menu and driven with keys and clicks as a person drives it, message boxes
// answered from the script, and what the program stored and wrote compared
// whole with what the month's slips say it must hold.
//
// The plan's steps are described in data/README.md.
class Staff {
public:
    Staff(ScriptedMessages& messages, std::filesystem::path out) : messages_(messages), out_(std::move(out)) {
        submission::SetSaveDialog([this](QWidget*, const std::string&, const std::string& name) {
            offered_ = name;
            return std::optional<std::string>((out_ / name).string());
        });
    }
    ~Staff() {
        submission::SetSaveDialog({});
        delete menu_.data();
    }

    // The lines of one section of a plan file.
    void follow(const std::string& file, int section = 0) {
        for (const std::string& line : FileLines(file)) {
            if (line == "---") --section;
            if (section != 0 || line.empty() || line.starts_with("//") || line == "---") continue;
            ASSERT_NO_FATAL_FAILURE(work(line)) << file;
        }
    }

    void work(const std::string& line) {
        SCOPED_TRACE(line);
        seen_ = 0;
        std::istringstream steps(line);
        for (std::string s; steps >> s;) ASSERT_NO_FATAL_FAILURE(step(unescaped(s)));
        std::string more;
        for (std::size_t i = seen_; i < messages_.shown.size(); ++i) more += messages_.shown[i].prompt + "\n";
        messages_.clear();
        ASSERT_EQ(more, "") << "messages nobody expected";
    }

private:
    // '<out>' is the folder as quote() writes it.
    std::string unescaped(std::string s) const {
        const std::pair<std::string, std::string> escapes[] = {
            {"\\r", "\r"}, {"\\n", "\n"}, {"\\s", " "},
            {"'<out>'", "'" + ReplaceAll(out_.string(), "'", "''") + "'"}, {"<out>", out_.string()}};
        for (const auto& [from, to] : escapes) s = ReplaceAll(s, from, to);
        return s;
    }
    static QWidget* named(const std::string& name) {
        QWidget* active = QApplication::activeWindow();
        auto* w = active ? active->findChild<QWidget*>(QString::fromStdString(name)) : nullptr;
        EXPECT_NE(w, nullptr) << "no control " << name << " in the active window";
        return w;
    }

    void step(const std::string& step) {
        SCOPED_TRACE("at " + step);
        const std::string name = step.substr(1), arg = step.substr(step.find_first_of(":=") + 1);
        const std::string before = name.substr(0, name.find(':')), after = name.substr(name.find(':') + 1);
        if (step[0] == '[') {
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QWidget* w = nullptr;
            for (QWidget* t : QApplication::topLevelWidgets())
                if (t->isVisible() && t->objectName().toStdString() + "]" == name) w = t;
            ASSERT_NE(w, nullptr) << "not on the screen";
            w->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(w));
            for (QWidget* other : QApplication::topLevelWidgets()) {
                const bool menu = other->objectName() == "Frm_Menu";
                if (w->objectName() == "Frm_Menu" ? !menu && qobject_cast<ui::Form*>(other) : menu) {
                    ASSERT_FALSE(other->isVisible()) << other->objectName().toStdString() << " on the screen";
                }
            }
        } else if (step[0] == '@') {
            const QWidget* focus = QApplication::focusWidget();
            ASSERT_EQ(focus ? focus->objectName().toStdString() : "(nothing)", name) << "focus";
        } else if (step[0] == '=') {
            QWidget* w = named(before);
            ASSERT_NE(w, nullptr);
            const char* shown = qobject_cast<QComboBox*>(w) ? "currentText" : "text";  // QLineEdit, QLabel
            ASSERT_EQ(w->property(shown).toString().toStdString(), after);
        } else if (step[0] == '*') {
            auto* e = qobject_cast<QLineEdit*>(named(name));
            ASSERT_NE(e, nullptr);
            ASSERT_EQ(e->selectedText(), e->text());
        } else if (step[0] == '#') {
            QWidget* w = named(step.substr(step.find_first_not_of('#')));
            ASSERT_NE(w, nullptr);
            if (step[1] == '#') QTest::mouseDClick(w, Qt::LeftButton);
            else QTest::mouseClick(w, Qt::LeftButton);
        } else if (step[0] == '{') {
            const std::map<std::string, Qt::Key> keys{
                {"{Enter}", Qt::Key_Return}, {"{Tab}", Qt::Key_Tab}, {"{Up}", Qt::Key_Up}, {"{Down}", Qt::Key_Down}};
            ASSERT_TRUE(keys.count(step));
            QTest::keyClick(QApplication::focusWidget(), keys.at(step));
        } else if (step == "!Yes") {
            messages_.answer(mbYes);
        } else if (step[0] == '?') {
            ASSERT_LT(seen_, messages_.shown.size()) << "no message shown";
            const auto& m = messages_.shown[seen_++];
            EXPECT_TRUE(before.empty() || m.title == before) << m.title << " for " << m.prompt;
            EXPECT_TRUE(name.find(':') == std::string::npos || m.prompt == arg) << m.prompt;
        } else if (step == "%start") {
            menu_ = new app::FrmMenu(app::DefaultMenuActions());
            menu_->show();
            ASSERT_NO_FATAL_FAILURE(this->step("[Frm_Menu]"));
        } else if (step.starts_with("%tables=")) {
            auto lines = test::QuotedRows("code,recipient,name,birthday,n_insurance,n_insurance_no,n_ratio,PublicPay1,"
                                          "PublicPay2", "FROM T_基本 ORDER BY code, recipient");
            for (auto& l : test::QuotedRows("code,recipient,diagnosis,eda,total,payment,request,insurance,insurance_no,"
                                            "hospitalization,ratio,treatment,PublicPay1,PublicPay2",
                                            "FROM T_データ ORDER BY code, recipient, diagnosis, eda"))
                lines.push_back(l);
            EXPECT_EQ(lines, FileLines(arg));
        } else if (step.starts_with("%settings=")) {
            const auto rows = test::QuotedRows(
                "type,kencd,tencd,no,eda,name,insurance,hospitalization,treatment,request,path", "FROM T_設定");
            EXPECT_EQ(rows, std::vector<std::string>{arg});
        } else if (step.starts_with("%csv=")) {
            const std::string file = arg.substr(0, arg.find(':'));
            EXPECT_EQ(offered_, file);
            std::string lines;  // every line, the last too, ends with CR LF
            for (const std::string& l : FileLines(arg.substr(arg.find(':') + 1))) lines += l + "\r\n";
            EXPECT_EQ(FromCp932(test::ReadFile(out_ / file)), lines);
        } else if (step.starts_with("%list=")) {
            list(arg);
        } else {
            test::TypeText(QString::fromStdString(step));
        }
    }

    // 一覧表 from the menu, written to PDF with the preview's PDF button.
    void list(const std::string& expected) {
        const std::filesystem::path pdf = out_ / "一覧 it's 100%\\.pdf";
        int pages = 0;
        report::ReportPreview::setPdfPathChooser([&](QWidget*, const QString&) { return QString::fromStdString(pdf); });
        QObject scope;  // a preview that never opens leaves no timer behind
        QTimer::singleShot(0, &scope, [&] {
            auto* preview = qobject_cast<report::ReportPreview*>(QApplication::activeModalWidget());
            if (!preview) return;
            pages = preview->pageCount();
            // Over the menu, which stays on the screen, with the normal pointer.
            EXPECT_EQ(preview->parentWidget(), menu_.data());
            EXPECT_TRUE(menu_->isVisible());
            EXPECT_EQ(QApplication::overrideCursor(), nullptr);
            QTest::mouseClick(preview->findChild<QPushButton*>("pdfButton"), Qt::LeftButton);
            preview->accept();
        });
        ASSERT_NO_FATAL_FAILURE(step("[Frm_Menu]"));
        QTest::mouseClick(menu_->findChild<QPushButton*>("Cmd_Report"), Qt::LeftButton);
        report::ReportPreview::setPdfPathChooser(nullptr);
        ASSERT_TRUE(std::filesystem::exists(pdf));
        if (QStandardPaths::findExecutable("pdftotext").isEmpty()) GTEST_SKIP() << "poppler-utils missing";
        int printed = 0;
        std::vector<std::string> text = PdfLines(pdf, printed);
        EXPECT_EQ(printed, pages);
        const QRegularExpression printDate("(令和|平成)\\d\\d年\\d\\d月\\d\\d日");
        for (auto& line : text) line = QString::fromStdString(line).replace(printDate, "<date>").toStdString();
        EXPECT_EQ(text, FileLines(expected));
    }

    ScriptedMessages& messages_;
    std::filesystem::path out_;
    std::string offered_;
    std::size_t seen_ = 0;
    QPointer<app::FrmMenu> menu_;
};

class TypicalMonth : public ::testing::TestWithParam<const char*> {
protected:
    test::ProgramFolder folder;
    test::TempDir out;
    Staff staff{folder.messages(), out.path()};
};

TEST_P(TypicalMonth, FromSettingsToTheNextClaimMonth) {
    ASSERT_NO_FATAL_FAILURE(staff.follow(std::string(GetParam()) + ".plan"));
    // 終了 closed the database; the file is sound, the entry button's city
    // patch is in, and the clean check left no list behind.
    EXPECT_FALSE(gDB);
    folder.reconnect();
    EXPECT_EQ(DB().Scalar("SELECT * FROM pragma_integrity_check").str(), "ok");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_市町村").toInt(), 51);
    for (const auto& f : fs::directory_iterator(DataDir()))
        EXPECT_EQ(f.path().string().find("_Error"), std::string::npos) << f.path();
}

INSTANTIATE_TEST_SUITE_P(Kinds, TypicalMonth, ::testing::Values("clinic", "practitioner"),
                         [](const auto& info) { return std::string(info.param); });

TEST(OddNames, GoThroughStoringExportCheckAndList) {
    test::ProgramFolder folder("prog it's 100%\\x");
    test::TempDir out;
    const fs::path exportDir = out / "it's 100%\\dir";
    fs::create_directory(exportDir);
    Staff staff(folder.messages(), exportDir);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 0));

    // A finding (ratio 7 in the first detail): the list goes beside the live
    // database in the odd program folder and opens in the viewer.
    const fs::path file = exportDir / "4612345670-1-0811.CSV";
    std::string bytes = test::ReadFile(file);
    std::size_t at = bytes.find("\r\n") + 2;  // a comma byte is never part of a Shift_JIS character
    for (int field = 1; field < 13; ++field) at = bytes.find(',', at) + 1;
    ASSERT_EQ(bytes.substr(at, 2), "3,");
    bytes[at] = '7';
    test::WriteFile(file, bytes);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 1));
    const fs::path list = folder.dir() / "4612345670-1-0811.CSV_Error.txt";
    const std::string listText = FromCp932(test::ReadFile(list));
    EXPECT_NE(listText.find("割合値不正"), std::string::npos) << listText;
    EXPECT_NE(listText.find("ダン＇ス　５０％"), std::string::npos) << listText;
    auto* viewer = test::FindWindow<submission::CheckListViewer>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->listPath(), list);
    viewer->close();
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 2));

    // The institution's name in plain ASCII (the settings window only warns
    // about half-width names; they are stored).
    DB().Execute("UPDATE T_設定 SET name = ?", {"Hotaru's 100% \\ clinic"});
    fs::remove(file);
    ASSERT_NO_FATAL_FAILURE(staff.follow("odd-names.plan", 3));
}

}  // namespace
}  // namespace hotaru::acceptance
