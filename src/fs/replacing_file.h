// An output file that replaces its target only once it is written whole.
//
// The bytes go to a temporary file beside the target (same folder, so the final rename is atomic);
// commit() renames it over the target, keeping the old file's permissions. Until then, and whenever
// a write fails, the old target stays as it was and the temporary file is removed.
// A target that exists and is not a regular file (a terminal, a pipe, /dev/null) is written directly.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace quarex {

class ReplacingFile {
public:
    // Opens the temporary file beside `target` (or the target itself when it is not a regular file).
    explicit ReplacingFile(const std::string& target);
    // Discards what was written unless commit() succeeded.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // True while the file is open and no write has failed.
    bool good() const;
    // The path as given.
    const std::string& target() const { return m_target; }
    // The errno of the first failure (0 when none).
    int error() const { return m_error; }

    // A stream writing to the file (buffered); a failed write sets its badbit.
    std::ostream& stream();
    // Appends bytes; false once anything has failed.
    bool write(std::string_view bytes);
    // Flushes, syncs and renames the temporary file over the target; false (old target kept) on failure.
    bool commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

private:
    class Buffer;
    bool fail(int code);

    std::string m_target;
    std::string m_final; // the file really replaced (a symbolic link's target)
    std::string m_temp; // empty when writing directly
    int m_fd = -1;
    int m_error = 0;
    bool m_keepOwner = false;
    unsigned m_mode = 0;
    unsigned m_uid = 0;
    unsigned m_gid = 0;
    bool m_done = false;
    std::unique_ptr<Buffer> m_buffer;
    std::unique_ptr<std::ostream> m_stream;
};

} // namespace quarex
