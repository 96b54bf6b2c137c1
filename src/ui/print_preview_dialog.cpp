#include "ui/print_preview_dialog.h"

#include "ui/busy_qt.h"
#include "ui/save_folders.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quarex {

namespace {

    constexpr int kGap = 12; // grey ground around and between the sheets
    constexpr double kZoomStep = 1.25;
    // Page images kept (a screenful or two at any zoom); the others are drawn again when they come back.
    constexpr int kCachedPages = 12;

    double screenDpi(const QWidget* widget)
    {
        QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
        return screen ? screen->logicalDotsPerInchY() : 96.0;
    }

} // namespace

QString pdfFileProposal(const QString& folder, const QString& documentName)
{
    QString name = documentName.trimmed();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    // A name cannot hold a folder separator.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    if (name.isEmpty())
        name = QStringLiteral("document");
    QString dir = folder.isEmpty() ? QDir::homePath() : folder;
    return QDir(dir).filePath(name + QStringLiteral(".pdf"));
}

PageView::PageView(const PagedDocument& document, QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_document(document)
    , m_images(kCachedPages)
{
    setObjectName(QStringLiteral("Pages"));
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, QColor(128, 128, 128));
    viewport()->setPalette(p);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);
    verticalScrollBar()->setSingleStep(24);
    horizontalScrollBar()->setSingleStep(24);
}

QSize PageView::pageSize() const
{
    QSizeF paper = m_document.paperSize();
    return QSize(std::max(1, qRound(paper.width() * m_scale)), std::max(1, qRound(paper.height() * m_scale)));
}

int PageView::pitch() const { return pageSize().height() + kGap; }

double PageView::fitWidthScale() const
{
    double width = std::max(40, viewport()->width() - 2 * kGap);
    return width / std::max(1.0, m_document.paperSize().width());
}

double PageView::fitPageScale() const
{
    QSizeF paper = m_document.paperSize();
    double w = std::max(40, viewport()->width() - 2 * kGap) / std::max(1.0, paper.width());
    double h = std::max(40, viewport()->height() - 2 * kGap) / std::max(1.0, paper.height());
    return std::min(w, h);
}

void PageView::setScale(double scale)
{
    // From a tenth of the paper size to four times it.
    const double perPaper = screenDpi(this) / std::max(1.0, m_document.resolution());
    scale = std::clamp(scale, perPaper * 0.1, perPaper * 4.0);
    if (std::abs(scale - m_scale) < 1e-9)
        return;
    const double place = scrollPlace();
    m_scale = scale;
    m_images.clear();
    updateScrollBars();
    setScrollPlace(place);
    viewport()->update();
    emit zoomChanged();
}

void PageView::fitToWidth()
{
    setScale(fitWidthScale());
    m_fitWidth = true;
}

void PageView::fitToPage()
{
    setScale(fitPageScale());
    m_fitWidth = false;
}

void PageView::zoomIn()
{
    setScale(m_scale * kZoomStep);
    m_fitWidth = false;
}

void PageView::zoomOut()
{
    setScale(m_scale / kZoomStep);
    m_fitWidth = false;
}

int PageView::zoomPercent() const { return qRound(m_scale * m_document.resolution() / screenDpi(this) * 100.0); }

int PageView::currentPage() const
{
    int count = m_document.pageCount();
    if (count <= 0)
        return 0;
    int middle = verticalScrollBar()->value() + viewport()->height() / 2 - kGap;
    return std::clamp(middle / std::max(1, pitch()), 0, count - 1);
}

void PageView::showPage(int index)
{
    index = std::clamp(index, 0, std::max(0, m_document.pageCount() - 1));
    verticalScrollBar()->setValue(index * pitch());
}

double PageView::scrollPlace() const
{
    return static_cast<double>(verticalScrollBar()->value()) / std::max(1, pitch());
}

void PageView::setScrollPlace(double place)
{
    verticalScrollBar()->setValue(static_cast<int>(std::lround(place * pitch())));
}

void PageView::updateScrollBars()
{
    QSize page = pageSize();
    int count = std::max(1, m_document.pageCount());
    // The sum is kept in 64 bits: a few thousand pages at a large zoom pass the range of an int.
    long long height = static_cast<long long>(count) * pitch() + kGap;
    long long maxV = std::max(0LL, height - viewport()->height());
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<long long>(maxV, INT_MAX / 2)));
    verticalScrollBar()->setPageStep(viewport()->height());
    int width = page.width() + 2 * kGap;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void PageView::documentGrew(bool complete)
{
    updateScrollBars();
    // The pages drawn so far said "Page n" alone: with the total known they are drawn again.
    if (complete)
        m_images.clear();
    viewport()->update();
}

