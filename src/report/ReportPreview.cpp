#include "report/ReportPreview.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Messages.h"
#include "report/Report.h"

namespace hotaru::report {

namespace {

QString DefaultPdfPath(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDF出力"), suggested,
                                        QStringLiteral("PDF (*.pdf)"));
}

bool DefaultPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(printer.fromPage(), printer.toPage());
    return dialog.exec() == QDialog::Accepted;
}

ReportPreview::PdfPathChooser& PdfChooser() {
    static ReportPreview::PdfPathChooser chooser = DefaultPdfPath;
    return chooser;
}

ReportPreview::PrintDialogRunner& PrintRunner() {
    static ReportPreview::PrintDialogRunner runner = DefaultPrintDialog;
    return runner;
}

// The hourglass while pages are painted for a printer or a file.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void ReportPreview::setPdfPathChooser(PdfPathChooser chooser) {
    PdfChooser() = chooser ? std::move(chooser) : PdfPathChooser(DefaultPdfPath);
}

void ReportPreview::setPrintDialogRunner(PrintDialogRunner runner) {
    PrintRunner() = runner ? std::move(runner) : PrintDialogRunner(DefaultPrintDialog);
}

ReportPreview::ReportPreview(const Report& report, QWidget* parent) : QDialog(parent), report_(report) {
    setWindowTitle(report.title);
    setModal(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    auto* bar = new QHBoxLayout;
    auto button = [&](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    firstButton_ = button("firstButton", QStringLiteral("|◀"), QStringLiteral("先頭ページ"));
    prevButton_ = button("prevButton", QStringLiteral("◀"), QStringLiteral("前のページ"));
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("pageLabel"));
    pageLabel_->setMinimumWidth(90);
    pageLabel_->setAlignment(Qt::AlignCenter);
    bar->addWidget(pageLabel_);
    nextButton_ = button("nextButton", QStringLiteral("▶"), QStringLiteral("次のページ"));
    lastButton_ = button("lastButton", QStringLiteral("▶|"), QStringLiteral("最終ページ"));
    bar->addSpacing(16);
    zoomBox_ = new QComboBox(this);
    zoomBox_->setObjectName(QStringLiteral("zoomBox"));
    zoomBox_->addItem(QStringLiteral("幅に合わせる"), 0);
    zoomBox_->addItem(QStringLiteral("ページ全体"), -1);
    for (int p : {50, 75, 100, 125, 150, 200}) zoomBox_->addItem(QStringLiteral("%1%").arg(p), p);
    bar->addWidget(zoomBox_);
    bar->addSpacing(16);
    QPushButton* print = button("printButton", QStringLiteral("印刷..."), QStringLiteral("印刷します"));
    QPushButton* pdf = button("pdfButton", QStringLiteral("PDF出力..."), QStringLiteral("PDFファイルに書き出します"));
    bar->addStretch(1);
    QPushButton* close = button("closeButton", QStringLiteral("閉じる"), QString());

    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    pageView_ = new QLabel;
    pageView_->setObjectName(QStringLiteral("pageView"));
    scroll_->setWidget(pageView_);
    // The fitting zooms follow the page area's own size: the dialog's first
    // resize comes before its layout has sized the area.
    scroll_->installEventFilter(this);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));

    auto* root = new QVBoxLayout(this);
    root->addLayout(bar);
    root->addWidget(scroll_, 1);
    root->addWidget(status_);

    connect(firstButton_, &QPushButton::clicked, this, &ReportPreview::firstPage);
    connect(prevButton_, &QPushButton::clicked, this, &ReportPreview::previousPage);
    connect(nextButton_, &QPushButton::clicked, this, &ReportPreview::nextPage);
    connect(lastButton_, &QPushButton::clicked, this, &ReportPreview::lastPage);
    connect(zoomBox_, &QComboBox::currentIndexChanged, this,
            [this](int i) { setZoom(zoomBox_->itemData(i).toInt()); });
    connect(print, &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(pdf, &QPushButton::clicked, this, &ReportPreview::exportPdf);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    resize(1180, 860);
    refresh();
}

int ReportPreview::pageCount() const { return report_.pageCount(); }

QString ReportPreview::statusText() const { return status_->text(); }

