// Print command on a large table: the time until the preview window shows its first page, then the time
// to lay out and print the whole table to PDF. Usage: print_bench [ROWS [PICTURE.png]]
#include "ui/preview_engine_qt.h"
#include "print/prt_preview.h"
#include "ui/print_preview_dialog.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QFile>
#include <QPrinter>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    // print_bench ROWS PICTURE.png: also saves a picture of the preview window as it first shows.
    const QString picture = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    quarex::Grid grid(rows + 1, 4);
    const char* headers[] = { " Description", " Emplacement", " Fichier", " Version" };
    const int widths[] = { 4000, 3500, 1800, 1200 };
    for (int c = 0; c < 4; ++c) {
        grid.setCell(0, c, headers[c]);
        grid.setColWidth(c, widths[c]);
    }
    for (int r = 1; r <= rows; ++r) {
        std::string n = std::to_string(r);
        grid.setCell(r, 0,
            r % 9 == 0 ? " Programme d'installation du logiciel de comptabilité familiale, version " + n
                       : " Programme " + n);
        grid.setCell(r, 1, " /media/cdrom/LOGICIEL/DOSSIER" + n + "/DISK1");
        grid.setCell(r, 2, " Setup" + n + ".exe");
        grid.setCell(r, 3, " 1.0." + n);
    }

    // Time to the first page: from the print command to the first sheet drawn in the preview window.
    int previewPages = 0;
    int drawn = 0;
    double firstPage = 0;
    double copied = 0;
    double laidOut = 0;
    double complete = 0;
    auto start = std::chrono::steady_clock::now();
    quarex::QtPreviewEngine::setPresenter([&](quarex::QtPreviewEngine& engine) {
        copied = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        QPrinter printer(QPrinter::HighResolution);
        engine.setUpPrinter(printer);
        quarex::PrintPreviewDialog dialog(engine, printer);
        laidOut = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - copied;
        QObject::connect(dialog.pageView(), &quarex::PageView::pageDrawn, &dialog, [&](int) {
            if (firstPage == 0) {
                firstPage = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                if (!picture.isEmpty())
                    QTimer::singleShot(50, &dialog, [&] { dialog.grab().save(picture); });
            }
        });
        // The window stays open until the rest of the document is laid out behind the first page.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
            if (firstPage > 0 && dialog.isLaidOut() && (picture.isEmpty() || QFile::exists(picture))) {
                complete = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                dialog.accept();
            }
        });
        poll.start(5);
        dialog.show();
        dialog.exec();
        previewPages = dialog.pageCount();
        drawn = dialog.pageView()->pagesDrawn();
    });
    {
        quarex::QtPreviewEngine engine;
        quarex::previewTable(engine, grid, "Liste des exécutables.");
    }
    std::printf("%d rows: first page on screen after %.2f s (copy of the grid %.2f s, first page laid out %.2f s); "
                "all %d pages laid out after %.2f s, %d pages drawn\n",
        rows, firstPage, copied, laidOut, previewPages, complete, drawn);

    // The whole document laid out and painted, as printing does.
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/table.pdf";
    int pages = 0;
    double seconds = 0;
    quarex::QtPreviewEngine::setPresenter([&](quarex::QtPreviewEngine& engine) {
        auto begin = std::chrono::steady_clock::now();
        pages = engine.writePdf(pdf);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    });
    start = std::chrono::steady_clock::now();
    {
        quarex::QtPreviewEngine engine;
        quarex::previewTable(engine, grid, "Liste des exécutables.");
    }
    double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d rows: printed to PDF, %d pages, layout and PDF %.2f s, with the copy of the grid %.2f s\n", rows,
        pages, seconds, total);
    return pages > 0 ? 0 : 1;
}
