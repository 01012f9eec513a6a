#include "report/Report.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <deque>
#include <stdexcept>
#include <unordered_map>

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
// thousands of lines costs more than painting them.  A deque, so that an
// entry stays where it is while others are added.
struct FontEntry {
    QString family;
    int pixels;
    bool bold;
    QFont font;
    QFontMetricsF metrics;
};

const FontEntry& FontFor(const QString& family, int pixels, bool bold) {
    thread_local std::deque<FontEntry> cache;
    for (const FontEntry& e : cache)
        if (e.pixels == pixels && e.bold == bold && e.family == family) return e;
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setPixelSize(pixels);
    font.setBold(bold);
    cache.push_back(FontEntry{family, pixels, bold, font, QFontMetricsF(font)});
    return cache.back();
}

// One line of text as the painter would shape it: its glyphs placed from
// the start of the baseline, and its width.
struct ShapedText {
    QList<QGlyphRun> runs;
    double width = 0;
};

ShapedText Shape(const FontEntry& f, const QString& text) {
    QTextLayout layout(text, f.font);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    ShapedText shaped;
    shaped.width = line.horizontalAdvance();
    const QPointF baseline(line.x(), line.y() + line.ascent());
    for (QGlyphRun run : layout.glyphRuns()) {
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) p -= baseline;
        run.setPositions(positions);
        shaped.runs.push_back(std::move(run));
    }
    return shaped;
}

// Vertical rules on the same x that meet or overlap, such as the column
// rules of consecutive detail lines, become one rule from the first top to
// the last bottom: the same ink in a fraction of the drawing.
std::vector<QLineF> JoinVerticalRules(const std::vector<QLineF>& lines) {
    std::vector<QLineF> joined, vertical;
    for (const QLineF& l : lines) {
        if (l.x1() != l.x2()) joined.push_back(l);
        else vertical.emplace_back(l.x1(), std::min(l.y1(), l.y2()), l.x1(), std::max(l.y1(), l.y2()));
    }
    std::sort(vertical.begin(), vertical.end(), [](const QLineF& a, const QLineF& b) {
        return a.x1() != b.x1() ? a.x1() < b.x1() : a.y1() < b.y1();
    });
    const std::size_t firstVertical = joined.size();
    for (const QLineF& v : vertical) {
        QLineF* last = joined.size() > firstVertical ? &joined.back() : nullptr;
        if (last && last->x1() == v.x1() && v.y1() <= last->y2())
            last->setP2(QPointF(v.x1(), std::max(last->y2(), v.y2())));
        else
            joined.push_back(v);
    }
    return joined;
}

}  // namespace

// A list repeats its names, dates, codes and amounts on page after page, and
// shaping a text costs more than drawing its glyphs: each distinct text is
// shaped once per font for as long as one painting lasts.
class Report::ShapedTexts {
public:
    const ShapedText& get(const FontEntry& font, const QString& text) {
        QHash<QString, ShapedText>& texts = byFont_[&font];
        auto it = texts.find(text);
        if (it == texts.end()) it = texts.insert(text, Shape(font, text));
        return *it;
    }

private:
    std::unordered_map<const FontEntry*, QHash<QString, ShapedText>> byFont_;
};

void Report::paintPage(QPainter& painter, int pageIndex) const {
    ShapedTexts shaped;
    paintPage(painter, pageIndex, shaped);
}

void Report::paintPage(QPainter& painter, int pageIndex, ShapedTexts& shaped) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setPen(Qt::black);
    // The rules are drawn together at the end of the page, one call per
    // width: a pen change and a call for each of a page's hundreds of rules
    // cost more than the rules themselves.
    std::vector<std::pair<int, std::vector<QLineF>>> rules;
    const FontEntry* current = nullptr;
    for (const Placed& placed : pages_.at(static_cast<std::size_t>(pageIndex))) {
        const auto& controls = section(placed.kind).controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            const Control& c = controls[i];
            if (c.kind == Control::Kind::Line) {
                auto same =
                    std::find_if(rules.begin(), rules.end(), [&](const auto& r) { return r.first == c.lineWidth; });
                if (same == rules.end()) same = rules.insert(rules.end(), {c.lineWidth, {}});
                same->second.emplace_back(c.left, placed.top + c.top, c.x2, placed.top + c.y2);
                continue;
            }
            const QString& t = placed.texts.at(static_cast<qsizetype>(i));
            if (t.isEmpty()) continue;
            // Twips as pixels: 1 pt = 20 twips.
            const int pixels = static_cast<int>(std::lround(c.pointSize * 20));
            const FontEntry* f = &FontFor(page.fontFamily, pixels, c.bold);
            const QRectF box(c.left + c.inset, placed.top + c.top, c.width - 2 * c.inset, c.height);
            if (c.wrap) {
                if (current != f) painter.setFont(f->font);
                current = f;
                painter.drawText(box, c.align | Qt::TextWordWrap, BreakAtSpaces(t, f->metrics, box.width()));
                continue;
            }
            // One line, placed by hand: much cheaper than a laid-out text box.
            const ShapedText* s = &shaped.get(*f, t);
            if (c.kind == Control::Kind::Field && c.shrinkToFit && s->width > box.width()) {
                double k = std::max(kMinShrink, box.width() / s->width);
                f = &FontFor(page.fontFamily, std::max(1, static_cast<int>(std::floor(pixels * k))), c.bold);
                s = &shaped.get(*f, t);
            }
            double x = box.left();
            if (c.align & Qt::AlignRight) x = box.right() - s->width;
            else if (c.align & Qt::AlignHCenter) x = box.center().x() - s->width / 2;
            const QFontMetricsF& m = f->metrics;
            double y = box.top() + (box.height() - (m.ascent() + m.descent())) / 2 + m.ascent();
            const bool clip = s->width > box.width() + 1;
            if (clip) {
                painter.save();
                painter.setClipRect(box, Qt::IntersectClip);
                // The start of an over-long text stays visible.
                x = box.left();
            }
            for (const QGlyphRun& run : s->runs) painter.drawGlyphRun(QPointF(x, y), run);
            if (clip) painter.restore();
        }
    }
    for (const auto& [width, lines] : rules) {
        painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap));
        const std::vector<QLineF> joined = JoinVerticalRules(lines);
        painter.drawLines(joined.data(), static_cast<int>(joined.size()));
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
    ShapedTexts shaped;
    for (int p = first; p <= last; ++p) {
        if (p > first) device.newPage();
        painter.save();
        painter.scale(scale * fit, scale * fit);
        paintPage(painter, p - 1, shaped);
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
