// Window benchmark: the scan driven through Explorer against the bare scan on the same tree (what the
// status line, repaints and the models cost, as a ratio), then a 300,000-row table: its reset and the paint of one
// screenful at scroll positions spread over the table. Usage: QT_QPA_PLATFORM=offscreen window_bench [TREE [ROUNDS]]
// (TREE: e.g. one made by make_scan_tree.py)
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
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The scan driven through the Explorer button against the bare scan of the same tree, in interleaved
// rounds (the order swapped each round, so that neither always meets the warmer cache); the ratio is
// the median of the rounds' ratios.
void benchScan(const std::string& tree, int rounds)
{
    MainForm form;
    form.show();
    QApplication::processEvents();
    form.selectDirectory(tree);
    auto* explorer = form.findChild<QAbstractButton*>(QStringLiteral("Explorer"));

    // Each run gives its wall time and the CPU time of the thread (the machine may be shared: the CPU time
    // is what the run itself cost, kernel time of the walk included).
    struct Times {
        double wallMs;
        double cpuMs;
    };
    auto timed = [](const auto& run) {
        timespec cpu0 {};
        timespec cpu1 {};
        QElapsedTimer timer;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
        timer.start();
        run();
        double wall = timer.nsecsElapsed() / 1e6;
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
        double cpu = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
        return Times { wall, cpu };
    };
    auto bareScan = [&] {
        return timed([&] {
            quarex::ResultTables bare;
            quarex::ScanEngine engine(bare);
            engine.scan(tree);
        });
    };
    auto windowScan = [&] { return timed([&] { explorer->click(); }); };
    bareScan(); // the directory cache warmed once before any timing

    std::vector<double> ratios;
    std::vector<double> cpuRatios;
    std::vector<double> bareTimes;
    std::vector<double> windowTimes;
    for (int round = 0; round < rounds; ++round) {
        Times bareRun {};
        Times windowRun {};
        if (round % 2 == 0) {
            bareRun = bareScan();
            windowRun = windowScan();
        } else {
            windowRun = windowScan();
            bareRun = bareScan();
        }
        bareTimes.push_back(bareRun.wallMs);
        windowTimes.push_back(windowRun.wallMs);
        ratios.push_back(bareRun.wallMs > 0 ? windowRun.wallMs / bareRun.wallMs : 0.0);
        cpuRatios.push_back(bareRun.cpuMs > 0 ? windowRun.cpuMs / bareRun.cpuMs : 0.0);
        std::printf("round %d: bare scan %.0f ms (CPU %.0f), Explorer in the window %.0f ms (CPU %.0f, %d paints), "
                    "ratio %.2f (CPU %.2f)\n",
            round + 1, bareRun.wallMs, bareRun.cpuMs, windowRun.wallMs, windowRun.cpuMs, form.scanRefreshCount(),
            ratios.back(), cpuRatios.back());
    }
    const quarex::ResultTables& tables = form.tables();
    int rows = tables.GridLogiciel(0).Rows() + tables.GridLogiciel(1).Rows() + tables.GridLogiciel(2).Rows() - 3;
    std::printf("scan of %s: %d rows; median bare %.0f ms, median window %.0f ms; "
                "window / bare scan: %.2f (CPU time %.2f), median of %d rounds\n",
        tree.c_str(), rows, median(bareTimes), median(windowTimes), median(ratios), median(cpuRatios), rounds);
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
        benchScan(quarex::normaliseStartDirectory(argv[1]), argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
    benchLargeTable();
    return 0;
}