const QImage& PageView::image(int index)
{
    if (QImage* cached = m_images.object(index))
        return *cached;
    auto* drawn = new QImage(m_document.pageImage(index, m_scale));
    m_images.insert(index, drawn);
    ++m_pagesDrawn;
    emit pageDrawn(index);
    return *drawn;
}

void PageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const int count = m_document.pageCount();
    if (count <= 0)
        return;
    const QSize page = pageSize();
    const int step = pitch();
    const int top = verticalScrollBar()->value();
    const QRect area = event->rect();
    int x = kGap - horizontalScrollBar()->value();
    if (page.width() + 2 * kGap < viewport()->width())
        x = (viewport()->width() - page.width()) / 2;
    int first = std::max(0, (top + area.top() - kGap) / std::max(1, step));
    for (int i = first; i < count; ++i) {
        int y = kGap + i * step - top;
        if (y > area.bottom())
            break;
        QRect sheet(QPoint(x, y), page);
        if (!sheet.intersects(area))
            continue;
        painter.fillRect(sheet.translated(3, 3), QColor(60, 60, 60));
        painter.drawImage(sheet.topLeft(), image(i));
    }
}

void PageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (m_fitWidth) {
        const double place = scrollPlace();
        double scale = fitWidthScale();
        if (std::abs(scale - m_scale) > 1e-9) {
            m_scale = scale;
            m_images.clear();
            emit zoomChanged();
        }
        updateScrollBars();
        setScrollPlace(place);
    } else {
        updateScrollBars();
    }
}

void PageView::scrollContentsBy(int, int)
{
    viewport()->update();
    int current = currentPage();
    if (current != m_lastCurrent) {
        m_lastCurrent = current;
        emit currentPageChanged(current);
    }
}

PrintPreviewDialog::PrintPreviewDialog(const QtPreviewEngine& engine, QPrinter& printer, QWidget* parent)
    : QDialog(parent)
    , m_engine(engine)
    , m_printer(printer)
{
    setObjectName(QStringLiteral("ApercuImpression"));
    setWindowTitle(engine.previewWindowTitle());
    setModal(true);

    // The page breaks are found once, by slices: the first page is shown as soon as it is laid out, the
    // others come while the user reads it (the bar of the tool strip tells how far it has gone).
    m_document = std::make_unique<PagedDocument>(
        engine, printer,
        [this](int done, int total) {
            if (m_progress) {
                m_progress->setRange(0, total);
                m_progress->setValue(done);
            }
        },
        false);
    while (m_document->pageCount() < 1 && !m_document->layoutMore(50)) { }

    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("Commandes"));
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_view = new PageView(*m_document, this);

    // Print and close first: on a narrow screen the end of the strip goes under its overflow button.
    QAction* printAction = tools->addAction(QStringLiteral("Imprimer…"), this, &PrintPreviewDialog::print);
    printAction->setObjectName(QStringLiteral("Imprimer"));
    printAction->setShortcut(QKeySequence::Print);
    QAction* close = tools->addAction(QStringLiteral("Fermer"), this, &QDialog::reject);
    close->setObjectName(QStringLiteral("Fermer"));
    tools->addSeparator();
    QAction* fitWidth = tools->addAction(QStringLiteral("Largeur de page"), m_view, &PageView::fitToWidth);
    fitWidth->setObjectName(QStringLiteral("AjusterLargeur"));
    QAction* fitPage = tools->addAction(QStringLiteral("Page entière"), m_view, &PageView::fitToPage);
    fitPage->setObjectName(QStringLiteral("PageEntiere"));
    QAction* zoomIn = tools->addAction(QStringLiteral("Zoom +"), m_view, &PageView::zoomIn);
    zoomIn->setObjectName(QStringLiteral("ZoomAvant"));
    zoomIn->setShortcut(QKeySequence::ZoomIn);
    zoomIn->setToolTip(QStringLiteral("Agrandir"));
    QAction* zoomOut = tools->addAction(QStringLiteral("Zoom −"), m_view, &PageView::zoomOut);
    zoomOut->setObjectName(QStringLiteral("ZoomArriere"));
    zoomOut->setShortcut(QKeySequence::ZoomOut);
    zoomOut->setToolTip(QStringLiteral("Réduire"));
    m_zoomLabel = new QLabel(tools);
    m_zoomLabel->setObjectName(QStringLiteral("Zoom"));
    m_zoomLabel->setMinimumWidth(50);
    m_zoomLabel->setAlignment(Qt::AlignCenter);
    tools->addWidget(m_zoomLabel);
    tools->addSeparator();

    QAction* previous
        = tools->addAction(QStringLiteral("◀"), this, [this] { m_view->showPage(m_view->currentPage() - 1); });
    previous->setObjectName(QStringLiteral("PagePrecedente"));
    previous->setToolTip(QStringLiteral("Page précédente"));
    tools->addWidget(new QLabel(QStringLiteral(" Page "), tools));
    m_pageBox = new QSpinBox(tools);
    m_pageBox->setObjectName(QStringLiteral("NumeroPage"));
    m_pageBox->setRange(1, std::max(1, m_document->pageCount()));
    m_pageBox->setKeyboardTracking(false);
    tools->addWidget(m_pageBox);
    m_pageTotal = new QLabel(QStringLiteral(" / %1 ").arg(m_document->pageCount()), tools);
    m_pageTotal->setObjectName(QStringLiteral("NombrePages"));
    tools->addWidget(m_pageTotal);
    QAction* next
        = tools->addAction(QStringLiteral("▶"), this, [this] { m_view->showPage(m_view->currentPage() + 1); });
    next->setObjectName(QStringLiteral("PageSuivante"));
    next->setToolTip(QStringLiteral("Page suivante"));
    tools->addSeparator();
    m_progress = new QProgressBar(tools);
    m_progress->setObjectName(QStringLiteral("Progression"));
    m_progress->setMaximumWidth(160);
    m_progress->setFormat(QStringLiteral("Mise en page %p %"));
    m_progressAction = tools->addWidget(m_progress);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tools);
    layout->addWidget(m_view, 1);

    connect(m_pageBox, &QSpinBox::valueChanged, this, [this](int page) {
        if (page - 1 != m_view->currentPage())
            m_view->showPage(page - 1);
    });
    connect(m_view, &PageView::currentPageChanged, this, &PrintPreviewDialog::updatePageControls);
    connect(m_view, &PageView::zoomChanged, this,
        [this] { m_zoomLabel->setText(QStringLiteral("%1 %").arg(m_view->zoomPercent())); });

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect available = screen->availableGeometry();
        resize(available.width() * 4 / 5, available.height() * 9 / 10);
    }
    m_view->fitToWidth();
    updatePageControls(0);
    if (m_document->isComplete()) {
        m_progressAction->setVisible(false);
    } else {
        m_layoutTimer = new QTimer(this);
        connect(m_layoutTimer, &QTimer::timeout, this, &PrintPreviewDialog::layoutSlice);
        m_layoutTimer->start(0);
    }
}

