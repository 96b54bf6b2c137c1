// The preview engine on paper: grids and texts written to PDF and read back with poppler's tools.
#include "messages/messages.h"
#include "print/prt_preview.h"
#include "scan/scan_engine.h"
#include "support/recording_dialogue.h"
#include "support/test_support.h"
#include "ui/busy_qt.h"
#include "ui/main_form.h"
#include "ui/preview_engine_qt.h"
#include "ui/print_commands_qt.h"
#include "ui/print_preview_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextLayout>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

using namespace quarex;

namespace {

QString run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of each page, in reading order.
QStringList pdfPages(const QString& pdf)
{
    QStringList pages = run("pdftotext", { "-layout", "-enc", "UTF-8", pdf, "-" }).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

int pdfPageCount(const QString& pdf)
{
    QRegularExpression re("Pages:\\s+(\\d+)");
    auto m = re.match(run("pdfinfo", { pdf }));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QSizeF pdfPageSize(const QString& pdf)
{
    QRegularExpression re("Page size:\\s+([\\d.]+) x ([\\d.]+) pts");
    auto m = re.match(run("pdfinfo", { pdf }));
    return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
}

// Each word of the first page with its horizontal extent.
struct Word {
    QString text;
    double xMin, xMax, yMin;
};
QList<Word> pdfWords(const QString& pdf)
{
    QList<Word> words;
    QString html = run("pdftotext", { "-bbox", "-f", "1", "-l", "1", pdf, "-" });
    QRegularExpression re(
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"[\\d.]+\">([^<]*)</word>");
    for (auto it = re.globalMatch(html); it.hasNext();) {
        auto m = it.next();
        words.append({ m.captured(4), m.captured(1).toDouble(), m.captured(3).toDouble(), m.captured(2).toDouble() });
    }
    return words;
}

QStringList pdfFonts(const QString& pdf) { return run("pdffonts", { pdf }).split('\n'); }

// A result table: header row and four columns, like the executables table.
Grid resultTable(int dataRows)
{
    Grid grid(dataRows + 1, 4);
    const char* headers[] = { " Description", " Emplacement", " Fichier", " Version" };
    const int widths[] = { 4000, 3500, 1800, 1200 };
    for (int c = 0; c < 4; ++c) {
        grid.setCell(0, c, headers[c]);
        grid.setColWidth(c, widths[c]);
    }
    for (int r = 1; r <= dataRows; ++r) {
        QString n = QString::number(r).rightJustified(4, '0');
        grid.setCell(r, 0, (" Programme" + n).toStdString());
        grid.setCell(r, 1, (" D:/DOSSIER" + n + "/").toStdString());
        grid.setCell(r, 2, (" Prog" + n + ".exe").toStdString());
        grid.setCell(r, 3, (" 1." + QString::number(r)).toStdString());
    }
    return grid;
}

class Recorder {
public:
    Recorder(QString dir)
        : m_dir(std::move(dir))
    {
        QtPreviewEngine::setPresenter([this](QtPreviewEngine& engine) {
            QString path = m_dir + "/job" + QString::number(pdfs.size()) + ".pdf";
            pageCounts.append(engine.writePdf(path));
            pdfs.append(path);
            orientations.append(engine.orientation());
            workFiles.append(QString::fromStdString(engine.workFile()));
            workFileExisted.append(std::filesystem::exists(engine.workFile()));
            busyWhileShown.append(isBusy());
        });
    }
    ~Recorder() { QtPreviewEngine::setPresenter({}); }
    QStringList pdfs;
    QList<int> pageCounts;
    QList<int> orientations;
    QStringList workFiles;
    QList<bool> workFileExisted;
    QList<bool> busyWhileShown;

private:
    QString m_dir;
};

} // namespace

class PrintPreviewTest : public QObject {
    Q_OBJECT

private slots:
    void smallGridFitsOnePageInLandscape();
    void largeGridRepeatsItsHeaderOnEveryPage();
    void longCellsWrapInsideTheirColumn();
    void emptyTableStillPrintsItsHeader();
    void textJobKeepsLinesStylesAndOrder();
    void longTextRunsOverSeveralPages();
    void printCommandsUseTheRightOrientationAndCleanUp();
    void exportCommandEndsTheBusyState();
    void previewWindowShowsThePages();
    void lineCountsFromAdvancesAgreeWithTheTextLayout();
    void previewDrawsOnlyThePagesInView();
    void printToPdfProposesTheLastFolderAndOneDot();
    void pdfReplacesAnOlderFileOnlyWhenWrittenWhole();
    void printingTellsItsProgressPageByPage();
    void sampleDiscExecutablesTable();
    void windowButtonsPrintTheVisibleTableAndTheText();
};

void PrintPreviewTest::smallGridFitsOnePageInLandscape()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    QtPreviewEngine engine;
    {
        PrtPreview job(engine);
        job.DisplayGridLandscape(resultTable(3), std::string("Liste des exécutables."));
    }
    QCOMPARE(recorder.pdfs.size(), 1);
    const QString pdf = recorder.pdfs[0];
    QCOMPARE(recorder.pageCounts[0], 1);
    QCOMPARE(pdfPageCount(pdf), 1);
    QSizeF size = pdfPageSize(pdf);
    QVERIFY2(size.width() > size.height(), qPrintable(QString("%1 x %2").arg(size.width()).arg(size.height())));

    QStringList pages = pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    const QString& text = pages[0];
    QVERIFY(text.contains("Liste des exécutables."));
    QVERIFY(text.contains("Tableau des données"));
    QVERIFY(text.indexOf("Liste des exécutables.") < text.indexOf("Tableau des données"));
    QVERIFY(text.indexOf("Tableau des données") < text.indexOf("Description"));
    for (const char* header : { "Description", "Emplacement", "Fichier", "Version" })
        QVERIFY2(text.contains(header), header);
    Grid grid = resultTable(3);
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c < 4; ++c)
            QVERIFY2(text.contains(QString::fromStdString(grid.cell(r, c)).trimmed()), grid.cell(r, c).c_str());
    QVERIFY(text.contains("Page 1 / 1"));
    QVERIFY(text.contains("Quarex"));
    QVERIFY(recorder.workFileExisted[0]);
    QVERIFY(!std::filesystem::exists(recorder.workFiles[0].toStdString()));
}

