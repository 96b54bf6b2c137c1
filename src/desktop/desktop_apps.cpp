#include "desktop/desktop_apps.h"

#include "text/text.h"
#include "fs/file_system.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace quarex {

namespace {

    std::vector<std::string> splitList(std::string_view text, char separator)
    {
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find(separator, start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string item = trimWhitespace(text.substr(start, end - start));
            if (!item.empty())
                out.push_back(std::move(item));
            start = end + 1;
        }
        return out;
    }

    std::string envOr(const char* name, const std::string& fallback)
    {
        const char* value = std::getenv(name);
        return value && *value ? std::string(value) : fallback;
    }

    // Lines of a key file: "[Group]" headers and "Key=Value" pairs, comments and blank lines skipped.
    template <typename Visit> void forEachKeyFileLine(std::string_view text, Visit visit)
    {
        std::string group;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string line = trimWhitespace(text.substr(start, end - start));
            start = end + 1;
            if (line.empty() || line[0] == '#')
                continue;
            if (line.front() == '[' && line.back() == ']') {
                group = line.substr(1, line.size() - 2);
                continue;
            }
            std::size_t eq = line.find('=');
            if (eq == std::string::npos)
                continue;
            visit(group, trimWhitespace(std::string_view(line).substr(0, eq)),
                trimWhitespace(std::string_view(line).substr(eq + 1)));
        }
    }

    // Undoes the escapes of a string value: \s \n \t \r \\.
    std::string unescapeValue(std::string_view value)
    {
        std::string out;
        out.reserve(value.size());
        for (std::size_t i = 0; i < value.size(); ++i) {
            char c = value[i];
            if (c != '\\' || i + 1 >= value.size()) {
                out += c;
                continue;
            }
            char n = value[++i];
            switch (n) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            default:
                // Not a string escape: left for the Exec quoting rules.
                out += '\\';
                out += n;
            }
        }
        return out;
    }

    bool isExecutableFile(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
    }

    bool isRegularFile(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    bool isDirectory(const std::string& path)
    {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }

    std::optional<std::string> readSmallFile(const std::string& path)
    {
        auto file = nativeFileSystem().open(path);
        if (!file)
            return std::nullopt;
        // Key files are a few kilobytes; a huge one is not a key file.
        return readFileBytes(*file, 4 * 1024 * 1024);
    }

    // Looks for `rest` under `dir`, each '-' of the id possibly standing for a sub-folder.
    std::string resolveDesktopId(const std::string& dir, std::string_view rest, int depth)
    {
        std::string direct = joinPath(dir, rest);
        if (isRegularFile(direct))
            return direct;
        if (depth > 8)
            return {};
        for (std::size_t dash = rest.find('-'); dash != std::string_view::npos; dash = rest.find('-', dash + 1)) {
            std::string sub = joinPath(dir, rest.substr(0, dash));
            if (isDirectory(sub)) {
                std::string found = resolveDesktopId(sub, rest.substr(dash + 1), depth + 1);
                if (!found.empty())
                    return found;
            }
        }
        return {};
    }

    std::vector<std::string> applicationDirs(const XdgEnvironment& env)
    {
        std::vector<std::string> dirs;
        if (!env.dataHome.empty())
            dirs.push_back(joinPath(env.dataHome, "applications"));
        for (const auto& d : env.dataDirs)
            dirs.push_back(joinPath(d, "applications"));
        return dirs;
    }

    // The mimeapps.list files in order of precedence, desktop-specific ones first in each folder.
    std::vector<std::string> mimeAppsFiles(const XdgEnvironment& env)
    {
        std::vector<std::string> bases;
        if (!env.configHome.empty())
            bases.push_back(env.configHome);
        for (const auto& d : env.configDirs)
            bases.push_back(d);
        for (const auto& d : applicationDirs(env))
            bases.push_back(d);
        std::vector<std::string> files;
        for (const auto& base : bases) {
            for (const auto& desktop : env.desktops)
                files.push_back(joinPath(base, desktop + "-mimeapps.list"));
            files.push_back(joinPath(base, "mimeapps.list"));
        }
        return files;
    }

    const std::vector<std::string>* idsFor(
        const std::map<std::string, std::vector<std::string>>& group, const std::string& type)
    {
        auto it = group.find(type);
        return it == group.end() ? nullptr : &it->second;
    }

    bool contains(const std::vector<std::string>& list, const std::string& value)
    {
        return std::find(list.begin(), list.end(), value) != list.end();
    }

} // namespace

