#include "settings/ini_store.h"
#include "settings/write_target.h"

#include "fs/file_system.h"
#include "fs/replacing_file.h"
#include "messages/messages.h"
#include "text/string_table.h"
#include "text/text.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <istream>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace quarex {

namespace {

    // Settings and setup scripts are small; a larger file is not read for a lookup.
    constexpr std::size_t kReadLimit = 64 * 1024 * 1024;
    // A file we rewrite must be read whole; beyond this we refuse rather than truncate it.
    constexpr std::size_t kRewriteLimit = 512 * 1024 * 1024;

    bool isBlank(char c) { return c == ' ' || c == '\t'; }

    std::string_view trimBlanks(std::string_view s)
    {
        while (!s.empty() && isBlank(s.front()))
            s.remove_prefix(1);
        while (!s.empty() && isBlank(s.back()))
            s.remove_suffix(1);
        return s;
    }

    // The name of a section header under the classic rules ("[ name ]" gives "name").
    std::optional<std::string_view> classicHeader(std::string_view text)
    {
        std::string_view t = trimBlanks(text);
        if (t.empty() || t.front() != '[')
            return std::nullopt;
        t.remove_prefix(1);
        std::size_t close = t.find(']');
        if (close != std::string_view::npos)
            t = t.substr(0, close);
        return trimBlanks(t);
    }

    // The key of an entry under the classic rules (comments are not entries).
    std::optional<std::string_view> classicKey(std::string_view text, std::string_view* value = nullptr)
    {
        std::string_view t = trimBlanks(text);
        if (t.empty() || t.front() == ';')
            return std::nullopt;
        std::size_t eq = t.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        if (value)
            *value = trimBlanks(t.substr(eq + 1));
        return trimBlanks(t.substr(0, eq));
    }

    bool startsSection(std::string_view text)
    {
        std::size_t first = text.find_first_not_of(' ');
        return first != std::string_view::npos && text[first] == '[';
    }

    // The key of an entry under the large-file rules: the trimmed text before the first "=".
    std::optional<std::string_view> largeKey(std::string_view text)
    {
        std::string_view t = trimView(text);
        std::size_t eq = t.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        return trimView(t.substr(0, eq));
    }

    std::string largeHeader(std::string_view section) { return "[" + std::string(trimView(section)) + "]"; }

    // Keeps one value on one line: a line break in a value would start a new entry.
    std::string oneLine(std::string_view text)
    {
        std::string out(text);
        for (char& c : out)
            if (c == '\r' || c == '\n')
                c = ' ';
        return out;
    }

    std::string entryText(std::string_view key, std::string_view value)
    {
        return oneLine(trimBlanks(key)) + "=" + oneLine(value);
    }

    std::optional<bool> booleanFromText(std::string_view text)
    {
        std::string t = lowerCase(trimBlanks(text));
        if (t.empty())
            return std::nullopt;
        double number = 0;
        const char* begin = t.data();
        if (*begin == '+')
            ++begin;
        auto [end, ec] = std::from_chars(begin, t.data() + t.size(), number);
        if (ec == std::errc() && end == t.data() + t.size())
            return number != 0;
        if (t == "true" || t == "vrai" || t == "yes" || t == "oui" || t == "on")
            return true;
        if (t == "false" || t == "faux" || t == "no" || t == "non" || t == "off")
            return false;
        return std::nullopt;
    }

    // Writes the new content beside the target and renames it over the target, so the old file
    // stays whole until the new one is complete on disc. Returns 0, or the errno of the failure.
    int replaceFile(const std::string& path, std::string_view bytes)
    {
        ReplacingFile file(path);
        file.write(bytes);
        return file.commit() ? 0 : file.error();
    }

