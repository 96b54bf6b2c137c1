#include "ui/preview_engine_qt.h"

#include "text/text.h"
#include "ui/print_preview_dialog.h"

#include <QApplication>
#include <QCursor>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryFile>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>

namespace quarex {

namespace {

    QtPreviewEngine::Presenter& presenter()
    {
        static QtPreviewEngine::Presenter p;
        return p;
    }

    const QString kDefaultFamily = QStringLiteral("Arial");
    constexpr double kMarginMm = 15.0;
    // A cell shows at most this many lines; a longer text ends with an ellipsis.
    constexpr int kMaxCellLines = 3;

    QFont fontOf(const PrintedFormat& format)
    {
        QFont font(format.family.isEmpty() ? kDefaultFamily : format.family);
        font.setPointSizeF(format.pointSize > 0 ? std::min(format.pointSize, 200.0) : 10.0);
        font.setBold(format.bold);
        font.setItalic(format.italic);
        font.setUnderline(format.underline);
        return font;
    }

    Qt::Alignment horizontalAlignment(int code)
    {
        switch (code) {
        case 1:
            return Qt::AlignHCenter;
        case 2:
            return Qt::AlignRight;
        default:
            return Qt::AlignLeft;
        }
    }

    Qt::Alignment cellAlignment(CellAlignment alignment)
    {
        switch (alignment) {
        case CellAlignment::Centre:
            return Qt::AlignHCenter;
        case CellAlignment::Right:
            return Qt::AlignRight;
        default:
            return Qt::AlignLeft;
        }
    }

    // The text as the layout takes it: tabs become blanks up to the next column that is a multiple of eight,
    // as a text file means them (the layout's own tab stops do not scale the same way on screen and on a
    // printer), and CR LF, LF or CR inside a line become line breaks.
    QString printableText(const QString& text)
    {
        QString out;
        out.reserve(text.size());
        int column = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            QChar ch = text[i];
            if (ch == QLatin1Char('\t')) {
                int blanks = 8 - column % 8;
                out.append(QString(blanks, QLatin1Char(' ')));
                column += blanks;
            } else if (ch == QLatin1Char('\r') || ch == QLatin1Char('\n')) {
                if (ch == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                    ++i;
                out.append(QChar::LineSeparator);
                column = 0;
            } else {
                out.append(ch);
                ++column;
            }
        }
        return out;
    }

    // Lays a text out in lines of the given width (words broken only when too long).
    void layoutLines(QTextLayout& layout, double width, Qt::Alignment alignment, int maxLines)
    {
        QTextOption option(alignment);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        double y = 0;
        for (int n = 0; maxLines <= 0 || n < maxLines; ++n) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout.endLayout();
    }

} // namespace

int plainLineCount(const QString& text, const std::array<double, 256>& advances, double width, int maxLines)
{
    constexpr double kMargin = 0.04; // kerning can move a word boundary this much
    const double low = width * (1 - kMargin);
    const double high = width * (1 + kMargin);
    double total = 0;
    for (QChar ch : text) {
        if (ch.unicode() > 0xFF || ch.unicode() < 0x20)
            return 0;
        total += advances[ch.unicode()];
    }
    if (total <= low)
        return 1;
    // Breaks are told only among letters, digits, blanks and the punctuation of names and paths.
    for (QChar ch : text)
        if (!ch.isLetterOrNumber() && !QStringView(u" /\\.,'_-:;").contains(ch))
            return 0;
    int lines = 1;
    double line = 0; // width of the line so far, trailing spaces included
    bool lineHasText = false;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = breaks.toNextBoundary();
        if (end <= start)
            end = text.size();
        // The piece up to the next break: its width without, then with, its trailing spaces.
        qsizetype last = end;
        while (last > start && text[last - 1] == QLatin1Char(' '))
            --last;
        double piece = 0;
        for (qsizetype i = start; i < last; ++i)
            piece += advances[text[i].unicode()];
        const double spaces = static_cast<double>(end - last) * advances[' '];
        start = end;
        double reach = line + piece;
        if (reach > low && reach < high)
            return 0;
        if (reach < high) {
            line = reach + spaces;
            lineHasText = lineHasText || piece > 0;
            continue;
        }
        if (!lineHasText || (piece > low && piece < high))
            return 0;
        // A piece that fits on a line of its own goes to the next line.
        if (piece < high) {
            if (++lines > maxLines)
                return maxLines;
            line = piece + spaces;
            lineHasText = true;
            continue;
        }
        // Wider than a whole line: the layout cuts it anywhere, which is not told here.
        return 0;
    }
    return lines;
}

