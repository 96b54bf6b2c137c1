// The print preview window: the pages of a document laid out once, each drawn only when it comes into
// view, with zoom, page number, print and close commands (in French).
#pragma once

#include "ui/preview_engine_qt.h"

#include <QAbstractScrollArea>
#include <QCache>
#include <QDialog>
#include <QImage>

#include <memory>

class QAction;
class QLabel;
class QPrinter;
class QProgressBar;
class QTimer;
class QSpinBox;

namespace quarex {

// The pages one under the other on a grey ground; only the pages in view are drawn (and a few kept).
class PageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit PageView(const PagedDocument& document, QWidget* parent = nullptr);

    // Screen pixels per printer pixel.
    double scale() const { return m_scale; }
    void setScale(double scale);
    // The scale at which a page fills the width, or the whole height, of the view.
    double fitWidthScale() const;
    double fitPageScale() const;
    void fitToWidth();
    void fitToPage();
    void zoomIn();
    void zoomOut();
    // Zoom in percent of the size on paper (100: a page as large on screen as on paper).
    int zoomPercent() const;

    // The page (0-based) whose sheet is at the middle of the view.
    int currentPage() const;
    // Scrolls so that a page's top is at the top of the view.
    void showPage(int index);
    // More pages were laid out (complete: all of them).
    void documentGrew(bool complete);
    // Pages drawn since the view was made (a page drawn again after a zoom counts again).
    int pagesDrawn() const { return m_pagesDrawn; }

signals:
    void currentPageChanged(int index);
    void zoomChanged();
    // A page was drawn for the first time at the current zoom.
    void pageDrawn(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSize pageSize() const;
    int pitch() const; // a page and the gap below it
    // Where the view is, in pages from the top (kept across a change of zoom).
    double scrollPlace() const;
    void setScrollPlace(double place);
    void updateScrollBars();
    const QImage& image(int index);

    const PagedDocument& m_document;
    double m_scale = 0.1;
    bool m_fitWidth = true; // a resize keeps the fit to the width until the user zooms
    QCache<int, QImage> m_images;
    int m_pagesDrawn = 0;
    int m_lastCurrent = -1;
};

// The preview window ("ApercuImpression"): lays the document out on opening, then shows its pages.
class PrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // The printer gives the page set-up; both it and the engine must outlive the window.
    PrintPreviewDialog(const QtPreviewEngine& engine, QPrinter& printer, QWidget* parent = nullptr);
    ~PrintPreviewDialog() override;

    PageView* pageView() const { return m_view; }
    // The pages laid out so far, and whether that is all of them.
    int pageCount() const;
    bool isLaidOut() const;
    // Lays out one more slice of the document (the window does it by itself while it is open).
    void layoutSlice();
    // Prints through the print dialog (the whole document laid out again on the chosen printer).
    void print();

private:
    void updatePageControls(int current);

    const QtPreviewEngine& m_engine;
    QPrinter& m_printer;
    std::unique_ptr<PagedDocument> m_document;
    PageView* m_view = nullptr;
    QSpinBox* m_pageBox = nullptr;
    QLabel* m_pageTotal = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QProgressBar* m_progress = nullptr;
    QAction* m_progressAction = nullptr;
    QTimer* m_layoutTimer = nullptr;
};

// The file proposed when printing to PDF: the document's name without its final dots, in a folder.
QString pdfFileProposal(const QString& folder, const QString& documentName);

} // namespace quarex
