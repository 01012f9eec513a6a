#include "submission/CheckListViewer.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include "common/Errors.h"
#include "common/Messages.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "submission/FloppyCheck.h"
#include "submission/SubmissionFile.h"
#include "ui/QtMessages.h"

namespace hotaru::submission {

QString CheckListText(const std::filesystem::path& list, const ListViewLimits& limits) {
    QString text;
    std::size_t lines = 0, chars = 0, left = 0;
    std::string utf8;
    ForEachFileLine(list, [&](std::string_view raw) {
        if (lines >= limits.lines || chars >= limits.chars) {
            ++left;
            return;
        }
        // Only the start of a long line is decoded: a character takes at
        // most two bytes, and the cut falls well before a character that the
        // end of the piece may have split.
        utf8.clear();
        AppendDecoded(utf8, raw.substr(0, 2 * limits.lineChars + 2));
        QString line;
        if (CharCount(utf8) > limits.lineChars || raw.size() > 2 * limits.lineChars + 2)
            line = QString::fromStdString(LeftChars(utf8, limits.lineChars) + "…（以下略）");
        else
            line = QString::fromStdString(utf8);
        text += line;
        text += QLatin1Char('\n');
        ++lines;
        chars += static_cast<std::size_t>(line.size());
    });
    if (left > 0)
        text += QString::fromUtf8("（ここから先の " + std::to_string(left) +
                                  " 行は表示していません。すべての行は「エディタで開く」で確認できます。）\n");
    return text;
}

namespace {

// A desktop without an editor for text files must not leave the click
// unanswered: say so, and where the list is.
void SayNoEditor(const std::filesystem::path& file) {
    MsgBox(std::string("テキストエディタを起動できませんでした。\r") + "チェックリストのファイル：\r" + file.string(),
           mbExclamation, "エラー");
}

// xdg-open tells by its exit status whether anything could open the file
// (3: nothing for text files).  It is watched, not waited for: on some
// desktops it stays until the editor is closed.  Without it, Qt's own
// opener answers at once.
bool DesktopEditor(const std::filesystem::path& file) {
    const QString path = QString::fromStdString(file.string());
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    auto* opener = new QProcess(QCoreApplication::instance());
    QObject::connect(opener, &QProcess::finished, opener, [opener, file](int code, QProcess::ExitStatus status) {
        opener->deleteLater();
        if (status == QProcess::NormalExit && code != 0) Trap([&] { SayNoEditor(file); });
    });
    opener->start(xdgOpen, {path});
    if (opener->waitForStarted()) return true;
    delete opener;
    return false;
}

CheckListViewer::EditorOpener& Opener() {
    static CheckListViewer::EditorOpener opener = DesktopEditor;
    return opener;
}

}  // namespace

void CheckListViewer::setEditorOpener(EditorOpener opener) {
    Opener() = opener ? std::move(opener) : EditorOpener(DesktopEditor);
}

CheckListViewer::CheckListViewer(const std::filesystem::path& list, QWidget* parent)
    : QWidget(parent, Qt::Window), path_(list) {
    setObjectName("Frm_CheckList");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromStdString(list.filename().string()));

    Txt_List = new QPlainTextEdit(this);
    Txt_List->setObjectName("Txt_List");
    Txt_List->setReadOnly(true);
    Txt_List->setLineWrapMode(QPlainTextEdit::NoWrap);
    // IPA Gothic: every full-width character exactly two half-width ones
    // wide.  A whole number of pixels per half-width character keeps the
    // columns aligned however the screen's resolution rounds a point size.
    QFont font = ui::GothicFont();
    font.setPixelSize(14);
    Txt_List->setFont(font);
    Cmd_Editor = new QPushButton(QString::fromUtf8("エディタで開く"), this);
    Cmd_Editor->setObjectName("Cmd_Editor");
    Cmd_Close = new QPushButton(QString::fromUtf8("閉じる"), this);
    Cmd_Close->setObjectName("Cmd_Close");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Cmd_Editor);
    buttons->addWidget(Cmd_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Txt_List, 1);
    layout->addLayout(buttons);

    Trap([&] { Txt_List->setPlainText(CheckListText(list)); });
    const QFontMetrics fm(Txt_List->font());
    resize(fm.horizontalAdvance(QLatin1Char('0')) * 120, fm.lineSpacing() * 24);

    connect(Cmd_Editor, &QPushButton::clicked, this, [this] { Trap([this] { openInEditor(); }); });
    connect(Cmd_Close, &QPushButton::clicked, this, &QWidget::close);
}

void CheckListViewer::openInEditor() {
    if (!Opener()(path_)) SayNoEditor(path_);
}

CheckListViewer* ShowCheckList(const std::filesystem::path& list, QWidget* parent) {
    auto* viewer = new CheckListViewer(list, parent);
    viewer->show();
    viewer->raise();
    return viewer;
}

void RunFloppyCheckFromMenu(QWidget* menu) {
    FloppyCheckOptions options;
    options.drive = DefaultDriveFolder();
    options.listFolder = DataDir();
    options.openList = [menu](const std::filesystem::path& list) { ShowCheckList(list, menu); };
    RunFloppyCheck(options);
}

}  // namespace hotaru::submission
