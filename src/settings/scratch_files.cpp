#include "settings/scratch_files.h"

#include "settings/app_paths.h"
#include "text/text.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace quarex {

namespace {

    std::string& scratchPath()
    {
        static std::string path;
        return path;
    }

} // namespace

std::string cleanTempPrefix(std::string_view prefix)
{
    std::string out;
    std::size_t count = 0;
    for (std::size_t i = 0; i < prefix.size() && count < 5; ++count) {
        std::size_t from = i;
        char32_t cp = nextCodePoint(prefix, i);
        bool accented = cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7;
        // Path separators and control characters would put the file elsewhere or break its name.
        if (accented || cp == '/' || cp == '\\' || cp < 0x20 || cp == 0xFFFD)
            out.push_back('_');
        else
            out.append(prefix.substr(from, i - from));
    }
    return out.empty() ? std::string("Qrex") : out;
}

std::string temporaryDirectoryFrom(const char* tmp, const char* temp, const std::string& programDir)
{
    if (tmp && *tmp)
        return tmp;
    if (temp && *temp)
        return temp;
    if (!programDir.empty() && isWritableDirectory(programDir))
        return programDir;
    return "/tmp";
}

const std::string& temporaryDirectory()
{
    static const std::string dir = temporaryDirectoryFrom(std::getenv("TMP"), std::getenv("TEMP"), programDirectory());
    return dir;
}

std::string drawTempFileName(
    const std::string& directory, std::string_view prefix, const std::function<bool(const std::string&)>& isTaken)
{
    static std::mt19937_64 generator(static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count() ^ static_cast<std::uint64_t>(::getpid())));
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    const std::string base = AddBackslash(directory) + "~" + std::string(prefix);
    auto nameOf = [&](std::uint64_t n, int width) {
        std::string digits = std::to_string(n);
        if (digits.size() < static_cast<std::size_t>(width))
            digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
        return base + digits + ".tmp";
    };
    // Three draws among 023 to 039, then ever wider ranges, then counting: a free name is always found.
    struct Range {
        double span;
        int width;
        int draws;
    };
    const Range ranges[] = { { 17, 3, 3 }, { 977, 3, 40 }, { 99977, 5, 40 }, { 9999977, 7, 40 } };
    for (const Range& range : ranges) {
        for (int i = 0; i < range.draws; ++i) {
            std::string name = nameOf(static_cast<std::uint64_t>(draw(generator) * range.span + 23), range.width);
            if (!isTaken(name))
                return name;
        }
    }
    for (std::uint64_t n = 10000000;; ++n) {
        std::string name = nameOf(n, 8);
        if (!isTaken(name))
            return name;
    }
}

std::string TempFileName(std::string_view prefix)
{
    return drawTempFileName(temporaryDirectory(), cleanTempPrefix(prefix), [](const std::string& path) {
        struct stat st;
        return path == scratchFilePath() || ::lstat(path.c_str(), &st) == 0;
    });
}

std::string createTempFile(std::string_view prefix)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TempFileName(prefix);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

const std::string& scratchFilePath() { return scratchPath(); }

void createScratchFile()
{
    if (scratchPath().empty())
        scratchPath() = createTempFile("Qrex");
}

void removeScratchFile()
{
    if (!scratchPath().empty())
        ::unlink(scratchPath().c_str());
}

} // namespace quarex
