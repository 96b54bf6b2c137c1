// The speed of a full scan by quarex-scan (--format csv, to /dev/null) against `find DIR -type f` and
// against scan_floor (walk, first 4 KiB of every .exe, stat of every .zip), warm cache. Rounds run the three
// one after the other; the figures are the medians of the per-round ratios, so that a busy machine slows
// both sides of a ratio alike.
// Usage: scan_speed_bench DIR [ROUNDS] [QUAREX_SCAN]   (DIR from make_scan_tree.py; 11 rounds by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Run {
    double wall = 0;
    double cpu = 0;
};

// Runs a program with its output thrown away; wall and CPU seconds, or a negative wall on failure.
Run run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    auto t0 = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage { };
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) != pid)
        return { -1, 0 };
    Run r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    auto seconds
        = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    r.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    // quarex-scan says 3 when a folder could not be read: still a full run.
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3))
        r.wall = -1;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_speed_bench DIR [ROUNDS] [QUAREX_SCAN]\n");
        return 2;
    }
    std::string dir = argv[1];
    int rounds = argc > 2 ? std::atoi(argv[2]) : 11;
    std::string scanBinary = argc > 3 ? argv[3] : QUAREX_SCAN_BINARY;
    const std::vector<std::string> find = { "find", dir, "-type", "f" };
    const std::vector<std::string> floor = { SCAN_FLOOR_BINARY, dir };
    const std::vector<std::string> scan = { scanBinary, "--format", "csv", dir };

    // One of each first, so that every timed run finds the cache warm.
    for (const auto* command : { &find, &floor, &scan })
        if (run(*command).wall < 0) {
            std::fprintf(stderr, "%s failed\n", (*command)[0].c_str());
            return 1;
        }
    std::vector<double> findWall, floorWall, scanWall, byFind, byFloor, cpuByFind, cpuByFloor;
    for (int i = 0; i < rounds; ++i) {
        Run f = run(find), fl = run(floor), s = run(scan);
        if (f.wall < 0 || fl.wall < 0 || s.wall < 0)
            return 1;
        findWall.push_back(f.wall);
        floorWall.push_back(fl.wall);
        scanWall.push_back(s.wall);
        byFind.push_back(s.wall / f.wall);
        byFloor.push_back(s.wall / fl.wall);
        cpuByFind.push_back(s.cpu / std::max(f.cpu, 1e-3));
        cpuByFloor.push_back(s.cpu / std::max(fl.cpu, 1e-3));
    }
    std::printf("%s, %d rounds, warm cache\n", dir.c_str(), rounds);
    std::printf("median wall: find -type f %.3f s, floor %.3f s, quarex-scan --format csv %.3f s\n", median(findWall),
        median(floorWall), median(scanWall));
    std::printf("scan / find -type f : %.2f (CPU %.2f)\n", median(byFind), median(cpuByFind));
    std::printf("scan / floor        : %.2f (CPU %.2f)\n", median(byFloor), median(cpuByFloor));
    return 0;
}
