#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "ui/QtMessages.h"

using namespace hotaru;
using namespace hotaru::ui;

namespace {

struct Seen {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    int width = 0, titleWidth = 0;
};

// Shows a message, looks at the box and presses Enter (the default button),
// or Escape.
int ShowAndPress(const std::string& prompt, int style, const std::string& title, Seen& seen, Qt::Key key = Qt::Key_Return) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
        if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
        seen.width = box->width();
        QFont bold = box->font();
        bold.setBold(true);
        seen.titleWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
        QTest::keyClick(box, key);
    });
    QtMessages messages;
    return messages.show(prompt, style, title);
}

}  // namespace

TEST(QtMessages, LinesSplitAtCrLfOrCr) {
    EXPECT_EQ(MessageText("a\r\nb\rc"), "a\nb\nc");
    EXPECT_EQ(MessageText("登録が完了しました。\r"), "登録が完了しました。");
}

TEST(QtMessages, YesNoWithTheSecondButtonAsDefault) {
    Seen seen;
    int answer = ShowAndPress("よろしいですか？", mbYesNo + mbExclamation + mbDefaultButton2, "処理確認", seen);
    EXPECT_EQ(answer, mbNo);
    EXPECT_EQ(seen.title, "処理確認");
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_EQ(seen.defaultButton, "いいえ(&N)");
}

TEST(QtMessages, IconsAndAnswers) {
    Seen seen;
    EXPECT_EQ(ShowAndPress("x\ry", mbCritical, "エラー", seen), mbOK);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.text, "x\ny");
    Seen q;
    EXPECT_EQ(ShowAndPress("?", mbYesNo + mbQuestion, "確認", q), mbYes);
    EXPECT_EQ(q.icon, QMessageBox::Question);
    Seen info;
    EXPECT_EQ(ShowAndPress("i", mbOKCancel + mbInformation, "t", info, Qt::Key_Escape), mbCancel);
    EXPECT_EQ(info.icon, QMessageBox::Information);
    Seen three;
    EXPECT_EQ(ShowAndPress("r", mbRetryCancel, "t", three), mbRetry);
    Seen ync;
    EXPECT_EQ(ShowAndPress("r", mbYesNoCancel + mbDefaultButton3, "t", ync), mbCancel);
    EXPECT_EQ(ync.buttons.size(), 3);
}



// A short message still leaves the title bar room for the whole title
// besides the window's icon and buttons.
TEST(QtMessages, BoxesAreWideEnoughForTheirTitle) {
    for (const char* title : {"処理確認", "キャンセル確認", "該当件数チェック"}) {
        Seen seen;
        ShowAndPress("OK", mbInformation, title, seen);
        EXPECT_GE(seen.width, seen.titleWidth + 120) << title;
    }
}

// Qt's own buttons and dialogs (save, folder, print) as the program shows them.
TEST(QtMessages, QtsOwnButtonsAndDialogsSpeakJapanese) {
    InstallApplicationLook();
    QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "保存");
    EXPECT_EQ(box.button(QDialogButtonBox::Open)->text(), "開く");
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "キャンセル");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "印刷");
}