// The pages of a document: where each piece of text, each grid title and each run of rows goes.
class DocumentLayout {
public:
    // Lays the whole document out, or (whole false) nothing yet: layoutMore then goes on by slices.
    DocumentLayout(
        const QtPreviewEngine& engine, QPrinter& printer, const LayoutProgress& progress = {}, bool whole = true);
    // Goes on with the layout until it is complete or the deadline passes; true once complete.
    bool layoutMore(QDeadlineTimer deadline);
    bool isComplete() const { return m_complete; }
    // The pages laid out in full (all of them once complete).
    int pageCount() const { return static_cast<int>(m_pages.size()) - (m_complete ? 0 : 1); }
    // Paints every page, one printer page each; `pagePainted` is told after each page.
    void paint(QPainter& painter, QPrinter& printer, const std::function<void(int page)>& pagePainted = {}) const;
    void paintPage(QPainter& painter, int index) const;

private:
    enum class SegmentKind { TextLines, GridTitle, GridHeader, GridRows };
    struct Segment {
        SegmentKind kind;
        std::size_t item;
        int first; // first line or row
        int last; // one past the last line or row
        double y;
    };
    using Page = std::vector<Segment>;
    struct GridGeometry {
        std::vector<int> columns; // printed columns
        std::vector<double> left;
        std::vector<double> width;
        QFont cellFont;
        QFont headerFont;
        QFont titleFont;
        QFont labelFont;
        std::optional<QFontMetricsF> cellMetrics;
        std::optional<QFontMetricsF> headerMetrics;
        std::array<double, 256> cellAdvances {}; // advance of each Latin-1 character in the cell font
        std::array<double, 256> headerAdvances {};
        double padX = 0;
        double padY = 0;
        double titleHeight = 0; // title and label block
        double headerHeight = 0;
        std::vector<double> rowHeights; // every row, header rows included
    };

    void layoutText(std::size_t index);
    void startGrid(std::size_t index);
    bool continueGrid(const QDeadlineTimer& deadline);
    void placeGridHeader(std::size_t index);
    void newPage();
    double rowHeight(const PrintedGrid& grid, const GridGeometry& geo, int row, bool header) const;
    int cellLineCount(const QString& text, const QFont& font, const QFontMetricsF& metrics,
        const std::array<double, 256>& advances, double width) const;
    void paintCell(QPainter& painter, const QRectF& cell, const QString& text, const QFont& font,
        Qt::Alignment alignment, const GridGeometry& geo) const;
    void paintGridRows(QPainter& painter, const PrintedGrid& grid, const GridGeometry& geo, int first, int last,
        double y, bool header) const;
    void paintFooter(QPainter& painter, int pageIndex) const;

    const QtPreviewEngine& m_engine;
    QPaintDevice* m_device;
    double m_width;
    double m_bottom; // lowest y of the content; the footer lies below
    double m_pageHeight;
    double m_dpi;
    QFont m_footerFont;
    std::vector<Page> m_pages;
    double m_y = 0;
    std::vector<std::unique_ptr<QTextLayout>> m_textLayouts; // per item (text items only)
    std::vector<GridGeometry> m_grids; // per item (grid items only)
    LayoutProgress m_progress;
    int m_rowsDone = 0;
    int m_rowsTotal = 0;
    // Where the layout stands: the next item to start, and the grid being laid out row by row.
    std::size_t m_nextItem = 0;
    bool m_inGrid = false;
    std::size_t m_gridItem = 0;
    int m_gridRow = 0; // next row to place
    int m_gridFirst = 0; // first row of the run on the current page
    double m_gridSegmentY = 0;
    bool m_complete = false;
};

