// Failures in the middle of a change.  Each write statement of a
// registration, deletion, claim-month update or settings registration is
// made to fail in turn (the record layer's fault switch); every time the
// database and the program folder must be exactly as before the attempt and
// the window must still hold what the user typed.  Then the export into a
// folder that is gone or read-only, an upgrade that cannot complete, and a
// read-only database at start-up.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <map>

#include "app/Startup.h"
#include "common/Paths.h"
#include "data/Connection.h"
#include "entry/EntryCore.h"
#include "entry/FrmEntry.h"
#include "entry/FrmSubEntry.h"
#include "settings/FrmDemand.h"
#include "settings/FrmEst.h"
#include "submission/Export.h"
#include "submission/FloppyCheck.h"
#include "submission/FrmCsv.h"
#include "support/SampleEntry.h"
#include "support/TableDump.h"
#include "support/TestSupport.h"
#include "support/WindowDriving.h"

namespace hotaru::test {
namespace {

namespace fs = std::filesystem;

QWidget* Focused() { return QApplication::focusWidget(); }
void Key(Qt::Key k) { QTest::keyClick(Focused(), k); }
void Enter() { Key(Qt::Key_Return); }
void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }

// What a window shows: the text of every named field, drop-down and label,
// and whether each control can be used.
std::map<std::string, std::string> Shown(const QWidget* w) {
    std::map<std::string, std::string> s;
    for (const QWidget* c : w->findChildren<QWidget*>()) {
        const std::string name = c->objectName().toStdString();
        if (name.empty() || name.starts_with("qt_")) continue;
        std::string v;
        if (auto* e = qobject_cast<const QLineEdit*>(c)) v = e->text().toStdString();
        else if (auto* b = qobject_cast<const QComboBox*>(c)) v = b->currentText().toStdString();
        else if (auto* l = qobject_cast<const QLabel*>(c)) v = l->text().toStdString();
        else if (!qobject_cast<const QPushButton*>(c)) continue;
        s[name] = v + (c->isEnabled() ? "" : " (disabled)");
    }
    return s;
}

// Kind 1, claim month 令和08年12月, one child with two branches this month and
// one row of the month before.
class Failures : public ::testing::Test {
protected:
    ProgramFolder folder;
    TempDir out;

    void SetUp() override {
        DB().Execute(
            "INSERT INTO T_設定 (type, kencd, tencd, no, eda, name, insurance, hospitalization, treatment, request, "
            "path, Ver) VALUES (1, '46', '1', '2345675', '', 'ほたる医院', 2, 2, 20, '2026-12-01', NULL, 1.1)");
        for (int eda : {1, 2}) entry::RegisterEntry(stored(eda));
        DB().Execute("INSERT INTO T_データ (code, recipient, diagnosis, eda, total, payment, request) "
                     "VALUES ('7', '000012345', '2026-10-01', 1, 900, 2700, '2026-11-01')");
    }
    static entry::EntryRow stored(int eda) {
        entry::EntryRow r = test::SampleReiwaEntryRow();
        r.city = "7";
        r.eda = std::to_string(eda);
        r.name = "やまだ　はなこ";
        r.insuranceNo = "462010";
        r.total = std::to_string(1000 * eda);
        r.payment = std::to_string(3000 * eda);
        r.treatment = eda == 1 ? "20" : "31";
        return r;
    }

    std::string messages(const char* title) {
        std::string out;
        for (const auto& m : folder.messages().shown)
            if (m.title == title) out += m.prompt + "\n";
        return out;
    }

