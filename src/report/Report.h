#pragma once
// A small banded report: report header, page header, detail, page footer and
// report footer sections holding labels, text fields and rules positioned in
// twips (1,440 to the inch).  A report subclass fills its fields from its
// events; run() lays every page out once, after which the pages can be
// painted on any QPainter: a PDF, a printer or an image for the preview.
#include <QImage>
#include <QPageLayout>
#include <QString>
#include <QStringList>
#include <vector>

#include "report/Pagination.h"

class QPainter;
class QPagedPaintDevice;

namespace hotaru::report {

struct Control {
    enum class Kind { Label, Field, Line };
    Kind kind = Kind::Label;
    QString name;
    // Labels and fields: the box, in twips within the section.
    int left = 0, top = 0, width = 0, height = 0;
    // Rules: from (left, top) to (x2, y2).
    int x2 = 0, y2 = 0;
    int lineWidth = 15;  // twips
    QString text;
    int align = 0;       // Qt::Alignment flags
    bool wrap = false;   // labels whose caption breaks onto a second line
    double pointSize = 9;
    bool bold = false;
    int inset = 0;       // twips kept free on the left and right of the text
    // Fields: a text wider than its box is drawn in a smaller size rather
    // than cut off.
    bool shrinkToFit = true;
};

class Section {
public:
    int height = 0;

    Control& label(const QString& name, int left, int top, int width, int height, const QString& caption,
                   int align);
    Control& field(const QString& name, int left, int top, int width, int height, int align);
    Control& line(const QString& name, int x1, int y1, int x2, int y2, int width = 15);

    // A control by name; throws when there is none (a misspelt name is a bug).
    Control& operator[](const QString& name);
    const Control& operator[](const QString& name) const;
    int indexOf(const QString& name) const;
    const std::vector<Control>& controls() const { return controls_; }

private:
    std::vector<Control> controls_;
};

// Paper, orientation and margins (twips), and the font the layout was drawn for.
struct PageSetup {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Landscape;
    int marginLeft = 1440, marginTop = 1440, marginRight = 1440, marginBottom = 1440;
    QString fontFamily = QStringLiteral("IPAPGothic");
};

class Report {
public:
    Report() = default;
    virtual ~Report() = default;
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    Section reportHeader, pageHeader, detail, pageFooter, reportFooter;
    PageSetup page;
    QString title;  // the document's title (PDF, print job, preview)

    // The page being laid out (in the format events) or the number of pages.
    int pageNumber() const { return pageNumber_; }

    // Runs the events and lays out every page.  Errors from the events are
    // thrown on to the caller.
    void run();
    // Tells the report its preview is closing (once; later calls do nothing).
    void close();

    // The laid-out pages.
    struct Placed {
        SectionKind kind;
        int top;             // twips from the top of the printable area
        QStringList texts;   // one per control of the section, as formatted then
    };
    int pageCount() const { return static_cast<int>(pages_.size()); }
    const std::vector<Placed>& placedOn(int pageIndex) const { return pages_.at(pageIndex); }
    const Section& section(SectionKind kind) const;
    // The text a control showed on a placed section ("" for unknown names).
    QString text(const Placed& placed, const QString& controlName) const;

    QPageLayout pageLayout() const;
    int printableWidth() const;   // twips
    int printableHeight() const;  // twips

    // Paints one page (0-based) with the painter set up in twips, its origin
    // at the printable area's top-left.
    void paintPage(QPainter& painter, int pageIndex) const;
    // Paints pages first..last (1-based, inclusive) onto a paged device whose
    // page layout is already set; the layout is shrunk to fit a smaller
    // printable area.
    void render(QPagedPaintDevice& device, int first = 1, int last = -1) const;
    // Writes every page into a PDF file; false with a reason when it cannot.
    bool writePdf(const QString& path, QString* error = nullptr) const;
    // A page as a picture of the whole sheet at the given resolution.
    QImage pageImage(int pageIndex, double dpi) const;

protected:
    // Events, in the order run() raises them.
    virtual void reportStart() {}
    // Once per detail line: eof arrives true; clear it while there is a row.
    virtual void fetchData(bool& eof) { (void)eof; }
    virtual void pageHeaderFormat() {}
    virtual void reportFooterFormat() {}
    // The preview is closing.
    virtual void queryClose() {}

private:
    // Texts shaped once while pages are painted (defined with the painting).
    class ShapedTexts;

    Section& sectionRef(SectionKind kind);
    void place(const std::vector<Placement>& placements);
    void paintPage(QPainter& painter, int pageIndex, ShapedTexts& shaped) const;

    std::vector<std::vector<Placed>> pages_;
    int pageNumber_ = 0;
    bool closed_ = false;
};

}  // namespace hotaru::report
