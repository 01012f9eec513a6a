#pragma once
// The modal preview of a laid-out report: page navigation, zoom, printing
// through the system's print dialog and export of the same pages to PDF.
#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

namespace hotaru::report {

class Report;

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    // The report must have run; it stays owned by the caller.
    explicit ReportPreview(const Report& report, QWidget* parent = nullptr);

    // Asks for the PDF file's path ("" = cancelled).  Replaceable for tests.
    using PdfPathChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    static void setPdfPathChooser(PdfPathChooser chooser);
    // Lets the user set up the printer; false = cancelled.  Replaceable for tests.
    using PrintDialogRunner = std::function<bool(QPrinter& printer, QWidget* parent)>;
    static void setPrintDialogRunner(PrintDialogRunner runner);

    int currentPage() const { return current_; }  // 0-based
    int pageCount() const;
    // Zoom in percent of the sheet's real size; 0 = fit the width, -1 = whole page.
    int zoom() const { return zoom_; }
    QString statusText() const;

public slots:
    void showPage(int index);
    void firstPage() { showPage(0); }
    void previousPage() { showPage(current_ - 1); }
    void nextPage() { showPage(current_ + 1); }
    void lastPage() { showPage(pageCount() - 1); }
    void setZoom(int percent);
    void printReport();
    void exportPdf();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    double displayDpi() const;

    const Report& report_;
    int current_ = 0;
    int zoom_ = 0;
    QScrollArea* scroll_ = nullptr;
    QLabel* pageView_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QComboBox* zoomBox_ = nullptr;
    QPushButton* firstButton_ = nullptr;
    QPushButton* prevButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* lastButton_ = nullptr;
};

}  // namespace hotaru::report
