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

    // What a listing tells beyond its entries.
    struct ListingFacts {
        std::uint64_t selfInode = 0; // the inode of "." (0 when the listing gives none)
    };

    void addEntry(std::vector<DirEntry>& entries, std::string_view name, unsigned char type, std::uint64_t inode,
        EntryFilter keep, ListingFacts& listing)
    {
        if (name.size() <= 2 && name.find_first_not_of('.') == std::string_view::npos) {
            if (name.size() == 1)
                listing.selfInode = inode;
            return;
        }
        EntryType t = typeFromDirent(type);
        // Only files are filtered: a link or an untyped entry may be a folder, which the walk needs.
        if (keep && (t == EntryType::File || t == EntryType::Other) && !keep(name))
            return;
        entries.push_back(DirEntry { std::string(name), t, inode });
    }

    // Reads the entries of an open directory, in the file system's order; false when it cannot be read.
    bool listEntries(int fd, std::vector<DirEntry>& entries, EntryFilter keep, ListingFacts& listing)
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
                if (e->d_reclen == 0) {
                    errno = EIO;
                    return false;
                }
                addEntry(entries, e->d_name, e->d_type, e->d_ino, keep, listing);
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
        errno = 0;
        while (struct dirent* e = ::readdir(dir))
            addEntry(entries, e->d_name, e->d_type, e->d_ino, keep, listing);
        int error = errno;
        ::closedir(dir);
        errno = error;
        return error == 0;
#endif
    }

    // A directory's place in the tree: its parent's place and its own name. Each level holds only its
    // name, so that a deep walk keeps memory linear; the whole path is built when asked for.
    struct PathLink {
        std::shared_ptr<PathLink> parent;
        std::string name; // the whole path for the directory a walk starts from

        PathLink(std::shared_ptr<PathLink> up, std::string_view own)
            : parent(std::move(up))
            , name(own)
        {
        }
        PathLink(const PathLink&) = delete;
        PathLink& operator=(const PathLink&) = delete;
        // Frees a chain of links one after the other rather than by recursion (a deep chain would
        // overflow the stack).
        ~PathLink()
        {
            std::shared_ptr<PathLink> up = std::move(parent);
            while (up && up.use_count() == 1)
                up = std::move(up->parent);
        }
    };

    class NativeDirectory final : public DirectoryHandle {
    public:
        // Takes ownership of an open directory descriptor and lists it. `known` is the identity the parent's
        // listing gave, used without an fstat when the listing of "." confirms it.
        static std::unique_ptr<NativeDirectory> fromFd(
            int fd, std::shared_ptr<PathLink> link, EntryFilter keep, const std::optional<FileFacts>& known)
        {
            if (fd < 0)
                return nullptr;
            auto handle = std::unique_ptr<NativeDirectory>(new NativeDirectory(fd, std::move(link)));
            handle->m_listsEverything = !keep;
            ListingFacts listing;
            if (!listEntries(fd, handle->m_entries, keep, listing))
                return failed(std::move(handle));
            if (known && known->inode != 0 && listing.selfInode == known->inode) {
                // Same inode seen from both sides: not a mount point, so the parent's device holds too.
                handle->m_facts = *known;
                return handle;
            }
            struct stat st;
            if (::fstat(fd, &st) != 0)
                return failed(std::move(handle));
            if (!S_ISDIR(st.st_mode)) {
                errno = ENOTDIR;
                return failed(std::move(handle));
            }
            handle->m_facts = factsFrom(st);
            return handle;
        }

        ~NativeDirectory() override { release(); }
        NativeDirectory(const NativeDirectory&) = delete;
        NativeDirectory& operator=(const NativeDirectory&) = delete;

        const std::string& path() const override
        {
            if (m_path.empty())
                m_path = buildPath();
            return m_path;
        }
        const std::vector<DirEntry>& entries() const override { return m_entries; }
        const FileFacts& facts() const override { return m_facts; }
        bool listsEverything() const override { return m_listsEverything; }

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
            return openFolder(name, nullptr, std::nullopt);
        }

        std::unique_ptr<DirectoryHandle> openChildFolder(const DirEntry& entry, EntryFilter keep) override
        {
            std::optional<FileFacts> known;
            if (entry.type == EntryType::Directory && entry.inode != 0) {
                known = FileFacts {};
                known->isDirectory = true;
                known->device = m_facts.device;
                known->inode = entry.inode;
            }
            return openFolder(entry.name, keep, known);
        }

        void release() override
        {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = -1;
        }

        bool reacquireThrough(DirectoryHandle& child) override
        {
            if (m_fd >= 0)
                return true;
            auto* native = dynamic_cast<NativeDirectory*>(&child);
            if (!native || native->m_fd < 0) {
                errno = EBADF;
                return false;
            }
            int fd = ::openat(native->m_fd, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                return false;
            // The way up must lead back to this very directory, not to wherever it was moved meanwhile.
            struct stat st;
            if (::fstat(fd, &st) != 0 || st.st_dev != m_facts.device || st.st_ino != m_facts.inode) {
                ::close(fd);
                errno = ESTALE;
                return false;
            }
            m_fd = fd;
            return true;
        }

    private:
        NativeDirectory(int fd, std::shared_ptr<PathLink> link)
            : m_fd(fd)
            , m_link(std::move(link))
        {
        }

        static std::unique_ptr<NativeDirectory> failed(std::unique_ptr<NativeDirectory> handle)
        {
            int error = errno;
            handle.reset();
            errno = error;
            return nullptr;
        }

        std::unique_ptr<DirectoryHandle> openFolder(
            std::string_view name, EntryFilter keep, const std::optional<FileFacts>& known)
        {
            if (!ensureOpen())
                return nullptr;
            int fd = ::openat(m_fd, std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                return nullptr;
            return fromFd(fd, std::make_shared<PathLink>(m_link, name), keep, known);
        }

        std::string buildPath() const
        {
            std::vector<const PathLink*> chain;
            std::size_t length = 0;
            for (const PathLink* l = m_link.get(); l; l = l->parent.get()) {
                chain.push_back(l);
                length += l->name.size() + 1;
            }
            std::string out;
            out.reserve(length);
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
                if (it != chain.rbegin() && (out.empty() || out.back() != kPathSeparator))
                    out.push_back(kPathSeparator);
                out.append((*it)->name);
            }
            return out;
        }

        // A released directory comes back only through reacquireThrough(): a path may name something
        // else by now, or be too long for the system to take.
        bool ensureOpen()
        {
            if (m_fd < 0)
                errno = EBADF;
            return m_fd >= 0;
        }

        int m_fd;
        std::shared_ptr<PathLink> m_link;
        mutable std::string m_path;
        FileFacts m_facts;
        std::vector<DirEntry> m_entries;
        bool m_listsEverything = true;
    };

    class NativeFileSystem final : public FileSystem {
    public:
        std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override
        {
            return openDirectoryFiltered(path, nullptr);
        }

        std::unique_ptr<DirectoryHandle> openDirectoryFiltered(const std::string& path, EntryFilter keep) override
        {
            if (path.empty()) {
                errno = ENOENT;
                return nullptr;
            }
            return NativeDirectory::fromFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC),
                std::make_shared<PathLink>(nullptr, path), keep, std::nullopt);
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