void ReportPreview::showPage(int index) {
    index = std::clamp(index, 0, std::max(0, pageCount() - 1));
    if (index == current_ && !pageView_->pixmap().isNull()) return;
    current_ = index;
    refresh();
    scroll_->verticalScrollBar()->setValue(0);
}

void ReportPreview::setZoom(int percent) {
    if (percent == zoom_) return;
    zoom_ = percent;
    int i = zoomBox_->findData(percent);
    if (i >= 0 && i != zoomBox_->currentIndex()) {
        QSignalBlocker block(zoomBox_);
        zoomBox_->setCurrentIndex(i);
    }
    refresh();
}

double ReportPreview::displayDpi() const {
    double screenDpi = logicalDpiX() > 0 ? logicalDpiX() : 96.0;
    if (zoom_ > 0) return screenDpi * zoom_ / 100.0;
    // The sheet's size in inches, from the layout's paper.
    QSizeF inches = report_.pageLayout().fullRect(QPageLayout::Inch).size();
    // The room the area gives without scroll bars; a page fitted to the width
    // is normally taller than the area, so room is kept for the vertical bar.
    // The page's size then never depends on the bars it causes.
    QSize room = scroll_->maximumViewportSize() - QSize(24, 24);
    if (zoom_ == 0) room.rwidth() -= scroll_->verticalScrollBar()->sizeHint().width();
    double byWidth = room.width() / inches.width();
    if (zoom_ == 0) return std::max(20.0, byWidth);
    return std::max(20.0, std::min(byWidth, room.height() / inches.height()));
}

void ReportPreview::refresh() {
    int count = pageCount();
    pageLabel_->setText(QStringLiteral("%1 / %2").arg(count ? current_ + 1 : 0).arg(count));
    firstButton_->setEnabled(current_ > 0);
    prevButton_->setEnabled(current_ > 0);
    nextButton_->setEnabled(current_ + 1 < count);
    lastButton_->setEnabled(current_ + 1 < count);
    if (count == 0) {
        pageView_->clear();
        return;
    }
    double dpr = devicePixelRatioF();
    QImage image = report_.pageImage(current_, displayDpi() * dpr);
    image.setDevicePixelRatio(dpr);
    pageView_->setPixmap(QPixmap::fromImage(image));
    pageView_->resize(pageView_->sizeHint());
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == scroll_ && event->type() == QEvent::Resize && zoom_ <= 0) refresh();
    return QDialog::eventFilter(watched, event);
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageDown: nextPage(); return;
    case Qt::Key_PageUp: previousPage(); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) { firstPage(); return; }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) { lastPage(); return; }
        break;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

void ReportPreview::printReport() {
    if (pageCount() == 0) return;
    QPrinter printer(QPrinter::HighResolution);
    // Paper and orientation first: a printer that cannot print as close to
    // the edge as the layout wants keeps its own margins (the pages are then
    // shrunk to fit) but still prints A4 landscape.
    const QPageLayout wanted = report_.pageLayout();
    printer.setPageSize(wanted.pageSize());
    printer.setPageOrientation(wanted.orientation());
    printer.setPageMargins(wanted.margins(), wanted.units());
    printer.setDocName(report_.title);
    printer.setFromTo(1, pageCount());
    if (!PrintRunner()(printer, this)) return;
    int first = 1;
    int last = pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage();
        last = std::max(first, printer.toPage());
    }
    try {
        BusyCursor busy;
        report_.render(printer, first, last);
    } catch (const std::exception&) {
        MsgBox("印刷できませんでした。", mbExclamation, "エラー");
        return;
    }
    status_->setText(QStringLiteral("印刷しました (%1 - %2 ページ)").arg(first).arg(last));
}

void ReportPreview::exportPdf() {
    QString suggested = QDir::home().filePath(report_.title + QStringLiteral(".pdf"));
    QString path = PdfChooser()(this, suggested);
    if (path.isEmpty()) return;
    QString error;
    bool ok;
    {
        BusyCursor busy;
        ok = report_.writePdf(path, &error);
    }
    if (!ok) {
        MsgBox(error.toStdString(), mbExclamation, "エラー");
        return;
    }
    status_->setText(QStringLiteral("PDFを書き出しました: %1").arg(QDir::toNativeSeparators(path)));
}

}  // namespace hotaru::report