    // Runs the attempt with the n-th write statement failing, n = 0, 1, ...
    // until one goes through.  After each failure the database, the program
    // folder and the window are compared with their state before it.
    // Returns the number of failed attempts.
    int failEachWrite(QWidget* window, const std::function<void()>& attempt) {
        int n = 0;
        for (;; ++n) {
            if (n > 20) {
                ADD_FAILURE() << "the attempt never went through";
                return n;
            }
            const std::string db = DumpDatabase(folder.live());
            const auto files = DumpFolder(folder.dir());
            const auto shown = Shown(window);
            EXPECT_GT(shown.size(), 4u);  // the window's named controls are compared
            folder.messages().clear();
            gDB->InjectWriteFailure(n);
            attempt();
            gDB->InjectWriteFailure(-1);
            const std::string errors = messages("エラー");
            if (errors.empty()) return n;
            SCOPED_TRACE("write " + std::to_string(n) + " failed");
            EXPECT_TRUE(errors.starts_with("予期せぬエラーです。\r\nエラーコード： 3043\r\n")) << errors;
            EXPECT_FALSE(gDB->inTransaction());
            EXPECT_EQ(DumpDatabase(folder.live()), db);
            EXPECT_EQ(DumpFolder(folder.dir()), files);
            EXPECT_EQ(Shown(window), shown);
        }
    }
};

// ---- Entry ----------------------------------------------------------------------

class EntryFailures : public Failures {
protected:
    void SetUp() override {
        Failures::SetUp();
        w = new entry::FrmEntry;
        ASSERT_TRUE(ShowActive());
    }
    void TearDown() override {
        if (auto* ref = FindWindow<entry::FrmSubEntry>()) delete ref;
        delete w.data();
    }
    bool ShowActive() {
        w->show();
        w->activateWindow();
        return QTest::qWaitForWindowActive(w.data());
    }
    // City and recipient number end with Enter when short, as staff do.
    void typeKey(const std::string& city, const std::string& recipient) {
        w->Txt_City->setFocus();
        TypeText(QString::fromStdString(city));
        if (city.size() < 2) Enter();
        TypeText(QString::fromStdString(recipient));
        if (recipient.size() < 9) Enter();
        ASSERT_EQ(Focused(), w->Cbo_Diagonosis);
        Enter();
        TypeText("08");
        TypeText("11");
        Enter();
        ASSERT_TRUE(w->keyLocked);
    }
    QPointer<entry::FrmEntry> w;
};

TEST_F(EntryFailures, RegistrationOfANewChild) {
    ASSERT_NO_FATAL_FAILURE(typeKey("12", "000011112"));
    ASSERT_EQ(Focused(), w->Txt_Name);
    Commit(QString::fromUtf8("さとう　いちろう"));
    Enter();
    Enter();
    TypeText("04");  // each full field moves on by itself
    TypeText("05");
    TypeText("06");
    ASSERT_EQ(Focused(), w->Cbo_Insurance);
    Enter();
    TypeText("31460012");
    Enter();
    TypeText("2");
    TypeText("1200");
    Enter();
    TypeText("2400");
    Enter();
    Enter();
    TypeText("05");
    Enter();
    ASSERT_EQ(Focused(), w->Cmd_Reg);

    const int failed = failEachWrite(w, [&] { Click(w->Cmd_Reg); });
    EXPECT_EQ(failed, 2);  // the master row, then the claim row
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_基本").toInt(), 2);
    EXPECT_EQ(DB().Scalar("SELECT total FROM T_データ WHERE code = '12'").toInt(), 1200);
}

TEST_F(EntryFailures, CorrectionAndDeletionOfAStoredBranch) {
    ASSERT_NO_FATAL_FAILURE(typeKey("7", "000012345"));
    ASSERT_EQ(Focused(), w->Cmd_Link);
    Enter();
    auto* ref = FindWindow<entry::FrmSubEntry>();
    ASSERT_NE(ref, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(ref));
    QTest::mouseDClick(ref->Txt_edaban[1], Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.data()));
    ASSERT_EQ(Focused(), w->Txt_Total);
    TypeText("2100");
    Enter();
    TypeText("6300");
    Enter();
    EXPECT_EQ(failEachWrite(w, [&] { Click(w->Cmd_Reg); }), 2);
    EXPECT_EQ(DB().Scalar("SELECT total FROM T_データ WHERE eda = 2").toInt(), 2100);

    // Deleting branch 1.
    ASSERT_NO_FATAL_FAILURE(typeKey("7", "000012345"));
    Enter();
    ref = FindWindow<entry::FrmSubEntry>();
    ASSERT_NE(ref, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(ref));
    QTest::mouseDClick(ref->Txt_edaban[0], Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.data()));
    EXPECT_EQ(failEachWrite(w, [&] { Click(w->Cmd_Del); }), 1);
    EXPECT_EQ(messages("処理確認"), "削除しました。\r\n");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ WHERE request = '2026-12-01'").toInt(), 1);
}

// ---- Settings windows ---------------------------------------------------------------

TEST_F(Failures, ClaimMonthUpdate) {
    settings::FrmDemand w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Enter();
    TypeText("09");
    TypeText("01");
    ASSERT_EQ(Focused(), w.Cmd_Reg);
    // The update and the deletion of the earlier months.
    EXPECT_EQ(failEachWrite(&w, [&] { Click(w.Cmd_Reg); }), 2);
    EXPECT_EQ(DB().Scalar("SELECT request FROM T_設定").str(), "2027/01/01");
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ").toInt(), 0);
}