    // Holds an advisory lock on a file beside the settings file for one read-modify-write, so that two
    // running copies cannot each read the old text and one overwrite the other's change. The holder
    // removes the lock file before letting go; a waiter that then gets a removed file tries again.
    class SettingsLock {
    public:
        explicit SettingsLock(const std::string& target)
            : m_path(directoryOf(target) + "/.~" + std::string(fileNameOf(target)) + ".lock")
        {
            for (int attempt = 0; attempt < 1000; ++attempt) {
                m_fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0666);
                // Without a lock file (a folder we cannot write) the write itself fails and says why.
                if (m_fd < 0)
                    return;
                int locked;
                while ((locked = ::flock(m_fd, LOCK_EX)) != 0 && errno == EINTR) { }
                if (locked != 0)
                    return; // no locking on this file system: write as before
                struct stat held;
                struct stat named;
                if (::fstat(m_fd, &held) == 0 && ::lstat(m_path.c_str(), &named) == 0 && held.st_dev == named.st_dev
                    && held.st_ino == named.st_ino)
                    return;
                ::close(m_fd);
                m_fd = -1;
            }
        }
        ~SettingsLock()
        {
            if (m_fd < 0)
                return;
            ::unlink(m_path.c_str());
            ::close(m_fd);
        }
        SettingsLock(const SettingsLock&) = delete;
        SettingsLock& operator=(const SettingsLock&) = delete;

    private:
        std::string m_path;
        int m_fd = -1;
    };

    // The file a write really replaces: the target of a symbolic link rather than the link.
    std::string resolvedTarget(const std::string& path)
    {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
            char buffer[PATH_MAX];
            if (::realpath(path.c_str(), buffer))
                return buffer;
        }
        return path;
    }

    void reportWriteError(const char* label, std::string_view key, const std::string& file, int code)
    {
        raiseSystemError("Path/File access error", code);
        AfficheErreur(
            std::string(label) + " : " + sLoadString(285) + std::string(key) + "\r\n" + sLoadString(284) + file);
    }

    bool putValue(const char* label, std::string_view section, std::string_view key,
        std::optional<std::string_view> value, const std::string& file)
    {
        if (trim(file).empty()) {
            reportWriteError(label, key, file, ENOENT);
            return false;
        }
        std::string target = resolvedTarget(file);
        if (writeTargetOf(target) == WriteTarget::SkipSilently)
            return false;
        SettingsLock lock(target);
        struct stat st;
        bool exists = ::stat(target.c_str(), &st) == 0;
        std::string bytes;
        if (exists) {
            if (!S_ISREG(st.st_mode)) {
                reportWriteError(label, key, file, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
                return false;
            }
            // A file marked read-only is left alone, even for a user whose rights would override it.
            if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(target.c_str(), W_OK) != 0) {
                reportWriteError(label, key, file, EACCES);
                return false;
            }
            auto handle = nativeFileSystem().open(target);
            if (!handle) {
                reportWriteError(label, key, file, errno ? errno : EACCES);
                return false;
            }
            if (handle->size() > kRewriteLimit) {
                reportWriteError(label, key, file, EFBIG);
                return false;
            }
            bytes = readFileBytes(*handle, kRewriteLimit).value_or(std::string());
            if (bytes.size() != handle->size()) {
                reportWriteError(label, key, file, EIO);
                return false;
            }
        } else if (!value) {
            return true; // nothing to remove from a file that does not exist
        }
        IniDocument doc = IniDocument::parse(bytes);
        if (!doc.set(section, key, value, iniRulesForSize(bytes.size())) && exists)
            return true;
        int code = replaceFile(target, doc.bytes());
        if (code != 0) {
            reportWriteError(label, key, file, code);
            return false;
        }
        return true;
    }

} // namespace

// --- IniDocument -------------------------------------------------------------------------------

IniDocument IniDocument::parse(std::string_view bytes)
{
    IniDocument doc;
    doc.m_cp1252 = !isValidUtf8(bytes);
    bool newlineKnown = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        Line line;
        if (end == std::string_view::npos) {
            line.raw = std::string(bytes.substr(pos));
            pos = bytes.size();
        } else {
            line.raw = std::string(bytes.substr(pos, end - pos));
            std::size_t next = end + 1;
            if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n')
                ++next;
            line.ending = std::string(bytes.substr(end, next - end));
            pos = next;
            if (!newlineKnown) {
                doc.m_newline = line.ending;
                newlineKnown = true;
            }
        }
        std::string_view visible = line.raw;
        if (doc.m_lines.empty() && !doc.m_cp1252 && visible.substr(0, 3) == "\xEF\xBB\xBF")
            visible.remove_prefix(3);
        line.text = doc.m_cp1252 ? cp1252ToUtf8(visible) : std::string(visible);
        doc.m_lines.push_back(std::move(line));
    }
    return doc;
}

