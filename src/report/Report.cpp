#include "report/Report.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace hotaru::report {

namespace {

constexpr double kTwipsPerInch = 1440.0;
constexpr double kTwipsPerMm = kTwipsPerInch / 25.4;
// The smallest a field's text is shrunk to, as a share of its size.
constexpr double kMinShrink = 0.6;

double MmFromTwips(int twips) { return twips / kTwipsPerMm; }

// A caption too wide for its one line breaks where its author put spaces:
// "   自己負担   支払額" reads 自己負担 over 支払額.  A part still too wide
// is left to the painter's own wrapping.
QString BreakAtSpaces(const QString& text, const QFontMetricsF& fm, double width) {
    if (fm.horizontalAdvance(text) <= width || !text.contains(QLatin1Char(' '))) return text;
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char('\n'));
}

}  // namespace

// ---- Section ------------------------------------------------------------

Control& Section::label(const QString& name, int left, int top, int width, int height, const QString& caption,
                        int align) {
    Control c;
    c.kind = Control::Kind::Label;
    c.name = name;
    c.left = left;
    c.top = top;
    c.width = width;
    c.height = height;
    c.text = caption;
    c.align = align;
    controls_.push_back(c);
    return controls_.back();
}

Control& Section::field(const QString& name, int left, int top, int width, int height, int align) {
    Control& c = label(name, left, top, width, height, QString(), align);
    c.kind = Control::Kind::Field;
    return c;
}

Control& Section::line(const QString& name, int x1, int y1, int x2, int y2, int width) {
    Control c;
    c.kind = Control::Kind::Line;
    c.name = name;
    c.left = x1;
    c.top = y1;
    c.x2 = x2;
    c.y2 = y2;
    c.lineWidth = width;
    controls_.push_back(c);
    return controls_.back();
}

int Section::indexOf(const QString& name) const {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i].name == name) return static_cast<int>(i);
    return -1;
}

Control& Section::operator[](const QString& name) {
    int i = indexOf(name);
    if (i < 0) throw std::out_of_range("no report control named " + name.toStdString());
    return controls_[static_cast<std::size_t>(i)];
}

const Control& Section::operator[](const QString& name) const {
    return const_cast<Section&>(*this)[name];
}

// ---- Report: layout ----------------------------------------------------------

Section& Report::sectionRef(SectionKind kind) {
    switch (kind) {
    case SectionKind::ReportHeader: return reportHeader;
    case SectionKind::PageHeader: return pageHeader;
    case SectionKind::Detail: return detail;
    case SectionKind::PageFooter: return pageFooter;
    case SectionKind::ReportFooter: return reportFooter;
    }
    return detail;
}

const Section& Report::section(SectionKind kind) const { return const_cast<Report*>(this)->sectionRef(kind); }

QString Report::text(const Placed& placed, const QString& controlName) const {
    int i = section(placed.kind).indexOf(controlName);
    return i < 0 ? QString() : placed.texts.value(i);
}

void Report::place(const std::vector<Placement>& placements) {
    for (const Placement& pl : placements) {
        Section& s = sectionRef(pl.kind);
        if (s.height == 0 && s.controls().empty()) continue;
        if (pl.kind == SectionKind::PageHeader) {
            pageNumber_ = pl.page;
            pageHeaderFormat();
        }
        if (static_cast<int>(pages_.size()) < pl.page) pages_.resize(static_cast<std::size_t>(pl.page));
        Placed placed{pl.kind, pl.top, {}};
        placed.texts.reserve(static_cast<qsizetype>(s.controls().size()));
        for (const Control& c : s.controls()) placed.texts.push_back(c.text);
        pages_[static_cast<std::size_t>(pl.page - 1)].push_back(std::move(placed));
    }
}

void Report::run() {
    pages_.clear();
    pageNumber_ = 0;
    closed_ = false;
    reportStart();
    SectionHeights h;
    h.reportHeader = reportHeader.height;
    h.pageHeader = pageHeader.height;
    h.detail = detail.height;
    h.pageFooter = pageFooter.height;
    h.reportFooter = reportFooter.height;
    Paginator paginator(printableHeight(), h);
    place(paginator.start());
    for (;;) {
        bool eof = true;
        fetchData(eof);
        if (eof) break;
        place(paginator.detail());
    }
    reportFooterFormat();
    place(paginator.finish());
    pageNumber_ = paginator.pages();
}

void Report::close() {
    if (closed_) return;
    closed_ = true;
    queryClose();
}

QPageLayout Report::pageLayout() const {
    QMarginsF margins(MmFromTwips(page.marginLeft), MmFromTwips(page.marginTop), MmFromTwips(page.marginRight),
                      MmFromTwips(page.marginBottom));
    return QPageLayout(QPageSize(page.paper), page.orientation, margins, QPageLayout::Millimeter);
}

namespace {
QSize SheetTwips(const PageSetup& setup) {
    QSizeF mm = QPageSize(setup.paper).size(QPageSize::Millimeter);
    int w = static_cast<int>(std::lround(mm.width() * kTwipsPerMm));
    int h = static_cast<int>(std::lround(mm.height() * kTwipsPerMm));
    if (setup.orientation == QPageLayout::Landscape) std::swap(w, h);
    return {w, h};
}
}  // namespace

