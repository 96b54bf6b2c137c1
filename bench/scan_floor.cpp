// The least a full scan must do, for scan_speed_bench: walk the tree, read the first 4 KiB of every .exe
// and stat every .zip (names without regard to case). Usage: scan_floor DIR; prints the counts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool endsWithNoCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        char c = name[name.size() - suffix.size() + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        if (c != suffix[i])
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: scan_floor DIR\n");
        return 2;
    }
    long exes = 0, zips = 0, dirs = 0;
    std::vector<int> pending { ::open(argv[1], O_RDONLY | O_DIRECTORY | O_CLOEXEC) };
    alignas(8) char buffer[32 * 1024];
    char head[4096];
    while (!pending.empty()) {
        int fd = pending.back();
        pending.pop_back();
        if (fd < 0)
            continue;
        ++dirs;
        while (true) {
            long n = ::getdents64(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            for (long pos = 0; pos < n;) {
                auto* e = reinterpret_cast<struct dirent64*>(buffer + pos);
                pos += e->d_reclen;
                std::string_view name(e->d_name);
                if (e->d_type == DT_DIR) {
                    if (name != "." && name != "..")
                        pending.push_back(::openat(fd, e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
                } else if (endsWithNoCase(name, ".exe")) {
                    int file = ::openat(fd, e->d_name, O_RDONLY | O_CLOEXEC);
                    if (file >= 0) {
                        exes += ::pread(file, head, sizeof head, 0) > 0;
                        ::close(file);
                    }
                } else if (endsWithNoCase(name, ".zip")) {
                    struct stat st;
                    zips += ::fstatat(fd, e->d_name, &st, 0) == 0;
                }
            }
        }
        ::close(fd);
    }
    std::printf("%ld folders, %ld executables read, %ld archives\n", dirs, exes, zips);
    return 0;
}