DocumentLayout::DocumentLayout(
    const QtPreviewEngine& engine, QPrinter& printer, const LayoutProgress& progress, bool whole)
    : m_engine(engine)
    , m_device(&printer)
    , m_progress(progress)
{
    QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    m_dpi = printer.resolution();
    m_width = area.width();
    m_pageHeight = area.height();
    m_footerFont = QFont(kDefaultFamily);
    m_footerFont.setPointSizeF(8);
    QFontMetricsF footer(m_footerFont, m_device);
    m_bottom = m_pageHeight - footer.height() * 2.2;

    m_textLayouts.resize(engine.items().size());
    m_grids.resize(engine.items().size());
    m_pages.emplace_back();
    for (const PrintedItem& item : engine.items())
        m_rowsTotal += item.grid ? static_cast<int>(item.grid->rows.size()) : 1;
    if (whole)
        layoutMore(QDeadlineTimer(QDeadlineTimer::Forever));
}

bool DocumentLayout::layoutMore(QDeadlineTimer deadline)
{
    while (!m_complete) {
        if (m_inGrid) {
            if (!continueGrid(deadline))
                return false;
            continue;
        }
        if (m_nextItem >= m_engine.items().size()) {
            m_complete = true;
            break;
        }
        if (deadline.hasExpired())
            return false;
        std::size_t index = m_nextItem++;
        if (m_engine.items()[index].kind == PrintedItem::Kind::Grid) {
            startGrid(index);
        } else {
            layoutText(index);
            if (m_progress && ++m_rowsDone % 2000 == 0)
                m_progress(m_rowsDone, m_rowsTotal);
        }
    }
    return true;
}

void DocumentLayout::newPage()
{
    m_pages.emplace_back();
    m_y = 0;
}

void DocumentLayout::layoutText(std::size_t index)
{
    const PrintedItem& item = m_engine.items()[index];
    auto layout = std::make_unique<QTextLayout>(item.text, fontOf(item.format), m_device);
    layoutLines(*layout, m_width, horizontalAlignment(item.alignment), 0);
    const int count = layout->lineCount();
    int first = 0;
    double segmentY = m_y;
    for (int i = 0; i < count; ++i) {
        double h = layout->lineAt(i).height();
        // A line that does not fit goes over, unless it is alone on a fresh page.
        if (m_y + h > m_bottom && (i > first || !m_pages.back().empty())) {
            if (i > first)
                m_pages.back().push_back({ SegmentKind::TextLines, index, first, i, segmentY });
            newPage();
            first = i;
            segmentY = m_y;
        }
        m_y += h;
    }
    if (count > first)
        m_pages.back().push_back({ SegmentKind::TextLines, index, first, count, segmentY });
    m_textLayouts[index] = std::move(layout);
}

int DocumentLayout::cellLineCount(const QString& text, const QFont& font, const QFontMetricsF& metrics,
    const std::array<double, 256>& advances, double width) const
{
    if (text.isEmpty() || width <= 0)
        return 1;
    // Most cells are plain words: their lines are counted from the characters' own advances, without
    // shaping the text; a cell with any doubtful break is laid out exactly.
    int lines = plainLineCount(text, advances, width, kMaxCellLines);
    if (lines > 0)
        return lines;
    if (!text.contains(QChar::LineSeparator) && metrics.horizontalAdvance(text) <= width)
        return 1;
    QTextLayout layout(text, font, m_device);
    layoutLines(layout, width, Qt::AlignLeft, kMaxCellLines);
    return std::max(1, layout.lineCount());
}

double DocumentLayout::rowHeight(const PrintedGrid& grid, const GridGeometry& geo, int row, bool header) const
{
    const QFont& font = header ? geo.headerFont : geo.cellFont;
    const QFontMetricsF& metrics = header ? *geo.headerMetrics : *geo.cellMetrics;
    int lines = 1;
    const auto& cells = grid.rows[static_cast<std::size_t>(row)];
    for (std::size_t k = 0; k < geo.columns.size(); ++k) {
        std::size_t c = static_cast<std::size_t>(geo.columns[k]);
        if (c < cells.size())
            lines = std::max(lines,
                cellLineCount(cells[c], font, metrics, header ? geo.headerAdvances : geo.cellAdvances,
                    geo.width[k] - 2 * geo.padX));
    }
    return lines * metrics.lineSpacing() + 2 * geo.padY;
}

