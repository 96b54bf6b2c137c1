// The walk and classification of a generated tree of about 50,000 files, against `find DIR -type f`
// in the same run (warm cache). Usage: walk_bench [DIR] (default /tmp/quarex-walk-bench, made if absent).
#include "scan/scan_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace quarex;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// 50 top folders x 20 subfolders x 50 files; one file in ten is an .exe or a .zip (empty files).
void generate(const fs::path& root)
{
    const char* kinds[] = { ".txt", ".dat", ".hlp", ".exe", ".doc", ".ini", ".bmp", ".zip", ".dll", ".wav" };
    for (int a = 0; a < 50; ++a) {
        for (int b = 0; b < 20; ++b) {
            fs::path dir = root / ("PROD" + std::to_string(a)) / ("DISK" + std::to_string(b));
            fs::create_directories(dir);
            for (int f = 0; f < 50; ++f)
                std::ofstream(dir / ("FILE" + std::to_string(f) + kinds[f % 10]));
        }
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    fs::path root = argc > 1 ? fs::path(argv[1]) : fs::path("/tmp/quarex-walk-bench");
    if (!fs::exists(root)) {
        std::printf("generating %s ...\n", root.c_str());
        generate(root);
    }
    std::string findCommand = "find '" + root.string() + "' -type f > /dev/null";
    std::vector<double> findTimes, scanTimes;
    std::size_t rows = 0;
    for (int run = 0; run < 5; ++run) {
        auto t0 = Clock::now();
        if (std::system(findCommand.c_str()) != 0)
            return 1;
        findTimes.push_back(std::chrono::duration<double>(Clock::now() - t0).count());

        ResultTables tables;
        ScanEngine engine(tables);
        auto t1 = Clock::now();
        engine.scan(root.string());
        scanTimes.push_back(std::chrono::duration<double>(Clock::now() - t1).count());
        rows = 0;
        for (int t = 0; t < TableCount; ++t)
            rows += static_cast<std::size_t>(tables.GridLogiciel(t).Rows() - 1);
    }
    double f = median(findTimes), s = median(scanTimes);
    std::printf("find -type f : %.4f s\nscan         : %.4f s (%zu rows)\nratio        : %.2f\n", f, s, rows, s / f);
    return 0;
}
