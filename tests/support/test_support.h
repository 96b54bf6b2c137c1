// Helpers for tests: temporary directory trees and small files.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quarex::test {

// A temporary directory removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    // Writes a file (creating its folders) and returns its full path.
    std::string write(const std::string& relative, std::string_view bytes = {}) const;
    // Creates a folder (and its parents) and returns its full path.
    std::string mkdir(const std::string& relative) const;

private:
    std::filesystem::path m_path;
};

// Reads a whole file as bytes ("" when it cannot be read).
std::string readFile(const std::string& path);

// What a shell command wrote on standard output, and its exit status (-1 when it did not exit normally).
struct CommandRun {
    int status = -1;
    std::string out;
};

// Runs a command through the shell and waits for it.
CommandRun runCommand(const std::string& command);

} // namespace quarex::test