void DocumentLayout::startGrid(std::size_t index)
{
    const PrintedItem& item = m_engine.items()[index];
    const PrintedGrid& grid = *item.grid;
    GridGeometry& geo = m_grids[index];

    // Columns: those with a width, scaled from twips to the width of the page.
    double total = 0;
    for (std::size_t c = 0; c < grid.widths.size(); ++c)
        if (grid.widths[c] > 0) {
            geo.columns.push_back(static_cast<int>(c));
            total += grid.widths[c];
        }
    if (geo.columns.empty())
        for (std::size_t c = 0; c < grid.widths.size(); ++c) {
            geo.columns.push_back(static_cast<int>(c));
            total += 1;
        }
    double x = 0;
    for (int c : geo.columns) {
        double share = grid.widths[static_cast<std::size_t>(c)] > 0 ? grid.widths[static_cast<std::size_t>(c)] : 1;
        double w = m_width * share / total;
        geo.left.push_back(x);
        geo.width.push_back(w);
        x += w;
    }

    geo.cellFont = fontOf(item.format);
    geo.headerFont = geo.cellFont;
    geo.headerFont.setBold(true);
    geo.titleFont = geo.cellFont;
    geo.titleFont.setBold(true);
    geo.titleFont.setItalic(false);
    geo.titleFont.setUnderline(false);
    geo.titleFont.setPointSizeF(std::max(geo.cellFont.pointSizeF() + 5, 14.0));
    geo.labelFont = geo.cellFont;
    geo.labelFont.setBold(false);
    geo.labelFont.setItalic(true);
    geo.labelFont.setPointSizeF(geo.cellFont.pointSizeF() + 1);
    // One set of metrics per font for the whole grid: building them per cell costs more than the measure.
    geo.cellMetrics.emplace(geo.cellFont, m_device);
    geo.headerMetrics.emplace(geo.headerFont, m_device);
    for (int c = 0; c < 256; ++c) {
        geo.cellAdvances[static_cast<std::size_t>(c)] = geo.cellMetrics->horizontalAdvance(QChar(c));
        geo.headerAdvances[static_cast<std::size_t>(c)] = geo.headerMetrics->horizontalAdvance(QChar(c));
    }
    geo.padX = m_dpi * 0.12 / 2.54;
    geo.padY = m_dpi * 0.05 / 2.54;

    QFontMetricsF titleMetrics(geo.titleFont, m_device);
    QFontMetricsF labelMetrics(geo.labelFont, m_device);
    if (!item.title.isEmpty())
        geo.titleHeight += titleMetrics.lineSpacing() * 1.2;
    if (!item.label.isEmpty())
        geo.titleHeight += labelMetrics.lineSpacing() * 1.2;
    if (geo.titleHeight > 0)
        geo.titleHeight += m_dpi * 0.3 / 2.54;

    const int rows = static_cast<int>(grid.rows.size());
    const int fixed = std::clamp(grid.fixedRows, 0, rows);
    geo.rowHeights.assign(static_cast<std::size_t>(rows), -1.0);
    geo.headerHeight = 0;
    for (int r = 0; r < fixed; ++r) {
        geo.rowHeights[static_cast<std::size_t>(r)] = rowHeight(grid, geo, r, true);
        geo.headerHeight += geo.rowHeights[static_cast<std::size_t>(r)];
    }
    if (fixed < rows)
        geo.rowHeights[static_cast<std::size_t>(fixed)] = rowHeight(grid, geo, fixed, false);

    // The title, the header and the first row stay together.
    double firstRow = fixed < rows ? geo.rowHeights[static_cast<std::size_t>(fixed)] : 0;
    if (m_y + geo.titleHeight + geo.headerHeight + firstRow > m_bottom && !m_pages.back().empty())
        newPage();
    if (geo.titleHeight > 0) {
        m_pages.back().push_back({ SegmentKind::GridTitle, index, 0, 0, m_y });
        m_y += geo.titleHeight;
    }
    placeGridHeader(index);
    m_inGrid = true;
    m_gridItem = index;
    m_gridRow = fixed;
    m_gridFirst = fixed;
    m_gridSegmentY = m_y;
}

