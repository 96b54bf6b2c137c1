// Scratch files: where they go (TMP, TEMP, the program's folder, /tmp), how they are named, and the
// one scratch file this run keeps from start-up to shut-down.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quarex {

// The full path of a scratch file that does not exist: directory + "~" + prefix + digits + ".tmp".
std::string TempFileName(std::string_view prefix);
// The prefix of a scratch-file name: accented Latin-1 letters become "_", at most 5 characters, "Qrex" when empty.
std::string cleanTempPrefix(std::string_view prefix);
// The directory of scratch files: TMP, else TEMP, else the program's directory when it is writable, else /tmp.
std::string temporaryDirectoryFrom(const char* tmp, const char* temp, const std::string& programDir);
// The directory of scratch files for this run (looked up once).
const std::string& temporaryDirectory();
// Draws names as TempFileName does until `isTaken` refuses none; the range widens after repeated collisions.
std::string drawTempFileName(
    const std::string& directory, std::string_view prefix, const std::function<bool(const std::string&)>& isTaken);
// Creates a new empty scratch file exclusively and returns its path ("" when that is impossible).
std::string createTempFile(std::string_view prefix);

// The scratch file of this run, fixed at start-up ("" before it).
const std::string& scratchFilePath();
// Creates the scratch file of this run once (it is never handed out by TempFileName).
void createScratchFile();
// Deletes the scratch file of this run (at shut-down).
void removeScratchFile();

} // namespace quarex
