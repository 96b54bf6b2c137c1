// Window benchmark: the scan driver against the bare scan on the same tree (what the status line,
// repaints and the model cost), then a 300,000-row table: its reset and the paint of one screenful
// at scroll positions spread over the table.
// Usage: QT_QPA_PLATFORM=offscreen window_bench [TREE]   (TREE: e.g. one made by make_scan_tree.py)
#include "grid/grid.h"
#include "messages/messages.h"
#include "scan/scan_engine.h"
#include "support/recording_dialogue.h"
#include "ui/dir_list_box.h"
#include "ui/grid_model.h"
#include "ui/grid_view.h"
#include "ui/main_form.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <cstdio>

namespace {

void benchScan(const std::string& tree)
{
    QElapsedTimer timer;
    quarex::ResultTables bare;
    timer.start();
    quarex::ScanEngine engine(bare);
    engine.scan(tree);
    double bareMs = timer.nsecsElapsed() / 1e6;
    int rows = bare.GridLogiciel(0).Rows() + bare.GridLogiciel(1).Rows() + bare.GridLogiciel(2).Rows() - 3;

    MainForm form;
    form.show();
    QApplication::processEvents();
    form.selectDirectory(tree);
    timer.restart();
    form.findChild<QAbstractButton*>(QStringLiteral("Explorer"))->click();
    double windowMs = timer.nsecsElapsed() / 1e6;
    std::printf("scan of %s: %d rows; bare scan %.0f ms, scan driver in the window %.0f ms (%.0f%% more)\n",
        tree.c_str(), rows, bareMs, windowMs, bareMs > 0 ? (windowMs - bareMs) * 100.0 / bareMs : 0.0);
}

void benchLargeTable()
{
    const int rows = 300000;
    quarex::Grid grid(2, 4, 1, 0);
    grid.setCell(0, 0, " Description");
    grid.setCell(0, 1, " Emplacement");
    grid.setCell(0, 2, " Fichier");
    grid.setCell(0, 3, " Version");
    GridTableModel model(grid);
    GridView view;
    view.setGridModel(&model);
    view.resize(710, 183);
    view.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    model.beginBatch();
    for (int r = 0; r < rows; ++r) {
        int row = quarex::iGetClearLineGrid(grid, 2, true, "");
        grid.setCell(row, 0, " Programme numéro " + std::to_string(r));
        grid.setCell(row, 1, " /media/cdrom/SHAREWAR/DISQUE" + std::to_string(r % 97));
        grid.setCell(row, 2, " Setup" + std::to_string(r) + ".exe");
        grid.setCell(row, 3, " 1.0." + std::to_string(r % 10));
    }
    double fillMs = timer.nsecsElapsed() / 1e6;
    timer.restart();
    model.endBatch();
    QApplication::processEvents();
    double resetMs = timer.nsecsElapsed() / 1e6;

    QScrollBar* bar = view.verticalScrollBar();
    const int frames = 400;
    timer.restart();
    for (int i = 0; i < frames; ++i) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / (frames - 1)));
        view.viewport()->repaint();
    }
    double frameMs = timer.nsecsElapsed() / 1e6 / frames;
    timer.restart();
    for (int i = 0; i < frames; ++i) {
        bar->setValue(bar->value() - 1);
        view.viewport()->repaint();
    }
    double stepMs = timer.nsecsElapsed() / 1e6 / frames;
    std::printf("table of %d rows: filled in %.0f ms with the model in batch, shown in %.1f ms; "
                "jump-and-paint %.2f ms a frame, one-row scroll-and-paint %.2f ms a frame\n",
        rows, fillMs, resetMs, frameMs, stepMs);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    quarex::test::RecordingDialogue silent; // message boxes are answered at once (Cancel)
    if (argc > 1)
        benchScan(quarex::normaliseStartDirectory(argv[1]));
    benchLargeTable();
    return 0;
}