void PrintPreviewDialog::layoutSlice()
{
    bool complete = m_document->layoutMore(40);
    m_pageBox->setMaximum(std::max(1, m_document->pageCount()));
    m_pageTotal->setText(complete ? QStringLiteral(" / %1 ").arg(m_document->pageCount())
                                  : QStringLiteral(" / %1… ").arg(m_document->pageCount()));
    m_view->documentGrew(complete);
    if (complete) {
        m_layoutTimer->stop();
        m_progressAction->setVisible(false);
    }
}

bool PrintPreviewDialog::isLaidOut() const { return m_document->isComplete(); }

PrintPreviewDialog::~PrintPreviewDialog() = default;

int PrintPreviewDialog::pageCount() const { return m_document->pageCount(); }

void PrintPreviewDialog::updatePageControls(int current)
{
    QSignalBlocker block(m_pageBox);
    m_pageBox->setValue(current + 1);
    m_zoomLabel->setText(QStringLiteral("%1 %").arg(m_view->zoomPercent()));
}

void PrintPreviewDialog::print()
{
    // Without a printer of the system, the dialog offers a PDF file: proposed in the folder last used.
    bool fileOnly = QPrinterInfo::availablePrinterNames().isEmpty();
    if (fileOnly || m_printer.outputFormat() == QPrinter::PdfFormat)
        m_printer.setOutputFileName(
            pdfFileProposal(QString::fromStdString(lastSaveFolder(SaveKind::Pdf)), m_printer.docName()));
    // Printing needs every page: the layout ends first.
    while (!m_document->isComplete())
        layoutSlice();
    QPrintDialog dialog(&m_printer, this);
    dialog.setWindowTitle(QStringLiteral("Imprimer"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (m_printer.outputFormat() == QPrinter::PdfFormat && !m_printer.outputFileName().isEmpty())
        rememberSaveFolder(SaveKind::Pdf, m_printer.outputFileName().toStdString());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    {
        BusyProgress progress;
        auto step = [&progress](int done, int total) { progress.step(done, total); };
        // A PDF file replaces an older one only once written whole.
        if (m_printer.outputFormat() == QPrinter::PdfFormat && !m_printer.outputFileName().isEmpty())
            m_engine.renderPdfReplacing(m_printer, step);
        else
            m_engine.render(m_printer, step);
    }
    QApplication::restoreOverrideCursor();
    MainMsg(std::string());
}

} // namespace quarex
