// Time to lay out and print a large table: a grid of N rows written to PDF by the preview engine,
// the same work the preview window does before showing the first page. Usage: print_bench [ROWS]
#include "ui/preview_engine_qt.h"
#include "print/prt_preview.h"

#include <QApplication>
#include <QTemporaryDir>

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

    QTemporaryDir dir;
    const QString pdf = dir.path() + "/table.pdf";
    int pages = 0;
    double seconds = 0;
    quarex::QtPreviewEngine::setPresenter([&](quarex::QtPreviewEngine& engine) {
        auto start = std::chrono::steady_clock::now();
        pages = engine.writePdf(pdf);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
    auto start = std::chrono::steady_clock::now();
    quarex::QtPreviewEngine engine;
    quarex::previewTable(engine, grid, "Liste des exécutables.");
    double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "%d rows: %d pages, layout and PDF %.2f s, with the copy of the grid %.2f s\n", rows, pages, seconds, total);
    return pages > 0 ? 0 : 1;
}
