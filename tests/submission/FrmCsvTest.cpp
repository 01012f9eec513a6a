// The export window and the check list viewer, driven as the user drives them.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>

#include "common/Paths.h"
#include "submission/CheckListViewer.h"
#include "submission/FloppyCheck.h"
#include "submission/FrmCsv.h"
#include "SubmissionData.h"
#include "support/TableDump.h"
#include "support/WindowDriving.h"

using namespace hotaru;
using namespace hotaru::submission;
namespace fs = std::filesystem;

namespace {

const std::string kName = "4611234560-1-2002.CSV";

class FrmCsvTest : public ::testing::Test {
protected:
    test::ProgramFolder program;
    test::TempDir out;
    test::TempDir other;
    std::vector<std::pair<std::string, std::string>> asked;  // (folder, name) the dialog was opened with
    std::optional<std::string> answer;

    void SetUp() override {
        SetSaveDialog([this](QWidget*, const std::string& folder, const std::string& name) {
            asked.emplace_back(folder, name);
            return answer;
        });
    }
    void TearDown() override { SetSaveDialog({}); }

    void settings(std::optional<std::string> path) { test::PutSettings({.no = "1234560", .path = std::move(path)}); }
    FrmCsv* open() {
        win = std::make_unique<FrmCsv>();
        win->setAttribute(Qt::WA_DeleteOnClose, false);
        EXPECT_TRUE(test::ShowActive(*win));
        program.messages().clear();
        return win.get();
    }
    std::string path() { return win->Txt_Path->text().toStdString(); }

    std::unique_ptr<FrmCsv> win;
};

}  // namespace

TEST_F(FrmCsvTest, OpensOnTheLastFolderOrHomeWithTheFixedName) {
    for (const auto& [stored, shown] : std::vector<std::pair<std::optional<std::string>, std::string>>{
             {out.path().string(), (out / kName).string()},
             {std::nullopt, (HomeDir() / kName).string()},
             {std::string(), (HomeDir() / kName).string()}}) {
        settings(stored);
        open();
        EXPECT_EQ(path(), shown);
        EXPECT_EQ(win->outputFolder() + "/" + win->fileName(), shown);
        EXPECT_EQ(DefaultDriveFolder() / kName, shown);  // the floppy check's drive
    }
    // Without settings nothing is shown or written.
    DB().Execute("DELETE FROM T_設定");
    open();
    EXPECT_EQ(path(), "");
    EXPECT_EQ(DefaultDriveFolder(), HomeDir());
    test::Click(win->Cmd_Reg);
    ASSERT_EQ(program.messages().shown.size(), 1u);
    EXPECT_EQ(program.messages().shown[0].title, "処理確認");
    EXPECT_TRUE(fs::is_empty(out.path()));
}

TEST_F(FrmCsvTest, ReferenceKeepsTheChosenFolderButNotAnotherName) {
    settings(out.path().string());
    open();
    answer = (other / "mine.csv").string();
    test::Click(win->Cmd_Reference);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(out.path().string(), kName));
    ASSERT_EQ(program.messages().shown.size(), 1u);
    EXPECT_EQ(test::Msg(program.messages().shown[0]),
              test::Msg("Hotaru", mbOKOnly, "ＣＳＶファイル名(" + kName + ")は変更できません。"));
    // A cancelled dialog changes nothing.
    answer.reset();
    test::Click(win->Cmd_Reference);
    EXPECT_EQ(path(), (other / kName).string());
    EXPECT_EQ(win->outputFolder(), other.path().string());
}

