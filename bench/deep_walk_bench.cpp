// A walk down chains of nested one-letter folders (10,000, 30,000 and 100,000 levels, a file at the bottom):
// time and memory per level must stay flat. Usage: deep_walk_bench [DIR]  (default /dev/shm/quarex-deep-bench;
// the chains are made there when absent and kept for the next run).
#include "scan/scan_engine.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace quarex;

namespace {

// Makes `levels` nested "d" folders below `root` (through descriptors: no path could name the bottom).
bool makeChain(const std::string& root, int levels)
{
    if (::mkdir(root.c_str(), 0755) != 0)
        return errno == EEXIST;
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < levels && fd >= 0; ++i) {
        ::mkdirat(fd, "d", 0755);
        int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    int file = ::openat(fd, "bottom.exe", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ::close(file);
    ::close(fd);
    return file >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string base = argc > 1 ? argv[1] : "/dev/shm/quarex-deep-bench";
    ::mkdir(base.c_str(), 0755);
    for (int levels : { 10000, 30000, 100000 }) {
        std::string root = base + "/chain" + std::to_string(levels);
        if (!makeChain(root, levels)) {
            std::fprintf(stderr, "cannot make %s\n", root.c_str());
            return 1;
        }
        // Each walk in a child process of its own, so that its peak memory is its own.
        int pipeFds[2];
        if (::pipe(pipeFds) != 0)
            return 1;
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(pipeFds[0]);
            ResultTables tables;
            ScanEngine engine(tables);
            auto t0 = std::chrono::steady_clock::now();
            engine.scan(root);
            double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            int rows = tables.GridLogiciel(TableExecutables).cell(1, 2).empty() ? 0 : 1;
            char line[128];
            int n = std::snprintf(line, sizeof line, "%.3f %d %zu", seconds, rows, engine.unreadableFolders().size());
            [[maybe_unused]] auto w = ::write(pipeFds[1], line, static_cast<std::size_t>(n));
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        char line[128] = {};
        [[maybe_unused]] auto r = ::read(pipeFds[0], line, sizeof line - 1);
        ::close(pipeFds[0]);
        int status = 0;
        struct rusage usage { };
        ::wait4(pid, &status, 0, &usage);
        double seconds = 0;
        int rows = 0;
        std::size_t unreadable = 0;
        if (!WIFEXITED(status) || std::sscanf(line, "%lf %d %zu", &seconds, &rows, &unreadable) != 3) {
            std::printf("%7d levels: the walk failed (status %d)\n", levels, status);
            continue;
        }
        double megabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
        std::printf("%7d levels: %.3f s (%.2f us/level), peak %.1f MB (%.0f bytes/level), bottom file %s, "
                    "%zu unreadable\n",
            levels, seconds, seconds * 1e6 / levels, megabytes, megabytes * 1048576.0 / levels,
            rows ? "found" : "MISSING", unreadable);
    }
    return 0;
}