void PrintPreviewTest::largeGridRepeatsItsHeaderOnEveryPage()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    QtPreviewEngine engine;
    previewTable(engine, resultTable(500), "Liste des exécutables.");
    QCOMPARE(recorder.pdfs.size(), 1);
    const QString pdf = recorder.pdfs[0];
    const int pages = recorder.pageCounts[0];
    QVERIFY2(pages >= 10 && pages <= 40, qPrintable(QString::number(pages)));
    QCOMPARE(pdfPageCount(pdf), pages);

    QStringList texts = pdfPages(pdf);
    QCOMPARE(texts.size(), pages);
    QRegularExpression rowName("Programme(\\d{4})");
    QList<int> seen;
    for (int p = 0; p < pages; ++p) {
        const QString& text = texts[p];
        for (const char* header : { "Description", "Emplacement", "Fichier", "Version" })
            QVERIFY2(text.contains(header), qPrintable(QString("page %1 lacks %2").arg(p + 1).arg(header)));
        QVERIFY(text.contains(QString("Page %1 / %2").arg(p + 1).arg(pages)));
        // The title belongs to the first page only.
        QCOMPARE(text.contains("Tableau des données"), p == 0);
        for (auto it = rowName.globalMatch(text); it.hasNext();)
            seen.append(it.next().captured(1).toInt());
    }
    // Every row once, in order, none lost at a page break.
    QCOMPARE(seen.size(), 500);
    for (int i = 0; i < 500; ++i)
        QCOMPARE(seen[i], i + 1);
    const QString all = texts.join('\n');
    for (int r : { 1, 250, 499, 500 }) {
        QString n = QString::number(r).rightJustified(4, '0');
        QVERIFY(all.contains("D:/DOSSIER" + n + "/"));
        QVERIFY(all.contains("Prog" + n + ".exe"));
    }
}