// The folder pulled out after it was chosen: the standard error, nothing
// written, the choice kept; put back, the same choice goes through.
TEST_F(FrmCsvTest, ExportIntoAFolderThatIsGone) {
    settings(out.path().string());
    test::PutClaim({});
    open();
    const fs::path fd = other / "fd";
    fs::create_directory(fd);
    answer = (fd / kName).string();
    test::Click(win->Cmd_Reference);
    const std::string db = test::DumpDatabase(program.live());
    fs::remove(fd);
    program.messages().clear();
    test::Click(win->Cmd_Reg);
    EXPECT_TRUE(test::Said(program.messages()).starts_with("エラー:予期せぬエラーです。")) << test::Said(program.messages());
    EXPECT_EQ(test::DumpDatabase(program.live()), db);
    EXPECT_TRUE(fs::is_empty(other.path()) && fs::is_empty(out.path()));
    EXPECT_EQ(path() + "|" + win->outputFolder(), (fd / kName).string() + "|" + fd.string());

    fs::create_directory(fd);
    program.messages().clear();
    test::Click(win->Cmd_Reg);
    EXPECT_EQ(test::Said(program.messages()), "処理確認:ＣＳＶ出力終了しました。\r\n");
    EXPECT_TRUE(fs::exists(fd / kName));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FrmCsvTest, KeyboardReachesAndPressesEveryButton) {
    settings(out.path().string());
    open();
    test::ExpectKeyboardWalk({win->Txt_Path, win->Cmd_Reference, win->Cmd_Reg, win->Cmd_End});
    // Enter presses the focused button, in the check list viewer as well.
    test::WriteFile(other / "list.txt", "1\r\n");
    CheckListViewer* viewer = ShowCheckList(other / "list.txt", nullptr);
    QSignalSpy closed(win.get(), &ui::Form::closed);
    for (QPushButton* b : {win->Cmd_Reference, win->Cmd_Reg, viewer->Cmd_Close, win->Cmd_End}) {
        ASSERT_TRUE(test::ShowActive(*b->window()));
        QSignalSpy clicked(b, &QPushButton::clicked);
        b->setFocus();
        EXPECT_TRUE(test::FocusShown(b)) << b->objectName().toStdString();
        test::Press(Qt::Key_Return);
        EXPECT_EQ(clicked.count(), 1) << b->objectName().toStdString();
    }
    EXPECT_FALSE(win->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(FrmCsvTest, TheViewerShowsTheListInAFixedPitchFace) {
    // (A check from the menu opening its list here is the acceptance month's, with odd names.)
    test::WriteFile(out / "list.txt", ToSjis("/エラー/市町村番号が数値ではない\r\n"));
    CheckListViewer* v = ShowCheckList(out / "list.txt", nullptr);
    EXPECT_TRUE(v->isVisible());
    EXPECT_FALSE(v->isModal());
    EXPECT_TRUE(v->Txt_List->toPlainText().contains(QString::fromUtf8("/エラー/市町村番号が数値ではない")));
    EXPECT_EQ(QFontInfo(v->Txt_List->font()).family(), "IPAGothic");
    const QFontMetrics fm(v->Txt_List->font());
    EXPECT_EQ(fm.horizontalAdvance(QString::fromUtf8("　")), 2 * fm.horizontalAdvance(QLatin1Char(' ')));
    v->close();
}

TEST_F(FrmCsvTest, TheViewerSaysWhenTheDesktopHasNoEditor) {
    const fs::path list = out / (kName + "_Error.txt");
    test::WriteFile(list, "x\r\n");
    bool editorThere = false;
    std::vector<fs::path> opened;
    CheckListViewer::setEditorOpener([&](const fs::path& file) {
        opened.push_back(file);
        return editorThere;
    });
    CheckListViewer* v = ShowCheckList(list);
    test::Click(v->Cmd_Editor);
    ASSERT_EQ(program.messages().shown.size(), 1u);
    EXPECT_EQ(test::Msg(program.messages().shown[0]),
              test::Msg("エラー", mbExclamation,
                        "テキストエディタを起動できませんでした。\rチェックリストのファイル：\r" + list.string()));
    editorThere = true;
    test::Click(v->Cmd_Editor);
    EXPECT_EQ(program.messages().shown.size(), 1u);
    EXPECT_EQ(opened, (std::vector<fs::path>{list, list}));
    CheckListViewer::setEditorOpener({});
    v->close();
}

TEST(CheckListText, LongLinesAreCutAndLinesBeyondTheLimitsCounted) {
    // The file keeps everything; the viewer shows the start of a long line
    // (a byte that is not Shift_JIS reads "?") and stops at the line or
    // character limit, saying how many lines it left out.
    test::TempDir dir;
    const std::string a = ToSjis("ア");
    std::string longLine;
    for (int i = 0; i < 100000; ++i) longLine += a + "\xFF";
    test::WriteFile(dir / "list.txt", ToSjis("題") + "\r\n" + longLine + "\r\nxyz\r\n" + std::string(30, 'b') + "\r\nc\r\nd\r\n");
    EXPECT_EQ(CheckListText(dir / "list.txt", {6, 100, 100}).toStdString(),
              "題\nア?ア?ア?…（以下略）\nxyz\nbbbbbb…（以下略）\nc\nd\n");
    EXPECT_EQ(CheckListText(dir / "list.txt", {6, 3, 100}).toStdString(),
              "題\nア?ア?ア?…（以下略）\nxyz\n（ここから先の 3 行は表示していません。すべての行は「エディタで開く」で確認できます。）\n");
    EXPECT_EQ(CheckListText(dir / "list.txt", {6, 100, 20}).toStdString(),
              "題\nア?ア?ア?…（以下略）\nxyz\nbbbbbb…（以下略）\n（ここから先の 2 行は表示していません。すべての行は「エディタで開く」で確認できます。）\n");
}
