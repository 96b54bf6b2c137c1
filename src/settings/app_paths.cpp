#include "settings/app_paths.h"
#include "settings/write_target.h"

#include "text/text.h"
#include "fs/file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarex {

namespace {

    struct Paths {
        std::string programDir;
        std::string settings;
        std::string help;
    };

    Paths& paths()
    {
        static Paths p;
        return p;
    }

    std::string executablePath()
    {
        char buffer[PATH_MAX];
        ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
        if (n <= 0)
            return {};
        return std::string(buffer, static_cast<std::size_t>(n));
    }

    std::string homeDirectory()
    {
        if (const char* home = std::getenv("HOME"); home && *home)
            return home;
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            return pw->pw_dir;
        return {};
    }

    bool isFile(const std::string& path)
    {
        struct stat st;
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    bool isDirectory(const std::string& path)
    {
        struct stat st;
        return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    void makeDirectories(const std::string& dir)
    {
        if (dir.empty() || isDirectory(dir))
            return;
        makeDirectories(directoryOf(dir));
        ::mkdir(dir.c_str(), 0700);
    }

} // namespace

bool isWritableDirectory(const std::string& dir)
{
    return isDirectory(dir) && ::access(dir.c_str(), W_OK | X_OK) == 0 && writeTargetOf(dir) == WriteTarget::Writable;
}

std::string settingsPathFor(const std::string& programDir)
{
    if (isWritableDirectory(programDir))
        return joinPath(programDir, "Quarex.ini");
    std::string config;
    // XDG_CONFIG_HOME counts only when it is an absolute path; a relative one is ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        config = xdg;
    else
        config = joinPath(homeDirectory(), ".config");
    return joinPath(joinPath(config, "Quarex"), "Quarex.ini");
}

std::string locateHelpFile(const std::string& recorded, const std::string& programDir)
{
    if (isFile(recorded))
        return recorded;
    std::string path = replaceAll(recorded, "\\", "/");
    std::string bare(fileNameOf(path));
    for (const std::string& candidate : { joinPath(programDir, path), joinPath(programDir, bare) })
        if (isFile(candidate))
            return candidate;
    return bare;
}

std::string windowsDirectory()
{
    std::string prefix;
    if (const char* wine = std::getenv("WINEPREFIX"); wine && *wine)
        prefix = wine;
    else if (std::string home = homeDirectory(); !home.empty())
        prefix = joinPath(home, ".wine");
    if (prefix.empty())
        return {};
    std::string windows = joinPath(joinPath(prefix, "drive_c"), "windows");
    return isDirectory(windows) ? windows : std::string();
}

const std::string& programDirectory()
{
    Paths& p = paths();
    if (p.programDir.empty())
        p.programDir = directoryOf(executablePath());
    return p.programDir;
}

const std::string& settingsFilePath()
{
    Paths& p = paths();
    if (p.settings.empty())
        p.settings = settingsPathFor(programDirectory());
    return p.settings;
}

const std::string& helpFilePath() { return paths().help; }

void initialisePaths(const StartupOptions& options)
{
    Paths& p = paths();
    std::string program = options.programPath.empty() ? executablePath() : options.programPath;
    p.programDir = directoryOf(program);
    p.settings = settingsPathFor(p.programDir);
    if (directoryOf(p.settings) != p.programDir)
        makeDirectories(directoryOf(p.settings));
    p.help = locateHelpFile(options.helpFile, p.programDir);
    // A program started from a network share keeps the current directory it was given.
    bool network = p.programDir.rfind("//", 0) == 0;
    if (options.changeDirectory && !network) {
        [[maybe_unused]] int changed = ::chdir(p.programDir.c_str());
    }
}

} // namespace quarex