void PrintPreviewTest::longCellsWrapInsideTheirColumn()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    Grid grid = resultTable(2);
    const QString longText
        = " Utilitaire de sauvegarde et de restauration des disquettes pour les archivistes patients";
    grid.setCell(1, 0, longText.toStdString());
    grid.setCell(2, 0, std::string(" ") + std::string(400, 'x'));
    grid.setCell(2, 2, " Haut\r\nBas");
    QtPreviewEngine engine;
    previewTable(engine, grid, "Largeur");
    const QString pdf = recorder.pdfs.value(0);
    QVERIFY(!pdf.isEmpty());

    const QList<Word> words = pdfWords(pdf);
    double secondColumn = 1e9;
    for (const Word& w : words)
        if (w.text.startsWith("D:/DOSSIER"))
            secondColumn = std::min(secondColumn, w.xMin);
    QVERIFY(secondColumn < 1e9);
    QStringList printed;
    double top = 1e9, bottom = 0;
    for (const Word& w : words) {
        if (longText.split(' ', Qt::SkipEmptyParts).contains(w.text) && w.xMax < secondColumn) {
            printed.append(w.text);
            top = std::min(top, w.yMin);
            bottom = std::max(bottom, w.yMin);
        }
        if (w.text.startsWith("xxx") || w.text.startsWith("Utilitaire"))
            QVERIFY2(w.xMax <= secondColumn, qPrintable(w.text));
    }
    // Every word of the long description, on several lines, left of the next column.
    QCOMPARE(printed.join(' '), longText.trimmed());
    QVERIFY(bottom > top);
    // The unbreakable text is cut at three lines and ends with an ellipsis.
    int xLines = 0;
    bool ellipsis = false;
    for (const Word& w : words)
        if (w.text.startsWith("xxx")) {
            ++xLines;
            ellipsis = ellipsis || w.text.endsWith(QChar(0x2026));
        }
    QCOMPARE(xLines, 3);
    QVERIFY(ellipsis);
    // A line break inside a cell starts a new line in the same cell.
    double haut = -1, bas = -1;
    for (const Word& w : words) {
        if (w.text == "Haut")
            haut = w.yMin;
        if (w.text == "Bas")
            bas = w.yMin;
    }
    QVERIFY(haut > 0);
    QVERIFY(bas > haut);
}

void PrintPreviewTest::emptyTableStillPrintsItsHeader()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    Grid grid = resultTable(0);
    QCOMPARE(grid.Rows(), 2); // the header and one blank row
    QtPreviewEngine engine;
    previewTable(engine, grid, sPrintTableTitle(2));
    QCOMPARE(recorder.pageCounts.value(0), 1);
    QString text = pdfPages(recorder.pdfs[0]).value(0);
    QVERIFY(text.contains("Liste des Archives ZIP."));
    QVERIFY(text.contains("Emplacement"));
    QVERIFY(text.contains("Page 1 / 1"));
}

void PrintPreviewTest::textJobKeepsLinesStylesAndOrder()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    QtPreviewEngine engine;
    {
        PrtPreview job(engine);
        job.DisplayTextBox("\"Première ligne\"\r\n\r\nTroisième\tligne\r\n", std::string("Lisez-moi"), 4, 1);
    }
    QCOMPARE(recorder.orientations.value(0), kPortrait);
    const QString pdf = recorder.pdfs.value(0);
    QSizeF size = pdfPageSize(pdf);
    QVERIFY(size.height() > size.width());
    QStringList lines = pdfPages(pdf).value(0).split('\n');
    for (QString& line : lines)
        line = line.trimmed();
    int title = lines.indexOf("Lisez-moi");
    int first = lines.indexOf("Première ligne");
    QVERIFY2(title >= 0 && first > title, qPrintable(lines.join('|')));
    QVERIFY(lines.indexOf(QRegularExpression("Troisième\\s+ligne")) > first + 1);
    QVERIFY(!pdfPages(pdf).value(0).contains('"'));
    // The tab stops at the next multiple of eight columns: "Troisième" is nine characters long, so seven
    // blanks follow it, as wide as seven of the blanks between "Première" and "ligne".
    const QList<Word> words = pdfWords(pdf);
    auto gapBetween = [&](const QString& left, const QString& right) {
        for (const Word& before : words)
            if (before.text == left)
                for (const Word& after : words)
                    if (after.text == right && qAbs(after.yMin - before.yMin) < 1 && after.xMin > before.xMax)
                        return after.xMin - before.xMax;
        return -1.0;
    };
    const double blank = gapBetween("Première", "ligne");
    const double tab = gapBetween("Troisième", "ligne");
    QVERIFY(blank > 0);
    QVERIFY2(qAbs(tab - 7 * blank) < blank, qPrintable(QString("%1 vs %2").arg(tab).arg(blank)));
    // Title: style 1 (bold); lines: style 4 (bold and italic).
    const QString fonts = pdfFonts(pdf).join('\n');
    QVERIFY2(fonts.contains("Bold"), qPrintable(fonts));
    QVERIFY2(fonts.contains("BoldOblique") || fonts.contains("BoldItalic"), qPrintable(fonts));
}

