#include "fs/replacing_file.h"

#include "fs/file_system.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quarex {

namespace {

    bool writeAll(int fd, const char* data, std::size_t size, int& code)
    {
        while (size > 0) {
            ssize_t n = ::write(fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                code = n == 0 ? EIO : errno;
                return false;
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }

    mode_t currentUmask()
    {
        mode_t mask = ::umask(022);
        ::umask(mask);
        return mask;
    }

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

} // namespace

// Collects bytes and hands them to the file in large blocks.
class ReplacingFile::Buffer final : public std::streambuf {
public:
    explicit Buffer(ReplacingFile& owner)
        : m_owner(owner)
        , m_data(kSize)
    {
        setp(m_data.data(), m_data.data() + m_data.size());
    }

    // Writes out what is buffered; false when the file refused it.
    bool drain()
    {
        std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
        setp(m_data.data(), m_data.data() + m_data.size());
        if (pending == 0)
            return m_owner.m_error == 0;
        if (m_owner.m_error != 0 || m_owner.m_fd < 0)
            return false;
        int code = 0;
        if (!writeAll(m_owner.m_fd, m_data.data(), pending, code))
            return m_owner.fail(code);
        return true;
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

private:
    static constexpr std::size_t kSize = 256 * 1024;
    ReplacingFile& m_owner;
    std::vector<char> m_data;
};

ReplacingFile::ReplacingFile(const std::string& target)
    : m_target(target)
    , m_final(resolvedTarget(target))
{
    m_buffer = std::make_unique<Buffer>(*this);
    m_stream = std::make_unique<std::ostream>(m_buffer.get());
    if (target.empty()) {
        fail(ENOENT);
        return;
    }
    struct stat st;
    bool exists = ::stat(m_final.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        fail(EISDIR);
        return;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device or a pipe cannot be replaced: it receives the bytes as they come.
        m_fd = ::open(m_final.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_fd < 0)
            fail(errno);
        return;
    }
    if (exists && ::access(m_final.c_str(), W_OK) != 0) {
        // A file its owner made read-only is not replaced behind their back.
        fail(errno);
        return;
    }
    if (exists) {
        m_mode = st.st_mode & 07777;
        m_uid = st.st_uid;
        m_gid = st.st_gid;
        m_keepOwner = true;
    } else {
        m_mode = 0666 & ~currentUmask();
    }
    m_temp = directoryOf(m_final) + "/.~" + std::string(fileNameOf(m_final)) + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        int code = errno;
        m_temp.clear();
        fail(code);
    }
}

ReplacingFile::~ReplacingFile()
{
    if (!m_done)
        discard();
}

bool ReplacingFile::good() const { return m_fd >= 0 && m_error == 0 && !m_done; }

std::ostream& ReplacingFile::stream() { return *m_stream; }

bool ReplacingFile::write(std::string_view bytes)
{
    m_stream->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return good() && m_stream->good();
}

bool ReplacingFile::fail(int code)
{
    if (m_error == 0)
        m_error = code ? code : EIO;
    return false;
}

bool ReplacingFile::commit()
{
    if (m_done)
        return m_error == 0;
    m_stream->flush();
    if (!m_buffer->drain() || !m_stream->good() || m_fd < 0) {
        if (m_fd >= 0 && m_stream->bad())
            fail(EIO);
        discard();
        return false;
    }
    if (m_temp.empty()) {
        int closing = ::close(m_fd);
        m_fd = -1;
        m_done = true;
        return closing == 0 || fail(errno);
    }
    if (m_keepOwner) {
        // Another owner cannot be kept by a plain user: the file then becomes the writer's own.
        [[maybe_unused]] int kept = ::fchown(m_fd, m_uid, m_gid);
    }
    if (::fchmod(m_fd, static_cast<mode_t>(m_mode)) != 0 || ::fsync(m_fd) != 0) {
        fail(errno);
        discard();
        return false;
    }
    int closing = ::close(m_fd);
    m_fd = -1;
    if (closing != 0 || ::rename(m_temp.c_str(), m_final.c_str()) != 0) {
        fail(errno);
        discard();
        return false;
    }
    m_temp.clear();
    m_done = true;
    int dirFd = ::open(directoryOf(m_final).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void ReplacingFile::discard()
{
    // What is still buffered is dropped, never written.
    m_stream->setstate(std::ios::badbit);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
    m_done = true;
}

} // namespace quarex