std::optional<std::string> IniDocument::find(std::string_view section, std::string_view key, IniRules rules) const
{
    if (rules == IniRules::Classic) {
        std::string_view wantedSection = trimBlanks(section);
        std::string_view wantedKey = trimBlanks(key);
        bool inSection = false;
        for (const Line& line : m_lines) {
            if (auto header = classicHeader(line.text)) {
                // Only the first section of that name counts.
                if (inSection)
                    return std::nullopt;
                inSection = equalsNoCase(*header, wantedSection);
                continue;
            }
            if (!inSection)
                continue;
            std::string_view value;
            auto k = classicKey(line.text, &value);
            if (k && equalsNoCase(*k, wantedKey))
                return std::string(value);
        }
        return std::nullopt;
    }
    const std::string header = largeHeader(section);
    std::string_view wantedKey = trimView(key);
    bool inSection = false;
    for (const Line& line : m_lines) {
        if (!inSection) {
            inSection = trimView(line.text) == header;
            continue;
        }
        if (startsSection(line.text))
            return std::nullopt;
        auto k = largeKey(line.text);
        if (k && *k == wantedKey)
            return line.text.substr(line.text.find('=') + 1);
    }
    return std::nullopt;
}

IniDocument::Line IniDocument::makeLine(std::string_view text) const
{
    Line line;
    line.text = std::string(text);
    line.raw = m_cp1252 ? utf8ToCp1252(text) : std::string(text);
    line.ending = m_newline;
    return line;
}

void IniDocument::ensureLastLineEnded()
{
    if (!m_lines.empty() && m_lines.back().ending.empty())
        m_lines.back().ending = m_newline;
}

bool IniDocument::replaceEntry(std::size_t at, std::string_view key, std::optional<std::string_view> value)
{
    if (!value) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    Line replacement = makeLine(entryText(key, *value));
    replacement.ending = m_lines[at].ending;
    if (replacement.raw == m_lines[at].raw)
        return false;
    m_lines[at] = std::move(replacement);
    return true;
}

void IniDocument::insertLine(std::size_t at, std::string_view text)
{
    if (at >= m_lines.size()) {
        ensureLastLineEnded();
        m_lines.push_back(makeLine(text));
        return;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), makeLine(text));
}

bool IniDocument::set(
    std::string_view section, std::string_view key, std::optional<std::string_view> value, IniRules rules)
{
    return rules == IniRules::Classic ? setClassic(section, key, value) : setLarge(section, key, value);
}

bool IniDocument::setClassic(std::string_view section, std::string_view key, std::optional<std::string_view> value)
{
    std::string_view wantedSection = trimBlanks(section);
    std::string_view wantedKey = trimBlanks(key);
    std::size_t start = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        auto header = classicHeader(m_lines[i].text);
        if (header && equalsNoCase(*header, wantedSection)) {
            start = i;
            break;
        }
    }
    if (start == m_lines.size()) {
        if (!value)
            return false;
        ensureLastLineEnded();
        if (!m_lines.empty() && !trimBlanks(m_lines.back().text).empty())
            m_lines.push_back(makeLine(""));
        m_lines.push_back(makeLine("[" + oneLine(wantedSection) + "]"));
        m_lines.push_back(makeLine(entryText(wantedKey, *value)));
        return true;
    }
    std::size_t end = start + 1;
    while (end < m_lines.size() && !classicHeader(m_lines[end].text))
        ++end;
    for (std::size_t i = start + 1; i < end; ++i) {
        auto k = classicKey(m_lines[i].text);
        if (!k || !equalsNoCase(*k, wantedKey))
            continue;
        // The key keeps the spelling it has in the file, as the profile functions do.
        return replaceEntry(i, *k, value);
    }
    if (!value)
        return false;
    // A new key goes after the section's last non-blank line.
    std::size_t at = end;
    while (at > start + 1 && trimBlanks(m_lines[at - 1].text).empty())
        --at;
    insertLine(at, entryText(wantedKey, *value));
    return true;
}

