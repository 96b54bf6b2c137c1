// LIB_INI: reading and writing INI files (the settings file, WIN.INI, setup scripts found on discs).
//
// Files under 320000 bytes follow the classic profile rules: section and key matched without regard
// to case, values trimmed and cut to 255 characters. Files of 320000 bytes or more follow the
// line-by-line rules: section header and key matched exactly, the value returned whole, a blank line
// or the next header ending the section. Lines of any other form are carried along untouched, and a
// write keeps the file's encoding (UTF-8 when the file is valid UTF-8, otherwise Windows-1252).
// Every write goes to a file beside the target that then replaces it, so a failure never loses it.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// Files of this many bytes or more are handled by the line-by-line rules.
inline constexpr std::uint64_t kLargeIniSize = 320000;
// Longest value returned under the classic rules, in characters.
inline constexpr std::size_t kIniValueLimit = 255;

enum class IniRules {
    Classic, // section and key without regard to case, values trimmed and cut
    Large // exact header and key, value whole, a blank line ends the section on writes
};

// The rules that apply to a file of `size` bytes.
inline IniRules iniRulesForSize(std::uint64_t size)
{
    return size >= kLargeIniSize ? IniRules::Large : IniRules::Classic;
}

// An INI text held line by line; untouched lines are written back byte for byte.
class IniDocument {
public:
    IniDocument() = default;
    // Splits bytes into lines (CR LF, LF or CR) and decides the encoding.
    static IniDocument parse(std::string_view bytes);

    // The raw value of a key (decoded to UTF-8), or nothing when the section or key is absent.
    std::optional<std::string> find(std::string_view section, std::string_view key, IniRules rules) const;
    // Writes key=value in the section (a missing value removes the key); true when the text changed.
    bool set(std::string_view section, std::string_view key, std::optional<std::string_view> value, IniRules rules);
    // The file's bytes, in its own encoding and line endings.
    std::string bytes() const;

    bool isWindows1252() const { return m_cp1252; }
    std::size_t lineCount() const { return m_lines.size(); }

private:
    struct Line {
        std::string raw; // bytes as found, without the line ending
        std::string text; // decoded UTF-8 text (byte order mark removed)
        std::string ending; // "\r\n", "\n", "\r" or "" for a last line without one
    };
    Line makeLine(std::string_view text) const;
    bool setClassic(std::string_view section, std::string_view key, std::optional<std::string_view> value);
    bool setLarge(std::string_view section, std::string_view key, std::optional<std::string_view> value);
    void insertLine(std::size_t at, std::string_view text);
    // Line `at` holds the entry: rewrites it as key=value (keeping its line ending), or erases it when no value.
    bool replaceEntry(std::size_t at, std::string_view key, std::optional<std::string_view> value);
    void ensureLastLineEnded();

    std::vector<Line> m_lines;
    bool m_cp1252 = false;
    std::string m_newline = "\r\n";
};

// The value that GetIniString gives for INI bytes already read: the rules are chosen by the size.
std::string iniValueFromBytes(
    std::string_view bytes, std::string_view section, std::string_view key, std::string_view defaultValue);

// One key to look up: its section and name.
struct IniKey {
    std::string_view section;
    std::string_view key;
};
// The values of several keys, each as iniValueFromBytes gives it with an empty default, found in one
// pass over the bytes without holding their lines (time linear in the size, little memory).
std::vector<std::string> iniValuesFromBytes(std::string_view bytes, const std::vector<IniKey>& keys);

// Value of a key: trimmed (and cut to 255 characters) under 320000 bytes, whole from 320000 bytes up;
// `defaultValue` when the file is absent, the key is absent or the value is empty.
std::string GetIniString(
    std::string_view section, std::string_view key, std::string_view defaultValue, const std::string& file);
// Same, read line by line from a file already open (the large-file rules; the stream is not closed).
std::string GetIniString(
    std::string_view section, std::string_view key, std::string_view defaultValue, std::istream& openFile);
// A boolean: "0" reads as false, any other number as true; other texts give the default.
bool GetIniBoolean(std::string_view section, std::string_view key, bool defaultValue, const std::string& file);
// Writes key=value; a missing value (std::nullopt) removes the key. False when nothing was written
// (a failure, reported through AfficheErreur, or a target on a CD-ROM or read-only mount, skipped silently).
bool PutIniString(
    std::string_view section, std::string_view key, std::optional<std::string_view> value, const std::string& file);
// Writes "-1" for true, "0" for false.
bool PutIniBoolean(std::string_view section, std::string_view key, bool value, const std::string& file);
// The settings file of this program, read and written in plain words:
//   IniFile settings(settingsFilePath());
//   bool help = settings.getBool("Options", "affiche_aide", true);
//   settings.set("html", "titre", "Mon CD");  settings.remove("html", "fond");
class IniFile {
public:
    explicit IniFile(std::string path)
        : m_path(std::move(path))
    {
    }
    const std::string& path() const { return m_path; }

    std::string get(std::string_view section, std::string_view key, std::string_view defaultValue = {}) const
    {
        return GetIniString(section, key, defaultValue, m_path);
    }
    bool getBool(std::string_view section, std::string_view key, bool defaultValue) const
    {
        return GetIniBoolean(section, key, defaultValue, m_path);
    }
    bool set(std::string_view section, std::string_view key, std::string_view value)
    {
        return PutIniString(section, key, value, m_path);
    }
    bool setBool(std::string_view section, std::string_view key, bool value)
    {
        return PutIniBoolean(section, key, value, m_path);
    }
    bool remove(std::string_view section, std::string_view key)
    {
        return PutIniString(section, key, std::nullopt, m_path);
    }

private:
    std::string m_path;
};

// Helpers behind the routines above, exposed for their own checks.

} // namespace quarex