void PrintPreviewTest::longTextRunsOverSeveralPages()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += "Ligne numéro " + std::to_string(i) + "\r\n";
    QtPreviewEngine engine;
    previewText(engine, text);
    const int pages = recorder.pageCounts.value(0);
    QVERIFY(pages >= 3);
    QStringList texts = pdfPages(recorder.pdfs[0]);
    QCOMPARE(texts.size(), pages);
    QRegularExpression re("Ligne numéro (\\d+)");
    QList<int> seen;
    for (int p = 0; p < pages; ++p) {
        QVERIFY(texts[p].contains(QString("Page %1 / %2").arg(p + 1).arg(pages)));
        for (auto it = re.globalMatch(texts[p]); it.hasNext();)
            seen.append(it.next().captured(1).toInt());
    }
    QCOMPARE(seen.size(), 200);
    for (int i = 0; i < 200; ++i)
        QCOMPARE(seen[i], i + 1);
}

void PrintPreviewTest::printCommandsUseTheRightOrientationAndCleanUp()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    printTable(resultTable(2), sPrintTableTitle(1));
    printText(QString("un\ndeux\n\"trois\"\n"));
    printText(std::string());
    QCOMPARE(recorder.pdfs.size(), 3);
    QCOMPARE(recorder.orientations, (QList<int> { kLandscape, kPortrait, kPortrait }));
    QCOMPARE(recorder.busyWhileShown, (QList<bool> { true, true, true }));
    QVERIFY(!isBusy());
    for (const QString& work : recorder.workFiles)
        QVERIFY(!std::filesystem::exists(work.toStdString()));
    QVERIFY(pdfPages(recorder.pdfs[0]).value(0).contains("Liste des exécutables."));
    QStringList lines = pdfPages(recorder.pdfs[1]).value(0).split('\n');
    for (QString& line : lines)
        line = line.trimmed();
    QVERIFY2(lines.indexOf("un") >= 0 && lines.indexOf("deux") > lines.indexOf("un")
            && lines.indexOf("trois") > lines.indexOf("deux"),
        qPrintable(lines.join('|')));
    // An empty text still opens a preview: one page with its number.
    QCOMPARE(recorder.pageCounts[2], 1);
    QVERIFY(pdfPages(recorder.pdfs[2]).value(0).contains("Page 1 / 1"));

    QCOMPARE(withCrLf("a\nb\r\nc\rd\xE2\x80\xA9"
                      "e"),
        std::string("a\r\nb\r\nc\r\nd\r\ne"));
}

void PrintPreviewTest::exportCommandEndsTheBusyState()
{
    test::TempDir dir;
    test::RecordingDialogue d;
    d.choice = 0;
    d.saveAnswer = dir.str() + "/table.csv";
    ExportGridDialog(resultTable(1));
    QVERIFY(!isBusy());
    QCOMPARE(QString::fromStdString(test::readFile(d.saveAnswer)),
        QString("\" Description\",\" Emplacement\",\" Fichier\",\" Version\"\r\n"
                "\" Programme0001\",\" D:/DOSSIER0001/\",\" Prog0001.exe\",\" 1.1\"\r\n"));
}

void PrintPreviewTest::previewWindowShowsThePages()
{
    QtPreviewEngine::setPresenter({});
    QString title;
    int pageCount = -1;
    bool arrowCursor = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<PrintPreviewDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        while (!dialog->isLaidOut())
            dialog->layoutSlice();
        pageCount = dialog->pageCount();
        arrowCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::ArrowCursor;
        dialog->reject();
    });
    printTable(resultTable(500), sPrintTableTitle(1));
    QCOMPARE(title, QString("Aperçu avant impression – Liste des exécutables."));
    QVERIFY2(pageCount >= 10, qPrintable(QString::number(pageCount)));
    QVERIFY(arrowCursor);
    QVERIFY(!QApplication::overrideCursor());
}

