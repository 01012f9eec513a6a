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

// Each box: the answer to Enter (the default button) or Escape, the icon,
// the buttons, the default one, the title and the text; and room for the
// whole title besides the window's icon and buttons, even for a short message.
TEST(QtMessages, IconsButtonsAnswersAndWidth) {
    struct Case { const char* prompt; int style; const char* title; Qt::Key key; const char* expected; };
    const Case cases[] = {
        {"よろしいですか？", mbYesNo + mbExclamation + mbDefaultButton2, "処理確認", Qt::Key_Return,
         "7 2 いいえ(&N),はい(&Y) いいえ(&N) 処理確認 よろしいですか？"},
        {"x\ry", mbCritical, "エラー", Qt::Key_Return, "1 3 OK OK エラー x\ny"},
        {"登録が完了しました。\r", mbYesNo + mbQuestion, "確認", Qt::Key_Return, "6 4 いいえ(&N),はい(&Y) はい(&Y) 確認 登録が完了しました。"},
        {"a\r\nb", mbOKCancel + mbInformation, "キャンセル確認", Qt::Key_Escape, "2 1 OK,キャンセル OK キャンセル確認 a\nb"},
        {"r", mbRetryCancel, "該当件数チェック", Qt::Key_Return, "4 0 キャンセル,再試行(&R) 再試行(&R) 該当件数チェック r"},
        {"r", mbYesNoCancel + mbDefaultButton3, "t", Qt::Key_Return, "2 0 いいえ(&N),はい(&Y),キャンセル キャンセル t r"},
    };
    for (const Case& c : cases) {
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            QStringList buttons;
            for (QAbstractButton* b : box->buttons()) buttons << b->text();
            buttons.sort();
            seen = " " + QString::number(box->icon()) + " " + buttons.join(",") + " " +
                   (box->defaultButton() ? box->defaultButton()->text() : "-") + " " + box->windowTitle() + " " + box->text();
            QFont bold = box->font();
            bold.setBold(true);
            EXPECT_GE(box->width(), QFontMetrics(bold).horizontalAdvance(box->windowTitle()) + 120) << c.title;
            QTest::keyClick(box, c.key);
        });
        const int answer = QtMessages().show(c.prompt, c.style, c.title);
        EXPECT_EQ((QString::number(answer) + seen).toStdString(), c.expected);
    }
}

// Qt's own buttons and dialogs (save, folder, print) as the program shows them.
TEST(QtMessages, QtsOwnButtonsAndDialogsSpeakJapanese) {
    InstallApplicationLook();
    QDialogButtonBox box(QDialogButtonBox::Save | QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text() + box.button(QDialogButtonBox::Open)->text() +
                  box.button(QDialogButtonBox::Cancel)->text(), "保存開くキャンセル");
    EXPECT_EQ(QCoreApplication::translate("QPrintDialog", "Print"), "印刷");
}
