// The preview engine on Qt: keeps the document that a print job builds, lays it out with QPainter on a
// QPrinter (A4, margins of 1.5 cm, page numbers at the foot) and shows it in a QPrintPreviewDialog.
#pragma once

#include "print/prt_preview.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPrinter;

namespace quarex {

class DocumentLayout;

// Told how far the layout of a document has gone: rows (or lines) placed, and their total.
using LayoutProgress = std::function<void(int done, int total)>;

// The cells, widths and alignments of a grid as they were when it was handed to the engine.
struct PrintedGrid {
    int fixedRows = 0;
    std::vector<int> widths; // twips
    std::vector<CellAlignment> alignments;
    std::vector<std::vector<QString>> rows;
};

// The look of a piece of text at the moment it was printed.
struct PrintedFormat {
    QString family;
    double pointSize = 10;
    bool bold = false; // style A
    bool italic = false; // style B
    bool underline = false; // style C
    QColor color;
};

// One piece of the document: a line of text, or a grid under its title and label.
struct PrintedItem {
    enum class Kind { Text, Grid } kind = Kind::Text;
    QString text; // empty text: an empty line
    int alignment = 0; // 0 left, 1 centred, 2 right
    PrintedFormat format;
    std::shared_ptr<const PrintedGrid> grid;
    QString title;
    QString label;
};

class QtPreviewEngine : public PreviewEngine {
public:
    // Default font "Arial" at 10 points, black, portrait, French.
    QtPreviewEngine();

    void printGrid(const Grid& grid) override;
    void printString(const std::string& text, int alignment) override;
    void printRaw(const std::string& text) override;
    void showPreview() override;
    void setLanguage(PreviewLanguage language) override;
    void prepare(int clearMode, int firstPage) override;

    PreviewLanguage language() const { return m_language; }
    // The number printed on the first page.
    int firstPage() const { return m_firstPage; }
    const std::vector<PrintedItem>& items() const { return m_items; }
    // Title of the preview window in the engine's language.
    QString previewWindowTitle() const;

    // Gives a printer the document's page set-up: A4, orientation, margins of 1.5 cm, document name.
    void setUpPrinter(QPrinter& printer) const;
    // Lays the document out on the printer's pages and paints them; returns the number of pages (0 on failure).
    // The progress goes to 1000: a tenth for the layout, the rest for the pages.
    int render(QPrinter& printer, const LayoutProgress& progress = {}) const;
    // Writes the document to a PDF file without any window; returns the number of pages (0 on failure).
    // The file replaces `path` only once written whole: on failure an existing file is left as it was.
    int writePdf(const QString& path) const;
    // Renders to the PDF file the printer names in the same way (the printer's file name is kept).
    int renderPdfReplacing(QPrinter& printer, const LayoutProgress& progress = {}) const;

    // Replaces the preview window for runs without a user (tests, rendering to a file); empty restores it.
    using Presenter = std::function<void(QtPreviewEngine&)>;
    static void setPresenter(Presenter presenter);

private:
    PrintedFormat currentFormat() const;

    std::vector<PrintedItem> m_items;
    PreviewLanguage m_language = PreviewLanguage::French;
    int m_firstPage = 1;
};

// A document laid out once on a printer's pages (the page breaks only); each page is painted when asked
// for, so that a preview draws the pages it shows and no others. The layout can also go by slices (a
// preview shows its first pages while the rest is laid out). The engine and the printer must outlive it.
class PagedDocument {
public:
    // Lays the whole document out, or (whole false) nothing until layoutMore.
    PagedDocument(
        const QtPreviewEngine& engine, QPrinter& printer, const LayoutProgress& progress = {}, bool whole = true);
    ~PagedDocument();
    PagedDocument(const PagedDocument&) = delete;
    PagedDocument& operator=(const PagedDocument&) = delete;

    // The pages laid out in full so far (all of them once complete).
    int pageCount() const;
    bool isComplete() const;
    // Goes on with the layout for about that long; true once it is complete.
    bool layoutMore(int milliseconds);
    // Paints a page in printer pixels, the origin at the top left corner of the printable area.
    void paintPage(QPainter& painter, int index) const;
    // The whole sheet of a page (margins included), white, at `scale` screen pixels per printer pixel.
    QImage pageImage(int index, double scale) const;
    // The sheet in printer pixels, and the printer's resolution.
    QSizeF paperSize() const { return m_paperRect.size(); }
    double resolution() const { return m_dpi; }

private:
    std::unique_ptr<DocumentLayout> m_layout;
    QRectF m_paperRect;
    QRectF m_paintRect;
    double m_dpi;
};

// The lines a text takes in a column `width` wide, told from its characters' advances (`advances`: those of
// the Latin-1 characters in the cell's font) the way the text layout breaks it, without shaping it: 0 when
// that cannot be told for sure (other characters, a break too close to the edge). At most maxLines.
int plainLineCount(const QString& text, const std::array<double, 256>& advances, double width, int maxLines);

// The colour of a 0x00BBGGRR value.
QColor colorFromBgr(std::int32_t value);

} // namespace quarex
