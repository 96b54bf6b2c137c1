// The preview engine on Qt: keeps the document that a print job builds, lays it out with QPainter on a
// QPrinter (A4, margins of 1.5 cm, page numbers at the foot) and shows it in a QPrintPreviewDialog.
#pragma once

#include "print/prt_preview.h"

#include <QColor>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QPrinter;

namespace quarex {

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
    int render(QPrinter& printer) const;
    // Writes the document to a PDF file without any window; returns the number of pages (0 on failure).
    int writePdf(const QString& path) const;

    // Replaces the preview window for runs without a user (tests, rendering to a file); empty restores it.
    using Presenter = std::function<void(QtPreviewEngine&)>;
    static void setPresenter(Presenter presenter);

private:
    PrintedFormat currentFormat() const;

    std::vector<PrintedItem> m_items;
    PreviewLanguage m_language = PreviewLanguage::French;
    int m_firstPage = 1;
};

// The colour of a 0x00BBGGRR value.
QColor colorFromBgr(std::int32_t value);

} // namespace quarex
