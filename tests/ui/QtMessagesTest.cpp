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

// Each box: the answer to Enter (the default button) or Escape, the icon,
// the buttons, the default one and the text; and room for the whole title
// besides the window's icon and buttons, even for a short message.
TEST(QtMessages, IconsButtonsAnswersAndWidth) {
    struct Case { const char* prompt; int style; const char* title; Qt::Key key; const char* expected; };
    const Case cases[] = {
        {"よろしいですか？", mbYesNo + mbExclamation + mbDefaultButton2, "処理確認", Qt::Key_Return,
         "7 2 いいえ(&N),はい(&Y) いいえ(&N) よろしいですか？"},
        {"x\ry", mbCritical, "エラー", Qt::Key_Return, "1 3 OK OK x\ny"},
        {"登録が完了しました。\r", mbYesNo + mbQuestion, "確認", Qt::Key_Return, "6 4 いいえ(&N),はい(&Y) はい(&Y) 登録が完了しました。"},
        {"a\r\nb", mbOKCancel + mbInformation, "キャンセル確認", Qt::Key_Escape, "2 1 OK,キャンセル OK a\nb"},
        {"r", mbRetryCancel, "該当件数チェック", Qt::Key_Return, "4 0 キャンセル,再試行(&R) 再試行(&R) r"},
        {"r", mbYesNoCancel + mbDefaultButton3, "t", Qt::Key_Return, "2 0 いいえ(&N),はい(&Y),キャンセル キャンセル r"},
    };
    for (const Case& c : cases) {
        Seen seen;
        const int answer = ShowAndPress(c.prompt, c.style, c.title, seen, c.key);
        seen.buttons.sort();
        EXPECT_EQ((QString::number(answer) + " " + QString::number(seen.icon) + " " + seen.buttons.join(",") + " " +
                   seen.defaultButton + " " + seen.text).toStdString(),
                  c.expected)
            << c.title;
        EXPECT_EQ(seen.title, QString::fromUtf8(c.title));
        EXPECT_GE(seen.width, seen.titleWidth + 120) << c.title;
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