TEST_F(Failures, SettingsRegistrationWithANewNumber) {
    settings::FrmEst w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.Txt_No->setFocus();
    TypeText("1234560");  // its check digit is right
    ASSERT_EQ(Focused(), w.Txt_Name);
    Commit(QString::fromUtf8("ほたる小児科"));
    // Yes to the deletion of every claim row, each time.
    int attempts = 0;
    const int failed = failEachWrite(&w, [&] {
        ++attempts;
        folder.messages().answer(mbYes);
        Click(w.Cmd_Reg);
        EXPECT_EQ(w.recordedNumber(), attempts <= 2 ? "4612345675" : "4611234560");
    });
    EXPECT_EQ(failed, 2);  // the deletion of the claim rows, the settings row
    EXPECT_EQ(DB().Scalar("SELECT count(*) FROM T_データ").toInt(), 0);
    EXPECT_EQ(DB().Scalar("SELECT name FROM T_設定").str(), "ほたる小児科");
}

// ---- Export ---------------------------------------------------------------------------

TEST_F(Failures, ExportIntoAFolderThatIsGone) {
    const fs::path fd = out / "fd";
    fs::create_directory(fd);
    submission::SetSaveDialog([&](QWidget*, const std::string&, const std::string& name) {
        return std::optional<std::string>((fd / name).string());
    });
    submission::FrmCsv w;
    w.setAttribute(Qt::WA_DeleteOnClose, false);
    w.show();
    Click(w.Cmd_Reference);
    submission::SetSaveDialog({});
    const auto shown = Shown(&w);
    const std::string db = DumpDatabase(folder.live());
    fs::remove(fd);  // the stick is pulled out

    folder.messages().clear();
    Click(w.Cmd_Reg);
    EXPECT_TRUE(messages("エラー").starts_with("予期せぬエラーです。")) << messages("エラー");
    EXPECT_EQ(DumpDatabase(folder.live()), db);
    EXPECT_TRUE(fs::is_empty(out.path()));
    EXPECT_EQ(Shown(&w), shown);
    EXPECT_EQ(w.outputFolder(), fd.string());

    // Put back, the same choice goes through.
    fs::create_directory(fd);
    folder.messages().clear();
    Click(w.Cmd_Reg);
    EXPECT_EQ(messages("処理確認"), "ＣＳＶ出力終了しました。\r\n");
    EXPECT_TRUE(fs::exists(fd / w.fileName()));
}

