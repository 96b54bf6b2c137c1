// Appending rows through iGetClearLineGrid, as a scan does, against a literal bottom-up search.
#include "grid/grid.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace quarex;
using Clock = std::chrono::steady_clock;

namespace {

double appendRows(int count)
{
    Grid grid(2, 4, 1, 0);
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        int r = iGetClearLineGrid(grid, 2, true, "");
        grid.setCell(r, 1, " /media/cdrom/Dir");
        grid.setCell(r, 2, " File" + std::to_string(i) + ".exe");
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The search as first written: every new row scans all rows from the bottom when none is free.
double appendRowsLiteral(int count)
{
    std::vector<std::vector<std::string>> rows(2, std::vector<std::string>(4));
    auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        int found = -1;
        for (int r = static_cast<int>(rows.size()) - 1; r >= 1; --r) {
            const std::string& key = rows[r][2];
            if (key.empty() || key == "-1" || key == "-2") {
                found = r;
                break;
            }
        }
        if (found < 0) {
            rows.emplace_back(4);
            found = static_cast<int>(rows.size()) - 1;
        }
        rows[found][1] = " /media/cdrom/Dir";
        rows[found][2] = " File" + std::to_string(i) + ".exe";
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main()
{
    std::printf("%-10s %16s %22s\n", "rows", "free-row index s", "literal search s");
    for (int n : { 10000, 30000, 100000, 300000 }) {
        double fast = appendRows(n);
        if (n <= 30000)
            std::printf("%-10d %16.4f %22.4f\n", n, fast, appendRowsLiteral(n));
        else
            std::printf("%-10d %16.4f %22s\n", n, fast, "(quadratic, skipped)");
    }
    return 0;
}