// The page breaks of a long table count the lines of each cell from the characters' advances; whenever
// that count answers, it must be the text layout's (a wrong count gives a row too short, its text cut).
void PrintPreviewTest::lineCountsFromAdvancesAgreeWithTheTextLayout()
{
    QPrinter printer(QPrinter::HighResolution);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(10);
    QFontMetricsF metrics(font, &printer);
    std::array<double, 256> advances {};
    for (int c = 0; c < 256; ++c)
        advances[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(QChar(c));
    auto layoutLines = [&](const QString& text, double width) {
        QTextLayout layout(text, font, &printer);
        QTextOption option(Qt::AlignLeft);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        int lines = 0;
        for (; lines < 3; ++lines) {
            QTextLine line = layout.createLine();
            if (!line.isValid())
                break;
            line.setLineWidth(width);
        }
        layout.endLayout();
        return std::max(1, layout.lineCount());
    };

    // Cells as a scan fills them: paths, file names, descriptions of one to many words.
    QRandomGenerator random(20240611);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyzéèàçô0123456789");
    auto word = [&](int length) {
        QString w;
        for (int i = 0; i < length; ++i)
            w += letters[random.bounded(letters.size())];
        return w;
    };
    QStringList cells;
    for (int i = 0; i < 1500; ++i) {
        QString path = QStringLiteral(" /media/cdrom");
        for (int d = random.bounded(1, 7); d > 0; --d)
            path += QLatin1Char('/') + word(random.bounded(2, 14)).toUpper();
        cells << path;
        QString text = QStringLiteral(" ");
        for (int w = random.bounded(1, 25); w > 0; --w) {
            text += word(random.bounded(1, 16));
            const char* joints[] = { " ", " ", " ", "'", ", ", ". ", "-", " (", ") ", "/" };
            text += QLatin1String(joints[random.bounded(10)]);
        }
        cells << text << QStringLiteral(" Setup%1.exe").arg(i) << word(random.bounded(20, 120));
    }
    int answered = 0;
    int plain = 0;
    for (double share : { 0.38, 0.33, 0.17, 0.11 }) {
        double width = printer.pageLayout().paintRectPixels(printer.resolution()).width() * share;
        for (const QString& cell : cells) {
            int fast = plainLineCount(cell, advances, width, 3);
            // Paths broken at their slashes, file names: the cells the count is for.
            bool isPlain = cell.startsWith(QLatin1String(" /media")) || cell.startsWith(QLatin1String(" Setup"));
            plain += isPlain;
            if (fast == 0)
                continue;
            answered += isPlain;
            QVERIFY2(fast == layoutLines(cell, width),
                qPrintable(QStringLiteral("[%1] at %2: %3 lines, the layout %4")
                               .arg(cell)
                               .arg(width)
                               .arg(fast)
                               .arg(layoutLines(cell, width))));
        }
    }
    // The count must answer for most of them, or the long tables lose what it is for.
    QVERIFY2(answered * 2 > plain, qPrintable(QStringLiteral("%1 of %2").arg(answered).arg(plain)));
}

// A long table in the preview: the pages are laid out as printing lays them out, but only those the
// user looks at are drawn; the page box and the zoom move the view.
void PrintPreviewTest::previewDrawsOnlyThePagesInView()
{
    test::TempDir dir;
    QtPreviewEngine engine;
    int printedPages = 0;
    int previewPages = 0;
    int drawnAtOpen = 0;
    int currentAtOpen = -1;
    int boxAtOpen = -1;
    int drawnAfterJump = 0;
    int currentAfterJump = -1;
    int drawnAfterZoom = 0;
    int zoomBefore = 0;
    int zoomAfter = 0;
    QtPreviewEngine::setPresenter([&](QtPreviewEngine& e) {
        printedPages = e.writePdf(QString::fromStdString(dir.str()) + "/all.pdf");
        QPrinter printer(QPrinter::HighResolution);
        e.setUpPrinter(printer);
        PrintPreviewDialog dialog(e, printer);
        dialog.resize(900, 700);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QApplication::processEvents();
        drawnAtOpen = dialog.pageView()->pagesDrawn();
        currentAtOpen = dialog.pageView()->currentPage();
        boxAtOpen = dialog.findChild<QSpinBox*>(QStringLiteral("NumeroPage"))->value();
        while (!dialog.isLaidOut())
            dialog.layoutSlice();
        previewPages = dialog.pageCount();
        auto* pageBox = dialog.findChild<QSpinBox*>(QStringLiteral("NumeroPage"));
        QVERIFY(pageBox);
        int before = dialog.pageView()->pagesDrawn();
        pageBox->setValue(40);
        dialog.pageView()->viewport()->repaint();
        drawnAfterJump = dialog.pageView()->pagesDrawn() - before;
        currentAfterJump = dialog.pageView()->currentPage();
        zoomBefore = dialog.pageView()->zoomPercent();
        before = dialog.pageView()->pagesDrawn();
        dialog.findChild<QAction*>(QStringLiteral("ZoomAvant"))->trigger();
        dialog.pageView()->viewport()->repaint();
        zoomAfter = dialog.pageView()->zoomPercent();
        drawnAfterZoom = dialog.pageView()->pagesDrawn() - before;
        QCOMPARE(dialog.pageView()->currentPage(), 39);
    });
    {
        PrtPreview job(engine);
        job.DisplayGridLandscape(resultTable(3000), std::string("Liste des exécutables."));
    }
    QtPreviewEngine::setPresenter({});
    QVERIFY2(printedPages > 60, qPrintable(QString::number(printedPages)));
    QCOMPARE(previewPages, printedPages);
    QVERIFY2(drawnAtOpen >= 1 && drawnAtOpen <= 4, qPrintable(QString::number(drawnAtOpen)));
    // The window opens on the first page.
    QCOMPARE(currentAtOpen, 0);
    QCOMPARE(boxAtOpen, 1);
    QCOMPARE(currentAfterJump, 39);
    QVERIFY2(drawnAfterJump >= 1 && drawnAfterJump <= 4, qPrintable(QString::number(drawnAfterJump)));
    QVERIFY(zoomAfter > zoomBefore);
    QVERIFY2(drawnAfterZoom >= 1 && drawnAfterZoom <= 4, qPrintable(QString::number(drawnAfterZoom)));
}

// Printing to a PDF file proposes the title without its final period (no "..pdf"), in the folder used
// last time for a PDF, else in the home folder.
void PrintPreviewTest::printToPdfProposesTheLastFolderAndOneDot()
{
    QtPreviewEngine engine;
    engine.setTitle(sPrintTableTitle(1));
    engine.setApplicationTitle("Quarex");
    QPrinter printer(QPrinter::HighResolution);
    engine.setUpPrinter(printer);
    QCOMPARE(printer.docName(), QStringLiteral("Liste des exécutables"));
    QCOMPARE(pdfFileProposal(QStringLiteral("/srv/rapports"), QStringLiteral("Liste des exécutables.")),
        QStringLiteral("/srv/rapports/Liste des exécutables.pdf"));
    QCOMPARE(pdfFileProposal(QString(), QStringLiteral("Liste des Archives ZIP...")),
        QDir::home().filePath(QStringLiteral("Liste des Archives ZIP.pdf")));
    QCOMPARE(pdfFileProposal(QStringLiteral("/tmp"), QStringLiteral("A/B")), QStringLiteral("/tmp/A-B.pdf"));
    QCOMPARE(pdfFileProposal(QStringLiteral("/tmp"), QStringLiteral(" . ")), QStringLiteral("/tmp/document.pdf"));
}

// Printing a long table tells how far it is, the pages' painting included, up to the end.
void PrintPreviewTest::printingTellsItsProgressPageByPage()
{
    test::TempDir dir;
    QtPreviewEngine engine;
    std::vector<int> steps;
    QtPreviewEngine::setPresenter([&](QtPreviewEngine& e) {
        QPrinter printer(QPrinter::HighResolution);
        e.setUpPrinter(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(dir.str()) + "/p.pdf");
        int pages = e.render(printer, [&](int done, int total) {
            QCOMPARE(total, 1000);
            steps.push_back(done);
        });
        QVERIFY(pages > 5);
        QVERIFY(static_cast<int>(steps.size()) >= pages);
    });
    {
        PrtPreview job(engine);
        job.DisplayGridLandscape(resultTable(300), std::string("Liste des exécutables."));
    }
    QtPreviewEngine::setPresenter({});
    QVERIFY(!steps.empty());
    QVERIFY(std::is_sorted(steps.begin(), steps.end()));
    QCOMPARE(steps.back(), 1000);
    // The painting of the pages moves the bar on, past the tenth of the layout.
    QVERIFY(std::count_if(steps.begin(), steps.end(), [](int v) { return v > 100 && v < 1000; }) > 3);
}

// The executables of the sample disc as the Imprimer button prints them. With QUAREX_KEEP_PDF set to a
// folder, the PDF is kept there (scripts/print_pages.sh turns it into PNG pages to look at).
void PrintPreviewTest::sampleDiscExecutablesTable()
{
    ResultTables tables;
    ScanEngine scan(tables);
    scan.scan(QUAREX_SOURCE_DIR "/samples/disc");
    const Grid& grid = tables.GridLogiciel(TableExecutables);
    QVERIFY(grid.Rows() > 2);

    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    printTable(grid, sPrintTableTitle(TableExecutables));
    QCOMPARE(recorder.pdfs.size(), 1);
    const QString pdf = recorder.pdfs[0];
    QSizeF size = pdfPageSize(pdf);
    QVERIFY(size.width() > size.height());
    const QString text = pdfPages(pdf).join('\n');
    QVERIFY(text.contains("Liste des exécutables."));
    for (int c = 0; c < grid.Cols(); ++c)
        QVERIFY(text.contains(QString::fromStdString(grid.cell(0, c)).trimmed()));
    for (int r = 1; r < grid.Rows(); ++r) {
        // File names and versions are short enough never to wrap.
        for (int c : { 2, 3 }) {
            QString cell = QString::fromStdString(grid.cell(r, c)).trimmed();
            QVERIFY2(text.contains(cell), qPrintable(cell));
        }
    }
    const QByteArray keep = qgetenv("QUAREX_KEEP_PDF");
    if (!keep.isEmpty()) {
        QString target = QString::fromLocal8Bit(keep) + "/executables.pdf";
        QFile::remove(target);
        QVERIFY(QFile::copy(pdf, target));
    }
}

void PrintPreviewTest::windowButtonsPrintTheVisibleTableAndTheText()
{
    test::TempDir dir;
    Recorder recorder(QString::fromStdString(dir.str()));
    MainForm form;
    Grid& zip = form.tables().GridLogiciel(TableArchives);
    zip.setCell(1, 2, " Cartes.zip");
    form.findChild<QTabWidget*>("ZoneDesTableaux")->setCurrentIndex(TableArchives);
    emit form.findChild<QAbstractButton*>("Imprimer")->clicked(false);
    form.textViewer()->setPlainText("\"Lisez-moi\"\nSeconde ligne");
    emit form.findChild<QAbstractButton*>("PrintTexte")->clicked(false);

    QCOMPARE(recorder.pdfs.size(), 2);
    QCOMPARE(recorder.orientations, (QList<int> { kLandscape, kPortrait }));
    const QString table = pdfPages(recorder.pdfs[0]).value(0);
    QVERIFY(table.contains("Liste des Archives ZIP."));
    QVERIFY(table.contains("Cartes.zip"));
    QStringList lines = pdfPages(recorder.pdfs[1]).value(0).split('\n');
    for (QString& line : lines)
        line = line.trimmed();
    QVERIFY2(lines.indexOf("Lisez-moi") >= 0 && lines.indexOf("Seconde ligne") > lines.indexOf("Lisez-moi"),
        qPrintable(lines.join('|')));
    QVERIFY(!isBusy());
}

QTEST_MAIN(PrintPreviewTest)
// A PDF that cannot be written whole (a full disk, here a file-size limit) leaves the older file as it was and no
// temporary file beside it; written whole, it replaces the older one.
void PrintPreviewTest::pdfReplacesAnOlderFileOnlyWhenWrittenWhole()
{
    test::TempDir dir;
    const std::string older = dir.write("liste.pdf", "older list, kept whole");
    QList<int> pages;
    QtPreviewEngine::setPresenter([&](QtPreviewEngine& e) { pages.append(e.writePdf(QString::fromStdString(older))); });
    QtPreviewEngine engine;
    {
        rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = 2048;
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &tight), 0);
        previewTable(engine, resultTable(300), "Liste des exécutables.");
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    QCOMPARE(pages.size(), 1);
    QCOMPARE(pages[0], 0);
    QCOMPARE(test::readFile(older), std::string("older list, kept whole"));
    auto entries = [&] {
        int n = 0;
        for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir.str()))
            ++n;
        return n;
    };
    QCOMPARE(entries(), 1);

    previewTable(engine, resultTable(300), "Liste des exécutables.");
    QtPreviewEngine::setPresenter({});
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[1] > 1);
    QCOMPARE(pdfPageCount(QString::fromStdString(older)), pages[1]);
    QCOMPARE(entries(), 1);
}

#include "print_preview_test.moc"
