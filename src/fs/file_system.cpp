#include "fs/file_system.h"

#include "text/text.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarex {

namespace {

    FileFacts factsFrom(const struct stat& st)
    {
        FileFacts f;
        f.size = static_cast<std::uint64_t>(st.st_size < 0 ? 0 : st.st_size);
        f.modified = st.st_mtime;
        f.isDirectory = S_ISDIR(st.st_mode);
        f.isRegular = S_ISREG(st.st_mode);
        f.device = st.st_dev;
        f.inode = st.st_ino;
        return f;
    }

    class NativeFile final : public ReadableFile {
    public:
        NativeFile(int fd, const FileFacts& facts)
            : m_fd(fd)
            , m_facts(facts)
        {
        }
        ~NativeFile() override { ::close(m_fd); }
        NativeFile(const NativeFile&) = delete;
        NativeFile& operator=(const NativeFile&) = delete;

        std::uint64_t size() const override { return m_facts.size; }
        std::optional<FileFacts> facts() const override { return m_facts; }

        std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
        {
            std::size_t done = 0;
            auto* out = static_cast<char*>(buffer);
            while (done < length) {
                ssize_t n = ::pread(m_fd, out + done, length - done, static_cast<off_t>(offset + done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                done += static_cast<std::size_t>(n);
            }
            return done;
        }

    private:
        int m_fd;
        FileFacts m_facts;
    };

    std::unique_ptr<ReadableFile> fileFromFd(int fd)
    {
        if (fd < 0)
            return nullptr;
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<NativeFile>(fd, factsFrom(st));
    }

    EntryType typeFromDirent(unsigned char t)
    {
        switch (t) {
        case DT_REG:
            return EntryType::File;
        case DT_DIR:
            return EntryType::Directory;
        case DT_LNK:
            return EntryType::Symlink;
        case DT_UNKNOWN:
            return EntryType::Unknown;
        default:
            return EntryType::Other;
        }
    }

    void addEntry(std::vector<DirEntry>& entries, std::string_view name, unsigned char type)
    {
        if (name == "." || name == "..")
            return;
        entries.push_back(DirEntry { std::string(name), typeFromDirent(type) });
    }

    // Reads every entry of an open directory, in the file system's order; false when it cannot be read.
    bool listEntries(int fd, std::vector<DirEntry>& entries)
    {
#if defined(__linux__) && defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 30)
        // getdents64 on the descriptor itself: no duplicate descriptor, no stream, no extra stat per folder.
        alignas(8) char buffer[32 * 1024];
        while (true) {
            ssize_t n = ::getdents64(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            for (ssize_t pos = 0; pos < n;) {
                auto* e = reinterpret_cast<struct dirent64*>(buffer + pos);
                if (e->d_reclen == 0)
                    return false;
                addEntry(entries, e->d_name, e->d_type);
                pos += e->d_reclen;
            }
        }
#else
        int listFd = ::dup(fd);
        DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (!dir) {
            if (listFd >= 0)
                ::close(listFd);
            return false;
        }
        while (struct dirent* e = ::readdir(dir))
            addEntry(entries, e->d_name, e->d_type);
        ::closedir(dir);
        return true;
#endif
    }

    class NativeDirectory final : public DirectoryHandle {
    public:
        // Takes ownership of an open directory descriptor.
        static std::unique_ptr<DirectoryHandle> fromFd(int fd, std::string path)
        {
            if (fd < 0)
                return nullptr;
            struct stat st;
            if (::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) {
                ::close(fd);
                return nullptr;
            }
            auto handle = std::unique_ptr<NativeDirectory>(new NativeDirectory(fd, std::move(path), factsFrom(st)));
            if (!listEntries(fd, handle->m_entries)) {
                // The descriptor stays owned by the handle, which closes it.
                return nullptr;
            }
            return handle;
        }

        ~NativeDirectory() override { release(); }
        NativeDirectory(const NativeDirectory&) = delete;
        NativeDirectory& operator=(const NativeDirectory&) = delete;

        const std::string& path() const override { return m_path; }
        const std::vector<DirEntry>& entries() const override { return m_entries; }
        const FileFacts& facts() const override { return m_facts; }

        std::optional<FileFacts> statChild(std::string_view name) override
        {
            struct stat st;
            if (!ensureOpen() || ::fstatat(m_fd, std::string(name).c_str(), &st, 0) != 0)
                return std::nullopt;
            return factsFrom(st);
        }

        std::unique_ptr<ReadableFile> openChild(std::string_view name) override
        {
            if (!ensureOpen())
                return nullptr;
            return fileFromFd(::openat(m_fd, std::string(name).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        }

        std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) override
        {
            if (!ensureOpen())
                return nullptr;
            int fd = ::openat(m_fd, std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return fromFd(fd, joinPath(m_path, name));
        }

        void release() override
        {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
        }

    private:
        NativeDirectory(int fd, std::string path, FileFacts facts)
            : m_fd(fd)
            , m_path(std::move(path))
            , m_facts(facts)
        {
        }

        bool ensureOpen()
        {
            if (m_fd < 0)
                m_fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return m_fd >= 0;
        }

        int m_fd;
        std::string m_path;
        FileFacts m_facts;
        std::vector<DirEntry> m_entries;
    };

    class NativeFileSystem final : public FileSystem {
    public:
        std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override
        {
            if (path.empty())
                return nullptr;
            return NativeDirectory::fromFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC), path);
        }

        std::optional<FileFacts> stat(const std::string& path) override
        {
            struct stat st;
            if (path.empty() || ::stat(path.c_str(), &st) != 0)
                return std::nullopt;
            return factsFrom(st);
        }

        std::unique_ptr<ReadableFile> open(const std::string& path) override
        {
            if (path.empty())
                return nullptr;
            return fileFromFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        }
    };

} // namespace

FileSystem& nativeFileSystem()
{
    static NativeFileSystem fs;
    return fs;
}

std::string joinPath(std::string_view dir, std::string_view name)
{
    std::string out(dir);
    if (out.empty() || out.back() != kPathSeparator)
        out.push_back(kPathSeparator);
    out.append(name);
    return out;
}

std::string directoryOf(std::string_view path)
{
    std::size_t slash = path.rfind(kPathSeparator);
    if (slash == std::string_view::npos)
        return ".";
    return std::string(slash == 0 ? path.substr(0, 1) : path.substr(0, slash));
}

std::string_view fileNameOf(std::string_view path)
{
    std::size_t slash = path.rfind(kPathSeparator);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> readFileBytes(ReadableFile& file, std::size_t limit)
{
    std::uint64_t size = file.size();
    std::size_t wanted = size > limit ? limit : static_cast<std::size_t>(size);
    std::string bytes(wanted, '\0');
    std::size_t got = wanted ? file.readAt(0, bytes.data(), wanted) : 0;
    bytes.resize(got);
    return bytes;
}

} // namespace quarex