XdgEnvironment XdgEnvironment::fromProcess()
{
    XdgEnvironment env;
    std::string home = envOr("HOME", "");
    env.configHome = envOr("XDG_CONFIG_HOME", home.empty() ? std::string() : home + "/.config");
    env.configDirs = splitList(envOr("XDG_CONFIG_DIRS", "/etc/xdg"), ':');
    env.dataHome = envOr("XDG_DATA_HOME", home.empty() ? std::string() : home + "/.local/share");
    env.dataDirs = splitList(envOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
    for (const auto& d : splitList(envOr("XDG_CURRENT_DESKTOP", ""), ':'))
        env.desktops.push_back(lowerCase(d));
    env.path = splitList(envOr("PATH", "/usr/local/bin:/usr/bin:/bin"), ':');
    return env;
}

std::optional<DesktopEntry> parseDesktopEntry(std::string_view text)
{
    DesktopEntry entry;
    bool found = false;
    forEachKeyFileLine(text, [&](const std::string& group, const std::string& key, const std::string& value) {
        if (group != "Desktop Entry")
            return;
        found = true;
        if (key == "Type")
            entry.type = value;
        else if (key == "Exec")
            entry.exec = unescapeValue(value);
        else if (key == "TryExec")
            entry.tryExec = unescapeValue(value);
        else if (key == "Hidden")
            entry.hidden = value == "true";
        else if (key == "MimeType")
            entry.mimeTypes = splitList(value, ';');
    });
    // A group header alone still makes an entry (with nothing to run).
    if (!found && text.find("[Desktop Entry]") == std::string_view::npos)
        return std::nullopt;
    return entry;
}

std::vector<std::string> splitDesktopExec(std::string_view exec)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '"')
            quoted = true;
        else if (c == '\\' && i + 1 < exec.size())
            word += exec[++i];
        else
            word += c;
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

namespace {

    // Expands the field codes of one word; `file` is null to drop the file codes. Sets `hadFile` when one was met.
    std::string expandWord(const std::string& word, const std::string* file, bool& hadFile)
    {
        std::string out;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 >= word.size()) {
                out += word[i];
                continue;
            }
            char code = word[++i];
            switch (code) {
            case 'f':
            case 'F':
            case 'u':
            case 'U':
                hadFile = true;
                if (file)
                    out += *file;
                break;
            case '%':
                out += '%';
                break;
            default:
                // %i, %c, %k and the deprecated codes carry nothing the launcher gives.
                break;
            }
        }
        return out;
    }

    bool isOnlyFieldCodes(const std::string& word)
    {
        if (word.empty() || word.size() % 2 != 0)
            return false;
        for (std::size_t i = 0; i < word.size(); i += 2) {
            if (word[i] != '%' || word[i + 1] == '%')
                return false;
        }
        return true;
    }

} // namespace

std::vector<std::string> expandDesktopExec(const std::vector<std::string>& words, const std::string& file)
{
    std::vector<std::string> out;
    bool hadFile = false;
    for (const auto& w : words) {
        std::string expanded = expandWord(w, &file, hadFile);
        if (expanded.empty() && isOnlyFieldCodes(w))
            continue;
        out.push_back(std::move(expanded));
    }
    if (!hadFile)
        out.push_back(file);
    return out;
}

std::vector<std::string> stripFieldCodes(const std::vector<std::string>& words)
{
    std::vector<std::string> out;
    bool hadFile = false;
    for (const auto& w : words) {
        if (isOnlyFieldCodes(w))
            continue;
        out.push_back(expandWord(w, nullptr, hadFile));
    }
    return out;
}

