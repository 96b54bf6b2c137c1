// The paths fixed once at start-up: the settings file, the help file, and the
// program's own directory; also where the Windows directory of a Wine prefix is, when there is one.
#pragma once

#include <string>

namespace quarex {

// What start-up needs to know; every field has a sensible default.
struct StartupOptions {
    std::string programPath; // the executable; "" = this process's executable
    std::string helpFile = "Quarex.hlp"; // the help file recorded for the program
    bool changeDirectory = true; // make the program's directory the current one
};

// Fixes the settings file, the help file and the current directory (see initialiseLibrary).
void initialisePaths(const StartupOptions& options = {});

// The directory that holds the executable (no trailing separator).
const std::string& programDirectory();
// The settings file: "Quarex.ini" beside the program, or in the user's configuration directory.
const std::string& settingsFilePath();
// The help file found at start-up (its bare name when it was found nowhere).
const std::string& helpFilePath();

// The `windows` folder of the Wine prefix ($WINEPREFIX, else ~/.wine), or "" when there is none.
std::string windowsDirectory();

// Where the settings file goes for a program directory: beside the program when that directory can
// be written, else $XDG_CONFIG_HOME/Quarex/Quarex.ini (default ~/.config/Quarex/Quarex.ini).
std::string settingsPathFor(const std::string& programDir);
// The help file rule: the recorded path when it exists, else the program directory joined with it,
// else the program directory joined with its bare name, else the bare name.
std::string locateHelpFile(const std::string& recorded, const std::string& programDir);
// True for a directory this process may create files in (and not on a CD or a read-only mount).
bool isWritableDirectory(const std::string& dir);

} // namespace quarex