int Report::printableWidth() const { return SheetTwips(page).width() - page.marginLeft - page.marginRight; }

int Report::printableHeight() const { return SheetTwips(page).height() - page.marginTop - page.marginBottom; }

// ---- Report: painting ------------------------------------------------------

namespace {

// Fonts by pixel size: building a font and its metrics for every field of
// thousands of lines costs more than painting them.
struct FontEntry {
    QString family;
    int pixels;
    bool bold;
    QFont font;
    QFontMetricsF metrics;
};

const FontEntry& FontFor(const QString& family, int pixels, bool bold) {
    thread_local std::vector<FontEntry> cache;
    for (const FontEntry& e : cache)
        if (e.pixels == pixels && e.bold == bold && e.family == family) return e;
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(pixels);
    font.setBold(bold);
    cache.push_back(FontEntry{family, pixels, bold, font, QFontMetricsF(font)});
    return cache.back();
}

}  // namespace

void Report::paintPage(QPainter& painter, int pageIndex) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const FontEntry* current = nullptr;
    for (const Placed& placed : pages_.at(static_cast<std::size_t>(pageIndex))) {
        const auto& controls = section(placed.kind).controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control& c = controls[i];
            if (c.kind == Control::Kind::Line) {
                painter.setPen(QPen(Qt::black, c.lineWidth, Qt::SolidLine, Qt::SquareCap));
                painter.drawLine(QLineF(c.left, placed.top + c.top, c.x2, placed.top + c.y2));
                continue;
            }
            const QString& t = placed.texts.at(static_cast<qsizetype>(i));
            if (t.isEmpty()) continue;
            // Twips as pixels: 1 pt = 20 twips.
            const int pixels = static_cast<int>(std::lround(c.pointSize * 20));
            const FontEntry* f = &FontFor(page.fontFamily, pixels, c.bold);
            const QRectF box(c.left + c.inset, placed.top + c.top, c.width - 2 * c.inset, c.height);
            painter.setPen(Qt::black);
            if (c.wrap) {
                if (current != f) painter.setFont(f->font);
                current = f;
                painter.drawText(box, c.align | Qt::TextWordWrap, BreakAtSpaces(t, f->metrics, box.width()));
                continue;
            }
            // One line, placed by hand: much cheaper than a laid-out text box.
            double wide = f->metrics.horizontalAdvance(t);
            if (c.kind == Control::Kind::Field && c.shrinkToFit && wide > box.width()) {
                double k = std::max(kMinShrink, box.width() / wide);
                f = &FontFor(page.fontFamily, std::max(1, static_cast<int>(std::floor(pixels * k))), c.bold);
                wide = f->metrics.horizontalAdvance(t);
            }
            if (current != f) painter.setFont(f->font);
            current = f;
            double x = box.left();
            if (c.align & Qt::AlignRight) x = box.right() - wide;
            else if (c.align & Qt::AlignHCenter) x = box.center().x() - wide / 2;
            const QFontMetricsF& m = f->metrics;
            double y = box.top() + (box.height() - (m.ascent() + m.descent())) / 2 + m.ascent();
            const bool clip = wide > box.width() + 1;
            if (clip) {
                painter.save();
                painter.setClipRect(box, Qt::IntersectClip);
                // The start of an over-long text stays visible.
                x = box.left();
            }
            painter.drawText(QPointF(x, y), t);
            if (clip) painter.restore();
        }
    }
    painter.restore();
}

void Report::render(QPagedPaintDevice& device, int first, int last) const {
    if (last < 0 || last > pageCount()) last = pageCount();
    first = std::max(first, 1);
    QPainter painter;
    if (!painter.begin(&device)) throw std::runtime_error("the output device cannot be painted on");
    const double dpi = device.logicalDpiX();
    const QRect paint = device.pageLayout().paintRectPixels(static_cast<int>(dpi));
    double scale = dpi / kTwipsPerInch;
    // A printer whose printable area is smaller than the layout gets the
    // whole layout shrunk rather than its right or bottom edge cut off.
    double fit = std::min({1.0, paint.width() / (printableWidth() * scale),
                           paint.height() / (printableHeight() * scale)});
    if (fit > 0.995) fit = 1.0;
    for (int p = first; p <= last; ++p) {
        if (p > first) device.newPage();
        painter.save();
        painter.scale(scale * fit, scale * fit);
        paintPage(painter, p - 1);
        painter.restore();
    }
    painter.end();
}

bool Report::writePdf(const QString& path, QString* error) const {
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Hotaru"));
    writer.setPageLayout(pageLayout());
    try {
        render(writer);
    } catch (const std::exception&) {
        // The writer opens its file when painting begins.
        if (error) *error = QStringLiteral("ファイル '%1' に書き込めません。").arg(path);
        return false;
    }
    return true;
}

QImage Report::pageImage(int pageIndex, double dpi) const {
    QSize sheet = SheetTwips(page);
    double scale = dpi / kTwipsPerInch;
    QImage image(static_cast<int>(std::lround(sheet.width() * scale)),
                 static_cast<int>(std::lround(sheet.height() * scale)), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    painter.translate(page.marginLeft, page.marginTop);
    paintPage(painter, pageIndex);
    painter.end();
    return image;
}

}  // namespace hotaru::report