void DocumentLayout::placeGridHeader(std::size_t index)
{
    const PrintedGrid& grid = *m_engine.items()[index].grid;
    const int fixed = std::clamp(grid.fixedRows, 0, static_cast<int>(grid.rows.size()));
    if (fixed > 0) {
        m_pages.back().push_back({ SegmentKind::GridHeader, index, 0, fixed, m_y });
        m_y += m_grids[index].headerHeight;
    }
}

bool DocumentLayout::continueGrid(const QDeadlineTimer& deadline)
{
    const std::size_t index = m_gridItem;
    const PrintedGrid& grid = *m_engine.items()[index].grid;
    GridGeometry& geo = m_grids[index];
    const int rows = static_cast<int>(grid.rows.size());
    for (int r = m_gridRow; r < rows; ++r) {
        if ((r & 63) == 0 && r > m_gridRow && deadline.hasExpired()) {
            m_gridRow = r;
            return false;
        }
        double& h = geo.rowHeights[static_cast<std::size_t>(r)];
        if (h < 0)
            h = rowHeight(grid, geo, r, false);
        if (m_progress && ++m_rowsDone % 2000 == 0)
            m_progress(m_rowsDone, m_rowsTotal);
        if (m_y + h > m_bottom && r > m_gridFirst) {
            m_pages.back().push_back({ SegmentKind::GridRows, index, m_gridFirst, r, m_gridSegmentY });
            newPage();
            placeGridHeader(index);
            m_gridFirst = r;
            m_gridSegmentY = m_y;
        }
        m_y += h;
    }
    if (rows > m_gridFirst)
        m_pages.back().push_back({ SegmentKind::GridRows, index, m_gridFirst, rows, m_gridSegmentY });
    m_y += m_dpi * 0.3 / 2.54;
    m_inGrid = false;
    return true;
}

void DocumentLayout::paintCell(QPainter& painter, const QRectF& cell, const QString& text, const QFont& font,
    Qt::Alignment alignment, const GridGeometry& geo) const
{
    if (text.isEmpty())
        return;
    QRectF inner = cell.adjusted(geo.padX, geo.padY, -geo.padX, -geo.padY);
    if (inner.width() <= 0 || inner.height() <= 0)
        return;
    painter.setFont(font);
    QFontMetricsF metrics(font, m_device);
    if (!text.contains(QChar::LineSeparator) && metrics.horizontalAdvance(text) <= inner.width()) {
        painter.drawText(inner, alignment | Qt::AlignTop | Qt::TextSingleLine, text);
        return;
    }
    QTextLayout layout(text, font, m_device);
    layoutLines(layout, inner.width(), alignment, kMaxCellLines + 1);
    painter.save();
    painter.setClipRect(inner);
    const int shown = std::min(layout.lineCount(), kMaxCellLines);
    for (int i = 0; i < shown; ++i) {
        QTextLine line = layout.lineAt(i);
        if (i == kMaxCellLines - 1 && layout.lineCount() > kMaxCellLines) {
            // The text goes on beyond the last line shown: end it with an ellipsis.
            QString rest = text.mid(line.textStart()).simplified();
            QString elided = metrics.elidedText(rest, Qt::ElideRight, inner.width());
            painter.drawText(QRectF(inner.left(), inner.top() + line.y(), inner.width(), line.height()),
                alignment | Qt::AlignTop | Qt::TextSingleLine, elided);
        } else {
            line.draw(&painter, inner.topLeft());
        }
    }
    painter.restore();
}

