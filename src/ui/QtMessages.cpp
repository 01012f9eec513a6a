#include "ui/QtMessages.h"

#include <QApplication>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleFactory>
#include <QTranslator>

namespace hotaru::ui {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonSpec> buttonsOf(int style) {
    switch (style & 0x0F) {
    case mbOKCancel: return {{QMessageBox::Ok, mbOK}, {QMessageBox::Cancel, mbCancel}};
    case mbAbortRetryIgnore:
        return {{QMessageBox::Abort, mbAbort}, {QMessageBox::Retry, mbRetry}, {QMessageBox::Ignore, mbIgnore}};
    case mbYesNoCancel: return {{QMessageBox::Yes, mbYes}, {QMessageBox::No, mbNo}, {QMessageBox::Cancel, mbCancel}};
    case mbYesNo: return {{QMessageBox::Yes, mbYes}, {QMessageBox::No, mbNo}};
    case mbRetryCancel: return {{QMessageBox::Retry, mbRetry}, {QMessageBox::Cancel, mbCancel}};
    default: return {{QMessageBox::Ok, mbOK}};
    }
}

QMessageBox::Icon iconOf(int style) {
    switch (style & 0x70) {
    case mbCritical: return QMessageBox::Critical;
    case mbQuestion: return QMessageBox::Question;
    case mbExclamation: return QMessageBox::Warning;
    case mbInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

const char* buttonCaption(QMessageBox::StandardButton b) {
    switch (b) {
    case QMessageBox::Ok: return "OK";
    case QMessageBox::Cancel: return "キャンセル";
    case QMessageBox::Yes: return "はい(&Y)";
    case QMessageBox::No: return "いいえ(&N)";
    case QMessageBox::Abort: return "中止(&A)";
    case QMessageBox::Retry: return "再試行(&R)";
    case QMessageBox::Ignore: return "無視(&I)";
    default: return "";
    }
}

// The window manager puts the window's icon and buttons beside the title;
// a box only as wide as a short message cuts its title ("処…認").
constexpr int kTitleBarRoom = 160;

void WidenForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

}  // namespace

QString MessageText(const std::string& prompt) {
    QString text = QString::fromStdString(prompt);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    // A message whose last line ends with a break shows no empty line below.
    while (text.endsWith(QChar('\n'))) text.chop(1);
    return text;
}

int QtMessages::show(const std::string& prompt, int style, const std::string& title) {
    QMessageBox box(iconOf(style), QString::fromStdString(title), MessageText(prompt), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    const auto specs = buttonsOf(style);
    std::vector<QPushButton*> buttons;
    for (const auto& s : specs) {
        QPushButton* b = box.addButton(s.button);
        b->setText(QString::fromUtf8(buttonCaption(s.button)));
        buttons.push_back(b);
    }
    std::size_t def = static_cast<std::size_t>((style & 0xF00) >> 8);
    if (def >= buttons.size()) def = 0;
    box.setDefaultButton(buttons[def]);
    // Escape answers Cancel where there is one; a box with OK only closes with OK.
    for (std::size_t i = 0; i < specs.size(); ++i) {
        if (specs[i].answer == mbCancel || specs.size() == 1) box.setEscapeButton(buttons[i]);
    }
    WidenForTitle(box);
    // An hourglass left by the caller must not hide the pointer over the box.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    QAbstractButton* clicked = box.clickedButton();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (clicked == buttons[i]) return specs[i].answer;
    }
    // Closed without a button (window manager): the escape answer, else the default.
    for (const auto& s : specs) {
        if (s.answer == mbCancel) return mbCancel;
    }
    return specs[def].answer;
}

void QtMessages::beep() { QApplication::beep(); }

QFont GothicFont(double pointSize) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPointSizeF(pointSize);
    f.setStyleHint(QFont::TypeWriter);
    return f;
}

QFont PGothicFont(double pointSize) {
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPointSizeF(pointSize);
    return f;
}

namespace {

// Qt's own texts (standard buttons, the file, folder and print dialogs) in
// Japanese whatever the desktop's locale: the program speaks Japanese only.
void InstallQtTranslations() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // qt_ja gathers the other modules' catalogues where the system has them.
    for (const char* name : {"qtbase_ja", "qt_ja"}) {
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (translator->load(QString::fromLatin1(name), dir)) QCoreApplication::installTranslator(translator);
        else delete translator;
    }
}

}  // namespace

void InstallApplicationLook() {
    InstallQtTranslations();
    QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic"));
    QFont::insertSubstitution(QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"));
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) QApplication::setStyle(fusion);
    QApplication::setFont(PGothicFont(10));
}

}  // namespace hotaru::ui