bool IniDocument::setLarge(std::string_view section, std::string_view key, std::optional<std::string_view> value)
{
    const std::string header = largeHeader(section);
    std::string_view wantedKey = trimView(key);
    bool seen = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string& text = m_lines[i].text;
        if (!seen) {
            seen = trimView(text) == header;
            continue;
        }
        // A blank line or the next header ends the section: the entry goes just before it.
        if (trimView(text).empty() || startsSection(text)) {
            if (!value)
                return false;
            insertLine(i, entryText(wantedKey, *value));
            return true;
        }
        auto k = largeKey(text);
        if (k && *k == wantedKey)
            return replaceEntry(i, wantedKey, value);
    }
    if (!value)
        return false;
    if (!seen) {
        insertLine(m_lines.size(), "");
        insertLine(m_lines.size(), header);
    }
    insertLine(m_lines.size(), entryText(wantedKey, *value));
    return true;
}

std::string IniDocument::bytes() const
{
    std::string out;
    std::size_t total = 0;
    for (const Line& line : m_lines)
        total += line.raw.size() + line.ending.size();
    out.reserve(total);
    for (const Line& line : m_lines) {
        out += line.raw;
        out += line.ending;
    }
    return out;
}

// --- Reading -----------------------------------------------------------------------------------

namespace {

    // The raw value of each key (empty when absent), before any cut.
    std::vector<std::string> rawValuesFromBytes(std::string_view bytes, const std::vector<IniKey>& keys)
    {
        // The same reading as IniDocument::find for each key, one line at a time: a line is decoded only
        // when it holds a byte above 0x7F, and nothing of it is kept once it has been looked at.
        const IniRules rules = iniRulesForSize(bytes.size());
        const bool cp1252 = !isValidUtf8(bytes);
        struct State {
            std::string_view section;
            std::string_view key;
            std::string largeHeader;
            bool inSection = false;
            bool done = false;
            std::string value;
        };
        std::vector<State> states;
        states.reserve(keys.size());
        for (const IniKey& k : keys) {
            State st;
            st.section = rules == IniRules::Classic ? trimBlanks(k.section) : trimView(k.section);
            st.key = rules == IniRules::Classic ? trimBlanks(k.key) : trimView(k.key);
            if (rules == IniRules::Large)
                st.largeHeader = largeHeader(k.section);
            states.push_back(std::move(st));
        }
        std::size_t pending = states.size();
        std::string decoded;
        std::size_t pos = 0;
        bool first = true;
        while (pos < bytes.size() && pending > 0) {
            std::size_t end = bytes.find_first_of("\r\n", pos);
            std::string_view raw = end == std::string_view::npos ? bytes.substr(pos) : bytes.substr(pos, end - pos);
            if (end == std::string_view::npos) {
                pos = bytes.size();
            } else {
                pos = end + 1;
                if (bytes[end] == '\r' && pos < bytes.size() && bytes[pos] == '\n')
                    ++pos;
            }
            if (first && !cp1252 && raw.substr(0, 3) == "\xEF\xBB\xBF")
                raw.remove_prefix(3);
            first = false;
            std::string_view text = raw;
            if (cp1252) {
                bool ascii = true;
                for (char c : raw)
                    if (static_cast<unsigned char>(c) >= 0x80) {
                        ascii = false;
                        break;
                    }
                if (!ascii) {
                    decoded = cp1252ToUtf8(raw);
                    text = decoded;
                }
            }
            if (rules == IniRules::Classic) {
                auto header = classicHeader(text);
                std::string_view value;
                auto k = header ? std::nullopt : classicKey(text, &value);
                for (State& st : states) {
                    if (st.done)
                        continue;
                    if (header) {
                        // Only the first section of that name counts.
                        if (st.inSection) {
                            st.done = true;
                            --pending;
                        } else {
                            st.inSection = equalsNoCase(*header, st.section);
                        }
                    } else if (st.inSection && k && equalsNoCase(*k, st.key)) {
                        st.value = std::string(value);
                        st.done = true;
                        --pending;
                    }
                }
                continue;
            }
            const bool sectionStart = startsSection(text);
            const std::string_view trimmed = trimView(text);
            std::optional<std::string_view> k = sectionStart ? std::nullopt : largeKey(text);
            for (State& st : states) {
                if (st.done)
                    continue;
                if (!st.inSection) {
                    st.inSection = trimmed == st.largeHeader;
                    continue;
                }
                if (sectionStart) {
                    st.done = true;
                    --pending;
                } else if (k && *k == st.key) {
                    st.value = std::string(text.substr(text.find('=') + 1));
                    st.done = true;
                    --pending;
                }
            }
        }
        std::vector<std::string> values;
        values.reserve(states.size());
        for (State& st : states)
            values.push_back(std::move(st.value));
        return values;
    }

} // namespace