void DocumentLayout::paintGridRows(QPainter& painter, const PrintedGrid& grid, const GridGeometry& geo, int first,
    int last, double y, bool header) const
{
    const QColor border(150, 150, 150);
    const QColor headerFill(222, 226, 232);
    const QColor stripe(243, 245, 247);
    QPen pen(border);
    pen.setWidthF(std::max(1.0, m_dpi / 300.0));
    for (int r = first; r < last; ++r) {
        double h = geo.rowHeights[static_cast<std::size_t>(r)];
        const auto& cells = grid.rows[static_cast<std::size_t>(r)];
        QRectF rowRect(0, y, geo.left.empty() ? 0 : geo.left.back() + geo.width.back(), h);
        if (header)
            painter.fillRect(rowRect, headerFill);
        else if ((r - grid.fixedRows) % 2 == 1)
            painter.fillRect(rowRect, stripe);
        painter.setPen(Qt::black);
        for (std::size_t k = 0; k < geo.columns.size(); ++k) {
            std::size_t c = static_cast<std::size_t>(geo.columns[k]);
            QRectF cell(geo.left[k], y, geo.width[k], h);
            if (c < cells.size())
                paintCell(painter, cell, cells[c], header ? geo.headerFont : geo.cellFont,
                    cellAlignment(c < grid.alignments.size() ? grid.alignments[c] : CellAlignment::Left), geo);
        }
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        for (std::size_t k = 0; k < geo.columns.size(); ++k)
            painter.drawRect(QRectF(geo.left[k], y, geo.width[k], h));
        y += h;
    }
}

void DocumentLayout::paintFooter(QPainter& painter, int pageIndex) const
{
    const int first = m_engine.firstPage();
    const int number = first + pageIndex;
    const int total = first + pageCount() - 1;
    // Until the layout is complete the number of pages is not known: the page gets its number alone.
    QString pageText = !m_complete                        ? QStringLiteral("Page %1").arg(number)
        : m_engine.language() == PreviewLanguage::English ? QStringLiteral("Page %1 of %2").arg(number).arg(total)
                                                          : QStringLiteral("Page %1 / %2").arg(number).arg(total);
    QString left = QString::fromStdString(m_engine.applicationTitle());
    QString title = QString::fromStdString(trim(m_engine.title()));
    if (!title.isEmpty())
        left = left.isEmpty() ? title : left + QStringLiteral(" \u2013 ") + title;

    QFontMetricsF metrics(m_footerFont, m_device);
    double lineY = m_bottom + metrics.height() * 0.6;
    QPen pen(QColor(120, 120, 120));
    pen.setWidthF(std::max(1.0, m_dpi / 300.0));
    painter.setPen(pen);
    painter.drawLine(QPointF(0, lineY), QPointF(m_width, lineY));
    painter.setFont(m_footerFont);
    painter.setPen(QColor(60, 60, 60));
    QRectF box(0, lineY + metrics.height() * 0.3, m_width, metrics.height());
    double leftWidth = std::max(0.0, box.width() - metrics.horizontalAdvance(pageText) - metrics.height());
    painter.drawText(QRectF(box.left(), box.top(), leftWidth, box.height()),
        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, metrics.elidedText(left, Qt::ElideRight, leftWidth));
    painter.drawText(box, Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, pageText);
}

void DocumentLayout::paint(QPainter& painter, QPrinter& printer, const std::function<void(int page)>& pagePainted) const
{
    for (int p = 0; p < pageCount(); ++p) {
        if (p > 0)
            printer.newPage();
        paintPage(painter, p);
        if (pagePainted)
            pagePainted(p);
    }
}

void DocumentLayout::paintPage(QPainter& painter, int index) const
{
    if (index < 0 || index >= pageCount())
        return;
    for (const Segment& s : m_pages[static_cast<std::size_t>(index)]) {
        const PrintedItem& item = m_engine.items()[s.item];
        switch (s.kind) {
        case SegmentKind::TextLines: {
            const QTextLayout& layout = *m_textLayouts[s.item];
            if (s.first >= s.last)
                break;
            painter.setPen(item.format.color);
            double origin = s.y - layout.lineAt(s.first).y();
            for (int i = s.first; i < s.last; ++i)
                layout.lineAt(i).draw(&painter, QPointF(0, origin));
            break;
        }
        case SegmentKind::GridTitle: {
            const GridGeometry& geo = m_grids[s.item];
            double y = s.y;
            // One centred line, cut with an ellipsis when too wide; moves y below it.
            auto centredLine = [&](const QString& text, const QFont& font, const QColor& colour) {
                QFontMetricsF metrics(font, m_device);
                painter.setFont(font);
                painter.setPen(colour);
                painter.drawText(QRectF(0, y, m_width, metrics.lineSpacing()),
                    Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                    metrics.elidedText(text, Qt::ElideRight, m_width));
                y += metrics.lineSpacing() * 1.2;
            };
            if (!item.title.isEmpty())
                centredLine(item.title, geo.titleFont, Qt::black);
            if (!item.label.isEmpty())
                centredLine(item.label, geo.labelFont, QColor(70, 70, 70));
            break;
        }
        case SegmentKind::GridHeader:
        case SegmentKind::GridRows:
            paintGridRows(
                painter, *item.grid, m_grids[s.item], s.first, s.last, s.y, s.kind == SegmentKind::GridHeader);
            break;
        }
    }
    paintFooter(painter, index);
}

