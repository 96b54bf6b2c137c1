// The desktop's applications on a freedesktop system: desktop entries, their Exec lines, and the default
// application of a MIME type as the mimeapps.list files, defaults.list and mimeinfo.cache name it.
// Plain file reading; the window asks the MIME type of a file from Qt and the rest from here.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarex {

// The folders where configuration and data files are looked up, and the program search path.
struct XdgEnvironment {
    std::string configHome; // $XDG_CONFIG_HOME, default ~/.config
    std::vector<std::string> configDirs; // $XDG_CONFIG_DIRS, default /etc/xdg
    std::string dataHome; // $XDG_DATA_HOME, default ~/.local/share
    std::vector<std::string> dataDirs; // $XDG_DATA_DIRS, default /usr/local/share:/usr/share
    std::vector<std::string> desktops; // $XDG_CURRENT_DESKTOP, lower-cased, e.g. "gnome"
    std::vector<std::string> path; // $PATH

    // The environment of this process, with the defaults of the base-directory rules.
    static XdgEnvironment fromProcess();
};

// What the launcher needs of a desktop entry (group [Desktop Entry]).
struct DesktopEntry {
    std::string type;
    std::string exec;
    std::string tryExec;
    bool hidden = false;
    std::vector<std::string> mimeTypes;
};

// Reads the [Desktop Entry] group of a .desktop file; nothing when the group is absent.
std::optional<DesktopEntry> parseDesktopEntry(std::string_view text);

// Splits an Exec value into its words (quoting and escapes undone); field codes such as %f stay in the words.
std::vector<std::string> splitDesktopExec(std::string_view exec);

// The words of an Exec line for one file: %f %F %u %U become the file, %% a percent sign, the other field codes
// vanish. When the line has no file field code, the file is appended.
std::vector<std::string> expandDesktopExec(const std::vector<std::string>& words, const std::string& file);

// Removes every field code from the words of an Exec line (words made only of field codes are dropped).
std::vector<std::string> stripFieldCodes(const std::vector<std::string>& words);

// The groups of a mimeapps.list, defaults.list or mimeinfo.cache: MIME type to desktop ids, in order.
struct MimeAppsList {
    std::map<std::string, std::vector<std::string>> defaults; // [Default Applications]
    std::map<std::string, std::vector<std::string>> added; // [Added Associations] and [MIME Cache]
    std::map<std::string, std::vector<std::string>> removed; // [Removed Associations]
};

// Reads one of those files.
MimeAppsList parseMimeAppsList(std::string_view text);

// A program name resolved: itself when it holds a '/' and is an executable file, else the first executable
// file of that name along the search path; "" when there is none.
std::string findProgram(std::string_view name, const std::vector<std::string>& path);

// The application chosen for a MIME type.
struct DesktopApplication {
    std::string id; // desktop id, e.g. "org.gnome.FileRoller.desktop"
    std::string file; // the .desktop file
    std::vector<std::string> command; // Exec words, the program resolved to its full path, field codes kept
};

// The file of a desktop id in the applications folders ("foo-bar.desktop" may be foo/bar.desktop); "" when none.
std::string findDesktopFile(const XdgEnvironment& env, std::string_view id);

// The usable application of a desktop id (installed, not hidden, program found), or nothing.
std::optional<DesktopApplication> loadDesktopApplication(const XdgEnvironment& env, std::string_view id);

// The default application of the first MIME type that has one (list the type, then its parents).
// Per type: the defaults of the mimeapps.list files in order of precedence, then their added associations,
// then the legacy defaults.list, then mimeinfo.cache; ids listed as removed are skipped.
std::optional<DesktopApplication> findDefaultApplication(
    const XdgEnvironment& env, const std::vector<std::string>& mimeTypes);

} // namespace quarex