MimeAppsList parseMimeAppsList(std::string_view text)
{
    MimeAppsList list;
    forEachKeyFileLine(text, [&](const std::string& group, const std::string& key, const std::string& value) {
        std::map<std::string, std::vector<std::string>>* target = nullptr;
        if (group == "Default Applications")
            target = &list.defaults;
        else if (group == "Added Associations" || group == "MIME Cache")
            target = &list.added;
        else if (group == "Removed Associations")
            target = &list.removed;
        if (!target || key.empty())
            return;
        auto& ids = (*target)[key];
        for (auto& id : splitList(value, ';')) {
            if (!contains(ids, id))
                ids.push_back(std::move(id));
        }
    });
    return list;
}

std::string findProgram(std::string_view name, const std::vector<std::string>& path)
{
    std::string program = trimWhitespace(name);
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return isExecutableFile(program) ? program : std::string();
    for (const auto& dir : path) {
        if (dir.empty())
            continue;
        std::string candidate = joinPath(dir, program);
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

std::string findDesktopFile(const XdgEnvironment& env, std::string_view id)
{
    if (id.empty() || id.find('/') != std::string_view::npos || id.find("..") != std::string_view::npos)
        return {};
    for (const auto& dir : applicationDirs(env)) {
        std::string found = resolveDesktopId(dir, id, 0);
        if (!found.empty())
            return found;
    }
    return {};
}

std::optional<DesktopApplication> loadDesktopApplication(const XdgEnvironment& env, std::string_view id)
{
    std::string file = findDesktopFile(env, id);
    if (file.empty())
        return std::nullopt;
    auto text = readSmallFile(file);
    if (!text)
        return std::nullopt;
    auto entry = parseDesktopEntry(*text);
    if (!entry || entry->hidden || (!entry->type.empty() && entry->type != "Application"))
        return std::nullopt;
    if (!entry->tryExec.empty() && findProgram(entry->tryExec, env.path).empty())
        return std::nullopt;
    std::vector<std::string> words = splitDesktopExec(entry->exec);
    if (words.empty())
        return std::nullopt;
    std::string program = findProgram(words[0], env.path);
    if (program.empty())
        return std::nullopt;
    words[0] = program;
    return DesktopApplication { std::string(id), file, std::move(words) };
}

std::optional<DesktopApplication> findDefaultApplication(
    const XdgEnvironment& env, const std::vector<std::string>& mimeTypes)
{
    std::vector<MimeAppsList> lists;
    for (const auto& file : mimeAppsFiles(env)) {
        if (auto text = readSmallFile(file))
            lists.push_back(parseMimeAppsList(*text));
    }
    std::vector<MimeAppsList> legacy;
    for (const auto& dir : applicationDirs(env)) {
        if (auto text = readSmallFile(joinPath(dir, "defaults.list")))
            legacy.push_back(parseMimeAppsList(*text));
    }
    std::vector<MimeAppsList> caches;
    for (const auto& dir : applicationDirs(env)) {
        if (auto text = readSmallFile(joinPath(dir, "mimeinfo.cache")))
            caches.push_back(parseMimeAppsList(*text));
    }

    for (const auto& type : mimeTypes) {
        std::vector<std::string> removed;
        for (const auto& list : lists) {
            if (const auto* ids = idsFor(list.removed, type))
                removed.insert(removed.end(), ids->begin(), ids->end());
        }
        auto tryIds = [&](const std::vector<std::string>* ids) -> std::optional<DesktopApplication> {
            if (!ids)
                return std::nullopt;
            for (const auto& id : *ids) {
                if (contains(removed, id))
                    continue;
                if (auto app = loadDesktopApplication(env, id))
                    return app;
            }
            return std::nullopt;
        };
        for (const auto& list : lists) {
            if (auto app = tryIds(idsFor(list.defaults, type)))
                return app;
        }
        for (const auto& list : lists) {
            if (auto app = tryIds(idsFor(list.added, type)))
                return app;
        }
        for (const auto& list : legacy) {
            if (auto app = tryIds(idsFor(list.defaults, type)))
                return app;
        }
        for (const auto& list : caches) {
            if (auto app = tryIds(idsFor(list.added, type)))
                return app;
        }
    }
    return std::nullopt;
}

} // namespace quarex
