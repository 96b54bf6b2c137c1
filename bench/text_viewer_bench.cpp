// Loads a text file of about 10 MB into the viewer box (TextInfo_0) the way a click does, and prints how long
// the load takes and the longest stretch without processed events (what the user would see as a freeze).
// Usage: text_viewer_bench [MEGABYTES]   (run with QT_QPA_PLATFORM=offscreen on a machine without display)
#include "ui/text_viewer.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10;
    char pattern[] = "/tmp/quarex-viewer-XXXXXX";
    int fd = ::mkstemp(pattern);
    if (fd < 0)
        return 1;
    ::close(fd);
    std::string path = pattern;
    {
        std::ofstream out(path, std::ios::binary);
        std::size_t written = 0;
        for (int i = 0; written < megabytes * 1024 * 1024; ++i) {
            std::string line = "Ligne " + std::to_string(i) + " : Caf\xE9, th\xE9\xE2tre et " + std::string(i % 60, '.') + "\r\n";
            out << line;
            written += line.size();
        }
    }

    QPlainTextEdit box;
    box.resize(800, 400);
    box.show();
    QElapsedTimer sinceEvents;
    qint64 longestGap = 0;
    int wakeups = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] {
        if (sinceEvents.isValid())
            longestGap = std::max(longestGap, sinceEvents.elapsed());
        sinceEvents.restart();
        ++wakeups;
    });

    for (int run = 0; run < 3; ++run) {
        longestGap = 0;
        wakeups = 0;
        box.clear();
        QElapsedTimer total;
        total.start();
        sinceEvents.restart();
        quarex::ChargeFichierTexte(path, &box, true);
        qint64 ms = total.elapsed();
        longestGap = std::max(longestGap, sinceEvents.elapsed());
        std::printf("run %d: %zu MB, %d lines loaded in %lld ms, %d event passes, longest gap %lld ms\n", run + 1,
            megabytes, box.blockCount(), static_cast<long long>(ms), wakeups, static_cast<long long>(longestGap));
    }
    std::remove(path.c_str());
    return 0;
}
