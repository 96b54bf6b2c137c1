// The cost of the HTML report against the plain scan: each round scans a tree and writes the CSV tables,
// then scans it again and writes the HTML report (what `quarex-scan -o` and `quarex-scan --html` do),
// and prints the ratio of the two; rounds are interleaved and the median of the per-round ratios is the figure.
// It also prints the heap the scan's tables take per row.
//   html_report_bench [tree [rounds]]
// Without a tree (made by make_scan_tree.py), one of 20,000 small files is written in the temporary folder.
#include "html/html_report.h"
#include "print/grid_export.h"
#include "scan/scan_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace quarex;
namespace fs = std::filesystem;

namespace {

struct Cost {
    double wall = 0;
    double cpu = 0;
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds
        = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

template <typename F> Cost measure(F&& work)
{
    double cpuBefore = cpuSeconds();
    auto start = std::chrono::steady_clock::now();
    work();
    return { std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
        cpuSeconds() - cpuBefore };
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// 400 folders of 50 programs and archives, each folder with a readme.
void makeSmallTree(const fs::path& disc)
{
    std::string readme;
    for (int i = 0; i < 40; ++i)
        readme += "Ligne " + std::to_string(i)
            + " du fichier lisez-moi : r\xE9sum\xE9 <Entr\xE9"
              "e> http://x.fr\r\n";
    for (int f = 0; f < 400; ++f) {
        fs::path dir = disc / ("GROUPE" + std::to_string(f / 100)) / ("PROD" + std::to_string(f));
        fs::create_directories(dir);
        writeFile(dir / "README.TXT", readme);
        for (int i = 0; i < 50; ++i)
            writeFile(dir
                    / (i == 0            ? "SETUP.EXE"
                            : i % 5 == 0 ? "ARC" + std::to_string(i) + ".ZIP"
                                         : "PROG" + std::to_string(i) + ".EXE"),
                "MZ");
    }
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    fs::path work = fs::temp_directory_path() / "quarex-html-bench";
    fs::remove_all(work);
    fs::create_directories(work);
    std::string tree = argc > 1 ? std::string(argv[1]) : (work / "disc").string();
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    if (argc <= 1)
        makeSmallTree(tree);

    std::vector<double> wallRatios, cpuRatios;
    std::size_t rows = 0;
    double heapPerRow = 0;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        // The CSV scan, as quarex-scan -o writes it.
        Cost csv = measure([&] {
            ResultTables tables;
            std::size_t heapBefore = mallinfo2().uordblks;
            ScanEngine(tables).scan(tree);
            std::size_t heapAfter = mallinfo2().uordblks;
            rows = 0;
            for (int t = 0; t < TableCount; ++t)
                rows += static_cast<std::size_t>(tables.GridLogiciel(t).Rows() - 1);
            heapPerRow
                = static_cast<double>(heapAfter - heapBefore) / static_cast<double>(std::max<std::size_t>(rows, 1));
            std::ofstream out(work / "tables.csv", std::ios::binary | std::ios::trunc);
            const ExportForm& form = exportForm(0);
            for (int t = 0; t < TableCount; ++t)
                writeGrid(tables.GridLogiciel(t), out, form.separator, form.quote);
        });
        // The scan and the report, as quarex-scan --html does them.
        Cost report;
        Cost html = measure([&] {
            ResultTables tables;
            ScanEngine(tables).scan(tree);
            report = measure([&] {
                HtmlReportRequest request;
                request.fileName = (work / "rapport.htm").string();
                request.directory = tree;
                request.options.entete = true;
                request.options.fin = true;
                FolderListingCache cache(&tables.keptListings());
                DetailsSource source { nativeFileSystem(), "", &cache };
                ok = writeHtmlReport(tables, request, source) && ok;
            });
        });
        wallRatios.push_back(html.wall / csv.wall);
        cpuRatios.push_back(html.cpu / csv.cpu);
        std::printf(
            "round %d: csv %.3f s (cpu %.3f s), html %.3f s (cpu %.3f s) of which the report %.3f s (cpu %.3f s), "
            "ratio %.2f (cpu %.2f)\n",
            round + 1, csv.wall, csv.cpu, html.wall, html.cpu, report.wall, report.cpu, wallRatios.back(),
            cpuRatios.back());
    }
    std::printf("rows: %zu, heap of the scanned tables: %.0f bytes per row\n", rows, heapPerRow);
    std::printf(
        "--html / CSV scan: %.2f (median of %d rounds; cpu %.2f)\n", median(wallRatios), rounds, median(cpuRatios));
    fs::remove_all(work);
    return ok ? 0 : 1;
}
