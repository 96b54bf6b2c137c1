// Reading the version strings of a folder of executables, against merely opening each file and reading its
// first 4 KiB, in the same run (warm cache). Usage: exe_reader_bench [DIR...]
// Without arguments: Debian's wine DLLs when present, and /tmp/quarex-exe-bench (copies of the test
// fixtures, made if absent).
#include "exe/executable_image.h"
#include "exe/file_info.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace quarex;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

struct Folder {
    std::unique_ptr<DirectoryHandle> handle;
    std::vector<std::pair<std::string, FileFacts>> files;
};

// 4,000 copies of the fixtures, spread over 40 folders.
void generate(const fs::path& root)
{
    const fs::path data = fs::path(QUAREX_SOURCE_DIR) / "tests/data/exe";
    std::vector<fs::path> sources;
    for (const auto& e : fs::directory_iterator(data))
        if (e.is_regular_file() && e.path().extension() != ".py" && e.path().extension() != ".sh")
            sources.push_back(e.path());
    std::sort(sources.begin(), sources.end());
    for (int d = 0; d < 40; ++d) {
        fs::path dir = root / ("DIR" + std::to_string(d));
        fs::create_directories(dir);
        for (int f = 0; f < 100; ++f)
            fs::copy_file(sources[(d + f) % sources.size()], dir / ("PROG" + std::to_string(f) + ".EXE"),
                fs::copy_options::overwrite_existing);
    }
}

// Every regular file below `root` that starts with "MZ", grouped by folder.
void collect(const fs::path& root, std::vector<Folder>& folders)
{
    std::vector<fs::path> dirs { root };
    for (const auto& e : fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied))
        if (e.is_directory())
            dirs.push_back(e.path());
    for (const fs::path& dir : dirs) {
        Folder folder;
        folder.handle = nativeFileSystem().openDirectory(dir.string());
        if (!folder.handle)
            continue;
        for (const DirEntry& entry : folder.handle->entries()) {
            auto facts = folder.handle->statChild(entry.name);
            if (!facts || !facts->isRegular || facts->size < 64)
                continue;
            auto file = folder.handle->openChild(entry.name);
            char magic[2] = {};
            if (file && file->readAt(0, magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z')
                folder.files.emplace_back(entry.name, *facts);
        }
        if (!folder.files.empty())
            folders.push_back(std::move(folder));
    }
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Open + read the first 4 KiB of every file.
std::size_t firstBlocks(std::vector<Folder>& folders)
{
    std::size_t bytes = 0;
    char buffer[4096];
    for (Folder& folder : folders)
        for (const auto& [name, facts] : folder.files)
            if (auto file = folder.handle->openChild(name))
                bytes += file->readAt(0, buffer, sizeof buffer);
    return bytes;
}

// Open + read the version block + the key search of the eight strings, once per file.
std::size_t versionStrings(std::vector<Folder>& folders)
{
    std::size_t found = 0;
    zFileInfo info;
    for (Folder& folder : folders)
        for (const auto& [name, facts] : folder.files) {
            auto file = folder.handle->openChild(name);
            if (!file)
                continue;
            ExecutableImage image(*file);
            if (auto block = image.searchableVersionBlock()) {
                info.PutVersionBlock(block->block, block->valuesAreCp1252);
                found += !info.sFileVersion().empty() || !info.sCompanyName().empty();
            }
        }
    return found;
}

// What the scan pays per file: zFileInfo::PutFile (size, date, version strings).
std::size_t scanFacts(std::vector<Folder>& folders)
{
    std::size_t found = 0;
    for (Folder& folder : folders)
        for (const auto& [name, facts] : folder.files) {
            zFileInfo info;
            info.PutFile(*folder.handle, name, facts);
            found += !info.sFileVersion().empty();
        }
    return found;
}

// Seconds per pass of `f`, timed over `passes` passes in a row.
template <typename F> double timePasses(F&& f, int passes)
{
    auto t0 = Clock::now();
    for (int i = 0; i < passes; ++i)
        f();
    return std::chrono::duration<double>(Clock::now() - t0).count() / passes;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<fs::path> roots;
    for (int i = 1; i < argc; ++i)
        roots.emplace_back(argv[i]);
    if (roots.empty()) {
        for (const char* wine : { "/usr/lib/i386-linux-gnu/wine", "/usr/lib/x86_64-linux-gnu/wine" })
            if (fs::exists(wine))
                roots.emplace_back(wine);
        fs::path generated = "/tmp/quarex-exe-bench";
        if (!fs::exists(generated)) {
            std::printf("generating %s ...\n", generated.c_str());
            generate(generated);
        }
        roots.push_back(generated);
    }
    for (const fs::path& root : roots) {
        std::vector<Folder> folders;
        collect(root, folders);
        std::size_t count = 0;
        for (const Folder& f : folders)
            count += f.files.size();
        if (count == 0) {
            std::printf("%s: no executable\n", root.c_str());
            continue;
        }
        // Warm the cache; enough passes for about 0.2 s a measure; interleaved rounds so that the three
        // measures see the same machine load.
        firstBlocks(folders);
        std::size_t withStrings = versionStrings(folders);
        const int passes = std::max(1, static_cast<int>(0.2 / timePasses([&] { versionStrings(folders); }, 1)));
        std::vector<double> base, version, scan;
        for (int round = 0; round < 7; ++round) {
            base.push_back(timePasses([&] { firstBlocks(folders); }, passes));
            version.push_back(timePasses([&] { versionStrings(folders); }, passes));
            scan.push_back(timePasses([&] { scanFacts(folders); }, passes));
        }
        double b = median(base), v = median(version), s = median(scan);
        std::printf("%s: %zu executables (%zu with version strings)\n", root.c_str(), count, withStrings);
        std::printf("  open + first 4 KiB          : %9.0f files/s\n", count / b);
        std::printf("  open + version strings      : %9.0f files/s  (%.2fx the 4 KiB read)\n", count / v, v / b);
        std::printf("  zFileInfo::PutFile (scan)   : %9.0f files/s  (%.2fx the 4 KiB read)\n", count / s, s / b);
    }
    return 0;
}