// Runs fn in a child process as the unprivileged user nobody (root ignores
// file permissions); returns what fn returned.
std::string AsNobody(const std::function<std::string()>& fn) {
    int pipefd[2];
    if (pipe(pipefd) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(pipefd[0]);
        std::string result;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
            result = "cannot become nobody";
        else
            result = fn();
        const char* p = result.data();
        std::size_t left = result.size();
        while (left > 0) {
            const ssize_t n = write(pipefd[1], p, left);
            if (n <= 0) break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipefd[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    close(pipefd[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return out;
}

// Opens the program folder to everybody, as a shared folder would be.
void OpenToAll(const fs::path& p) {
    fs::permissions(p, fs::perms::all);
    for (const auto& e : fs::directory_iterator(p)) fs::permissions(e.path(), fs::perms::all);
}

TEST_F(Failures, ExportIntoAReadOnlyFolder) {
    const fs::path fd = out / "write-protected";
    fs::create_directory(fd);
    fs::permissions(fd, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                            fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    folder.disconnect();
    OpenToAll(folder.dir());
    const std::string db = DumpDatabase(folder.live());
    const auto files = DumpFolder(folder.dir());

    const std::string result = AsNobody([&] {
        gDB = data::Database::Open(folder.live());
        submission::ExportResult r = submission::RunExport(fd);
        return std::to_string(static_cast<int>(r.status)) + "|" + r.message.title + "|" + r.message.prompt;
    });
    EXPECT_TRUE(result.starts_with(std::to_string(static_cast<int>(submission::ExportStatus::WriteFailed)) +
                                   "|エラー|予期せぬエラーです。"))
        << result;
    EXPECT_TRUE(fs::is_empty(fd));
    EXPECT_EQ(DumpDatabase(folder.live()), db);
    EXPECT_EQ(DumpFolder(folder.dir()), files);
    folder.reconnect();
}

// A submission file that cannot be read, and a list folder that cannot be
// written (empty, or holding the list of an earlier run): each says what
// went wrong once, in the right words, and leaves the folders as they were.
TEST_F(Failures, FloppyCheckOnFilesItCannotReadOrWrite) {
    DB().Execute("UPDATE T_設定 SET no = '1234560', request = '2008-03-01'");
    const std::string name = "4611234560-1-2002.CSV";
    const fs::path drive = out / "drive", lists = out / "lists";
    fs::create_directories(drive);
    fs::create_directories(lists);
    WriteFile(drive / name, "1,42002,4611234560,1,1,x\r\n2,x\r\n");
    const auto mode = [](const fs::path& p, fs::perms perms) { fs::permissions(p, perms); };
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    folder.disconnect();
    OpenToAll(folder.dir());
    fs::permissions(out.path(), fs::perms::all);
    fs::permissions(drive, fs::perms::all);
    fs::permissions(lists, fs::perms::all);
    fs::permissions(drive / name, fs::perms::all);
    const std::string opening = "確認:国保連合会提出用フロッピーのチェックを行います。\rフロッピーをセットして下さい。\n";
    const std::string listFailed = "エラー:予期せぬエラーです。\r\nエラーコード： 70\r\nチェックリスト '" +
                                   (lists / (name + "_Error.txt")).string() +
                                   "'：書き込みできません。リストは不完全です。\n"
                                   "エラー:ＦＤデータにエラーがあります。\r内容を確認して下さい。\n";
    struct Case {
        const char* why;
        std::function<void()> arrange;
        std::string shown;  // after the opening notice
    };
    for (const Case& c : std::vector<Case>{
             {"unreadable file", [&] { mode(drive / name, fs::perms::none); },
              "エラー:予期せぬエラーです。\r\nエラーコード： 70\r\nファイル '" + (drive / name).string() +
                  "' を読み込めません。（読み取りの権限がありません）\n"},
             {"read-only list folder", [&] { mode(lists, readOnly); }, listFailed},
             {"read-only list folder with an older list",
              [&] {
                  WriteFile(lists / (name + "_Error.txt"), "older");
                  mode(lists, readOnly);
              },
              listFailed}}) {
        SCOPED_TRACE(c.why);
        c.arrange();
        const auto drives = DumpFolder(drive);
        const auto listed = DumpFolder(lists);
        const std::string shown = AsNobody([&] {
            gDB = data::Database::Open(folder.live());
            submission::FloppyCheckOptions o;
            o.drive = drive;
            o.listFolder = lists;
            folder.messages().clear();
            submission::RunFloppyCheck(o);
            std::string s;
            for (const auto& m : folder.messages().shown) s += m.title + ":" + m.prompt + "\n";
            return s;
        });
        EXPECT_EQ(shown, opening + c.shown);
        EXPECT_EQ(DumpFolder(drive), drives);
        EXPECT_EQ(DumpFolder(lists), listed);
        mode(drive / name, fs::perms::all);
        mode(lists, fs::perms::all);
        fs::remove(lists / (name + "_Error.txt"));
    }
    folder.reconnect();
}

// ---- Start-up -----------------------------------------------------------------------------

TEST_F(Failures, ReadOnlyDatabaseGivesTheStartupMessageAndChangesNothing) {
    folder.disconnect();
    OpenToAll(folder.dir());
    fs::permissions(folder.live(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const auto files = DumpFolder(folder.dir());

    const std::string shown = AsNobody([&] {
        ResetDatabaseFiles();
        folder.messages().clear();
        const bool opened = OpenDatabaseAtStartup();
        std::string s = opened ? "opened" : "refused";
        for (const auto& m : folder.messages().shown) s += "|" + m.title + ":" + m.prompt;
        return s;
    });
    EXPECT_TRUE(shown.starts_with("refused|エラー:予期せぬエラーです。\r\nエラーコード： 3051\r\n")) << shown;
    EXPECT_TRUE(shown.ends_with("|処理確認:データベースの接続に失敗しました。\r")) << shown;
    EXPECT_EQ(DumpFolder(folder.dir()), files);
}

// A program folder that cannot be written: with a live file in it, that file
// is the clinic's data and the start-up says why it cannot be used, instead
// of starting on an empty file in the user's data folder; without one (an
// installed copy), the data folder holds the live file.
TEST_F(Failures, ReadOnlyProgramFolder) {
    folder.disconnect();
    const fs::path data = out / "data";
    fs::create_directory(data);
    fs::permissions(out.path(), fs::perms::all);
    fs::permissions(data, fs::perms::all);
    OpenToAll(folder.dir());
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    const auto start = [&] {
        fs::permissions(folder.dir(), readOnly);
        const std::string shown = AsNobody([&] {
            ::setenv("XDG_DATA_HOME", data.c_str(), 1);
            ResetDatabaseFiles();
            folder.messages().clear();
            const bool opened = OpenDatabaseAtStartup();
            std::string s = opened ? "opened " + CurrentDatabaseFiles().live.string() : "refused";
            for (const auto& m : folder.messages().shown) s += "|" + m.title + ":" + m.prompt;
            return s;
        });
        fs::permissions(folder.dir(), fs::perms::all);
        return shown;
    };
    const auto files = DumpFolder(folder.dir());
    EXPECT_EQ(start(), "refused|エラー:予期せぬエラーです。\r\nエラーコード： 3051\r\nフォルダー '" +
                           folder.dir().string() + "' に書き込めないため、ファイル '" + folder.live().string() +
                           "' を開けません。|処理確認:データベースの接続に失敗しました。\r");
    EXPECT_EQ(DumpFolder(folder.dir()), files);
    EXPECT_FALSE(fs::exists(data / "hotaru" / kLiveName));

    fs::rename(folder.live(), out / kLiveName);
    EXPECT_EQ(start(), "opened " + (data / "hotaru" / kLiveName).string());
    fs::rename(out / kLiveName, folder.live());
    ResetDatabaseFiles();
    folder.reconnect();
}

// Damaged live files: refused with the start-up message, and nothing in the
// program folder is written, renamed or left behind.
TEST_F(Failures, DamagedDatabaseFilesChangeNothing) {
    folder.disconnect();
    const std::string good = ReadFile(folder.live());
    for (const auto& [why, bytes] : std::map<std::string, std::string>{
             {"truncated", good.substr(0, good.size() / 3)},
             {"not a database", std::string("PK\3\4\24\0\0\0\10\0\0\0\0\0\0\0\0\0\0\0", 20) + good.substr(20, 4096)},
             {"empty", ""}}) {
        SCOPED_TRACE(why);
        WriteFile(folder.live(), bytes);
        const auto files = DumpFolder(folder.dir());
        folder.messages().clear();
        ResetDatabaseFiles();
        EXPECT_FALSE(OpenDatabaseAtStartup());
        ASSERT_FALSE(folder.messages().shown.empty());
        EXPECT_EQ(folder.messages().shown.back().prompt, "データベースの接続に失敗しました。\r");
        EXPECT_EQ(folder.messages().shown.back().title, "処理確認");
        EXPECT_EQ(DumpFolder(folder.dir()), files);
        gDB.reset();  // the program ends here
        EXPECT_EQ(DumpFolder(folder.dir()), files);
    }
    WriteFile(folder.live(), good);
    folder.reconnect();
}

// An old-layout file whose rows cannot all be carried over: the upgrade
// fails, and the live file is the old one, byte for byte.
TEST_F(Failures, UpgradeThatCannotCompleteKeepsTheLiveFile) {
    DB().Execute("ALTER TABLE T_基本 DROP COLUMN PublicPay2");
    DB().Execute("ALTER TABLE T_基本 DROP COLUMN PublicPay1");
    folder.disconnect();

    auto attempt = [&](const std::string& why, const std::string& cause) {
        SCOPED_TRACE(why);
        const std::string before = ReadFile(folder.live());
        folder.messages().clear();
        ResetDatabaseFiles();
        EXPECT_FALSE(OpenDatabaseAtStartup());
        ASSERT_EQ(folder.messages().shown.size(), 2u);
        EXPECT_EQ(folder.messages().shown[0].title, "エラー");
        EXPECT_NE(folder.messages().shown[0].prompt.find(cause), std::string::npos) << folder.messages().shown[0].prompt;
        EXPECT_EQ(folder.messages().shown[1].prompt, "データベースのアップデートに失敗しました。\r");
        EXPECT_EQ(ReadFile(folder.live()), before);
        EXPECT_FALSE(fs::exists(folder.live().string() + ".upgrade"));
        EXPECT_FALSE(gDB);
    };
    // A backup that cannot be written (its name is taken by a folder).
    fs::create_directory(folder.dir() / kBackupName);
    attempt("backup not writable", "cannot copy file");
    fs::remove(folder.dir() / kBackupName);
    // A template that is no database.
    const std::string templ = ReadFile(folder.dir() / kTemplateName);
    WriteFile(folder.dir() / kTemplateName, "not a database");
    attempt("template not a database", "エラーコード： 3343");
    WriteFile(folder.dir() / kTemplateName, templ);
    // A child whose insurance kind does not fit the new file's field.
    folder.reconnect();
    DB().Execute("INSERT INTO T_基本 (code, recipient, name, n_insurance) VALUES ('9', '000000009', 'x', 70000)");
    folder.disconnect();
    attempt("a row that cannot be copied", "オーバーフローしました。");
}

}  // namespace
}  // namespace hotaru::test