PagedDocument::PagedDocument(
    const QtPreviewEngine& engine, QPrinter& printer, const LayoutProgress& progress, bool whole)
    : m_layout(std::make_unique<DocumentLayout>(engine, printer, progress, whole))
    , m_paperRect(printer.pageLayout().fullRectPixels(printer.resolution()))
    , m_paintRect(printer.pageLayout().paintRectPixels(printer.resolution()))
    , m_dpi(printer.resolution())
{
}

PagedDocument::~PagedDocument() = default;

int PagedDocument::pageCount() const { return m_layout->pageCount(); }

bool PagedDocument::isComplete() const { return m_layout->isComplete(); }

bool PagedDocument::layoutMore(int milliseconds) { return m_layout->layoutMore(QDeadlineTimer(milliseconds)); }

void PagedDocument::paintPage(QPainter& painter, int index) const { m_layout->paintPage(painter, index); }

QImage PagedDocument::pageImage(int index, double scale) const
{
    QSize size(std::max(1, qRound(m_paperRect.width() * scale)), std::max(1, qRound(m_paperRect.height() * scale)));
    QImage image(size, QImage::Format_RGB32);
    // The image claims the printer's resolution: fonts given in points take the size they have on paper,
    // and the painter's scale brings the whole page down to the screen.
    image.setDotsPerMeterX(qRound(m_dpi / 0.0254));
    image.setDotsPerMeterY(qRound(m_dpi / 0.0254));
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.scale(scale, scale);
    painter.translate(m_paintRect.topLeft() - m_paperRect.topLeft());
    paintPage(painter, index);
    return image;
}

