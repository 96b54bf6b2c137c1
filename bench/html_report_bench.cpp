// Writes the HTML report of a scanned tree of 100,000 files (2,000 folders of 50 programs and archives,
// each folder with a readme), and prints the time, the page sizes and the memory taken.
//   html_report_bench [rows] [work folder]
#include "html/html_report.h"
#include "scan/scan_engine.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>

using namespace quarex;
namespace fs = std::filesystem;

namespace {

double cpuSeconds(bool system)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const timeval& t = system ? usage.ru_stime : usage.ru_utime;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

long maxRssKb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    fs::path work = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path() / "quarex-html-bench";
    const int perFolder = 50;
    int folders = (rows + perFolder - 1) / perFolder;

    std::string readme;
    for (int i = 0; i < 40; ++i)
        readme += "Ligne " + std::to_string(i)
            + " du fichier lisez-moi : r\xE9sum\xE9 <Entr\xE9"
              "e> http://x.fr\r\n";

    auto start = std::chrono::steady_clock::now();
    fs::remove_all(work);
    fs::path disc = work / "disc";
    int made = 0;
    for (int f = 0; f < folders; ++f) {
        fs::path dir = disc / ("GROUPE" + std::to_string(f / 100)) / ("PROD" + std::to_string(f));
        fs::create_directories(dir);
        writeFile(dir / "README.TXT", readme);
        for (int i = 0; i < perFolder && made < rows; ++i, ++made) {
            std::string name = i == 0
                ? "SETUP.EXE"
                : (i % 5 == 0 ? "ARC" + std::to_string(i) + ".ZIP" : "PROG" + std::to_string(i) + ".EXE");
            writeFile(dir / name, "MZ");
        }
    }
    std::printf("tree: %d files in %d folders, %.2f s\n", made, folders, secondsSince(start));

    ResultTables tables;
    start = std::chrono::steady_clock::now();
    ScanEngine engine(tables);
    engine.scan(disc.string());
    int total = 0;
    for (int t = 0; t < TableCount; ++t)
        total += tables.GridLogiciel(t).Rows() - 1;
    std::printf("scan: %d rows, %.2f s\n", total, secondsSince(start));

    long rssBefore = maxRssKb();
    HtmlReportRequest request;
    request.fileName = (work / "rapport.htm").string();
    request.directory = disc.string();
    request.options.entete = true;
    request.options.fin = true;
    FolderListingCache cache;
    DetailsSource source { nativeFileSystem(), "", &cache };
    double userBefore = cpuSeconds(false), systemBefore = cpuSeconds(true);
    start = std::chrono::steady_clock::now();
    bool ok = writeHtmlReport(tables, request, source);
    double seconds = secondsSince(start);
    long rssAfter = maxRssKb();
    double user = cpuSeconds(false) - userBefore, system = cpuSeconds(true) - systemBefore;
    std::printf("report: %s, %.2f s (%.1f us per row)\n", ok ? "written" : "FAILED", seconds, seconds * 1e6 / total);
    std::printf("report cpu: user %.2f s, system %.2f s\n", user, system);
    std::printf("pages: tables %.1f MB, details %.1f MB\n",
        static_cast<double>(fs::file_size(work / "rapport_tableaux.htm")) / 1e6,
        static_cast<double>(fs::file_size(work / "rapport_donnees.htm")) / 1e6);
    std::printf("peak memory: %.1f MB before the report, %.1f MB after\n", rssBefore / 1024.0, rssAfter / 1024.0);
    fs::remove_all(work);
    return ok ? 0 : 1;
}
