// What the text viewer needs apart from the window: the kind of a related file, the lines of a text file read
// in batches (UTF-8 when the whole file is valid UTF-8, else Windows-1252), and the viewer's messages.
#pragma once

#include "fs/file_system.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quarex {

// How a click on a related file shows it, by its extension (without regard to case).
enum class ViewerKind {
    Text, // .diz, .txt: shown in the viewer
    Help, // .hlp: the help viewer
    Icon, // .ico: the picture box
    Document // anything else: its associated program
};
ViewerKind viewerKindOf(std::string_view fileName);

// The most text the viewer takes from one file; a larger file is shown up to there.
inline constexpr std::uint64_t kViewerTextLimit = 64ull * 1024 * 1024;

// Reads a text file line by line. A line ends at CR LF, LF or CR; a last line without its end is a line like
// the others, and a DOS end-of-file mark (Ctrl-Z) closing the file is not text.
class TextLineReader {
public:
    // Opens a file through the file system; nothing when it cannot be opened.
    static std::unique_ptr<TextLineReader> open(FileSystem& fs, const std::string& path);

    // Appends up to `maxLines` lines to `out`, joined by "\n" (a "\n" is put before the first one when `out`
    // is not empty); returns the number of lines read, 0 at the end of the text.
    std::size_t readLines(std::size_t maxLines, std::string& out);
    // True when the text is read as UTF-8, false for Windows-1252.
    bool isUtf8() const { return m_utf8; }
    // True when a read failed before the end of the file.
    bool failed() const { return m_failed; }
    // True when the file is longer than the viewer's limit and only its beginning is read.
    bool truncated() const { return m_truncated; }
    // The file's size in bytes.
    std::uint64_t size() const { return m_size; }

private:
    TextLineReader(std::unique_ptr<ReadableFile> file, std::uint64_t size);
    bool fill();
    void decideEncoding();

    std::unique_ptr<ReadableFile> m_file;
    std::uint64_t m_size = 0;
    std::uint64_t m_end = 0; // bytes taken from the file (limit and end-of-file mark applied)
    std::uint64_t m_offset = 0; // next byte to read from the file
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_utf8 = true;
    bool m_failed = false;
    bool m_truncated = false;
    bool m_pendingCr = false; // the previous buffer ended on CR: a LF starting this one belongs to it
};

// The whole text of a file as the viewer shows it (lines joined by "\n"); nothing when it cannot be opened.
std::optional<std::string> readViewerText(FileSystem& fs, const std::string& path);

// The message for a text file that is not shown because it is empty.
std::string sMessageFichierVide(const std::string& path, std::uint64_t length);
// The status line while a text file loads.
std::string sMessageChargement(const std::string& path, std::uint64_t length);

} // namespace quarex