QColor colorFromBgr(std::int32_t value)
{
    auto v = static_cast<std::uint32_t>(value);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

QtPreviewEngine::QtPreviewEngine()
{
    PreviewEngine::setFontName(kDefaultFamily.toStdString());
    PreviewEngine::setFontSize(10);
}

PrintedFormat QtPreviewEngine::currentFormat() const
{
    PrintedFormat format;
    format.family = QString::fromStdString(trim(fontName()));
    format.pointSize = fontSize() > 0 ? fontSize() : 10;
    format.bold = styleA();
    format.italic = styleB();
    format.underline = styleC();
    format.color = colorFromBgr(color());
    return format;
}

void QtPreviewEngine::printGrid(const Grid& grid)
{
    auto copy = std::make_shared<PrintedGrid>();
    copy->fixedRows = grid.FixedRows();
    copy->rows.reserve(static_cast<std::size_t>(grid.Rows()));
    for (int c = 0; c < grid.Cols(); ++c) {
        copy->widths.push_back(grid.ColWidth(c));
        copy->alignments.push_back(grid.ColAlignment(c));
    }
    for (int r = 0; r < grid.Rows(); ++r) {
        std::vector<QString> cells;
        cells.reserve(static_cast<std::size_t>(grid.Cols()));
        for (int c = 0; c < grid.Cols(); ++c)
            cells.push_back(printableText(QString::fromStdString(grid.cell(r, c))));
        copy->rows.push_back(std::move(cells));
    }
    PrintedItem item;
    item.kind = PrintedItem::Kind::Grid;
    item.format = currentFormat();
    item.grid = std::move(copy);
    item.title = QString::fromStdString(title());
    item.label = QString::fromStdString(label());
    m_items.push_back(std::move(item));
    showPreview();
}

void QtPreviewEngine::printString(const std::string& text, int alignment)
{
    PrintedItem item;
    item.text = printableText(QString::fromStdString(text));
    item.alignment = alignment;
    item.format = currentFormat();
    m_items.push_back(std::move(item));
}

void QtPreviewEngine::printRaw(const std::string& text)
{
    std::string_view rest(text);
    // Lines separated by CR LF; a final CR LF ends the last line without starting another one.
    while (!rest.empty()) {
        std::size_t end = rest.find("\r\n");
        std::string_view line = rest.substr(0, end);
        PrintedItem item;
        item.text = printableText(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
        item.format = currentFormat();
        m_items.push_back(std::move(item));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 2);
    }
}

void QtPreviewEngine::setLanguage(PreviewLanguage language) { m_language = language; }

void QtPreviewEngine::prepare(int clearMode, int firstPage)
{
    if (clearMode != 0)
        m_items.clear();
    m_firstPage = firstPage;
}

QString QtPreviewEngine::previewWindowTitle() const
{
    QString base = m_language == PreviewLanguage::English ? QStringLiteral("Print preview")
                                                          : QStringLiteral("Aperçu avant impression");
    QString job = QString::fromStdString(trim(title()));
    return job.isEmpty() ? base : base + QStringLiteral(" \u2013 ") + job;
}

void QtPreviewEngine::setUpPrinter(QPrinter& printer) const
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(orientation() == kLandscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    printer.setFullPage(false);
    QString name = QString::fromStdString(trim(title()));
    // A title ends with a period; the print dialog would add ".pdf" after it.
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    printer.setDocName(name.isEmpty() ? QString::fromStdString(applicationTitle()) : name);
    printer.setCreator(QString::fromStdString(applicationTitle()));
}

int QtPreviewEngine::render(QPrinter& printer, const LayoutProgress& progress) const
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Progress in thousandths: the layout takes the first tenth, the painting of the pages the rest.
    LayoutProgress laying;
    if (progress)
        laying
            = [&progress](int done, int total) { progress(static_cast<int>(100LL * done / std::max(1, total)), 1000); };
    DocumentLayout layout(*this, printer, laying);
    const int pages = layout.pageCount();
    layout.paint(painter, printer, [&progress, pages](int page) {
        if (progress)
            progress(100 + static_cast<int>(900LL * (page + 1) / std::max(1, pages)), 1000);
    });
    painter.end();
    return layout.pageCount();
}

int QtPreviewEngine::writePdf(const QString& path) const
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    return renderPdfReplacing(printer);
}

namespace {

    // True when a PDF file ends with its end-of-file marker: the painter reports no failed write, so a
    // file cut short (a full disk) is told by its missing trailer.
    bool endsLikeAWholePdf(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() < 16)
            return false;
        file.seek(file.size() - 16);
        return file.read(16).contains("%%EOF");
    }

} // namespace

int QtPreviewEngine::renderPdfReplacing(QPrinter& printer, const LayoutProgress& progress) const
{
    const QString target = printer.outputFileName();
    QFileInfo info(target);
    // A device or a pipe is written as it is; a file is written beside itself, then put in its place.
    if (target.isEmpty() || (info.exists() && !info.isFile()))
        return render(printer, progress);
    QTemporaryFile temporary(info.absoluteDir().filePath(QStringLiteral(".~") + info.fileName() + ".XXXXXX"));
    if (!temporary.open())
        return 0;
    temporary.close();
    printer.setOutputFileName(temporary.fileName());
    int pages = render(printer, progress);
    printer.setOutputFileName(target);
    if (pages == 0 || !endsLikeAWholePdf(temporary.fileName()))
        return 0;
    // The new file gets the old one's permissions, or those of a file created anew.
    QFile::Permissions permissions = info.exists()
        ? info.permissions()
        : (QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QFile::setPermissions(temporary.fileName(), permissions);
    if (::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return 0;
    temporary.setAutoRemove(false);
    return pages;
}

void QtPreviewEngine::setPresenter(Presenter p) { presenter() = std::move(p); }

void QtPreviewEngine::showPreview()
{
    if (presenter()) {
        presenter()(*this);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    PrintPreviewDialog dialog(*this, printer, QApplication::activeWindow());
    // The caller may be in its busy state: the preview is for the user to read, not under the hourglass.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    dialog.exec();
    QApplication::restoreOverrideCursor();
}

} // namespace quarex