std::vector<std::string> iniValuesFromBytes(std::string_view bytes, const std::vector<IniKey>& keys)
{
    std::vector<std::string> values = rawValuesFromBytes(bytes, keys);
    if (iniRulesForSize(bytes.size()) == IniRules::Classic)
        for (std::string& value : values)
            if (utf8Length(value) > kIniValueLimit)
                value = trim(utf8Left(value, kIniValueLimit));
    return values;
}

std::string iniValueFromBytes(
    std::string_view bytes, std::string_view section, std::string_view key, std::string_view defaultValue)
{
    std::string value = std::move(rawValuesFromBytes(bytes, { IniKey { section, key } }).front());
    if (value.empty())
        return std::string(defaultValue);
    if (iniRulesForSize(bytes.size()) == IniRules::Classic && utf8Length(value) > kIniValueLimit)
        return trim(utf8Left(value, kIniValueLimit));
    return value;
}

std::string GetIniString(
    std::string_view section, std::string_view key, std::string_view defaultValue, const std::string& file)
{
    if (file.empty())
        return std::string(defaultValue);
    auto handle = nativeFileSystem().open(file);
    if (!handle)
        return std::string(defaultValue);
    std::string bytes = readFileBytes(*handle, kReadLimit).value_or(std::string());
    if (handle->size() >= kLargeIniSize && bytes.size() < kLargeIniSize)
        return std::string(defaultValue); // the file could not be read whole
    return iniValueFromBytes(bytes, section, key, defaultValue);
}

std::string GetIniString(
    std::string_view section, std::string_view key, std::string_view defaultValue, std::istream& openFile)
{
    const std::string header = largeHeader(section);
    std::string_view wantedKey = trimView(key);
    bool inSection = false;
    std::string raw;
    while (std::getline(openFile, raw)) {
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        std::string text = decodeDiscText(raw);
        if (!inSection) {
            inSection = trimView(text) == header;
            continue;
        }
        if (startsSection(text))
            break;
        auto k = largeKey(text);
        if (k && *k == wantedKey) {
            std::string value = text.substr(text.find('=') + 1);
            return value.empty() ? std::string(defaultValue) : value;
        }
    }
    return std::string(defaultValue);
}

bool GetIniBoolean(std::string_view section, std::string_view key, bool defaultValue, const std::string& file)
{
    std::string text = GetIniString(section, key, defaultValue ? "-1" : "0", file);
    return booleanFromText(text).value_or(defaultValue);
}

// --- Writing -----------------------------------------------------------------------------------

bool PutIniString(
    std::string_view section, std::string_view key, std::optional<std::string_view> value, const std::string& file)
{
    return putValue("PutIniString()", section, key, value, file);
}

bool PutIniBoolean(std::string_view section, std::string_view key, bool value, const std::string& file)
{
    return putValue("PutIniBoolean()", section, key, std::string_view(value ? "-1" : "0"), file);
}

} // namespace quarex
