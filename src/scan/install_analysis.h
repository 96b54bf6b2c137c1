// The analysis of installation procedures: a better description for each row from the files that
// stand beside the program (setup scripts SETUP.LST, SETUP.INI, INSTALL.INF; readme files
// file_id.diz, lisezmoi.txt, readme.txt, INSTALL.TXT; logiciel.txt for the version).
// Siblings are found without regard to case and read once per directory.
#pragma once

#include "scan/scan_engine.h"

#include <array>
#include <string>
#include <string_view>

namespace quarex {

// Refines the row just written for `file` (location, name and first description already in place):
// the description from setup scripts and readme files, then the size and date (ZIP archives) or the
// version, then the final checks of the description and the version taken from logiciel.txt; control
// characters of every cell of the row made blanks.
void analyseInstallation(
    Grid& grid, int row, int table, DirectoryContext& dir, const ListedFile& file, const zFileInfo& info);

// True for the name of a sibling file the analysis looks up (ASCII, without regard to case): a scan's
// listing of a folder keeps these beside the executables and archives.
bool isLookedUpSibling(std::string_view name);
// True when the trimmed, upper-cased text holds ten identical characters in a row, one of * # - = _.
bool isSeparatorLine(std::string_view description);
// A readme line as shown: decoded (UTF-8 when valid, else Windows-1252), cut to 95 characters,
// tabs and other control characters made blanks, trimmed.
std::string readmeLine(std::string_view rawLine);
// The first two lines of a text file, raw and without their endings (CR LF, LF or CR); missing lines are "".
std::array<std::string, 2> firstTwoLines(ReadableFile& file);
// The version given by a line of logiciel.txt: the text after its first ":", then after its first blank.
std::string versionFromLogicielLine(std::string_view line);

} // namespace quarex
