// An in-memory file system for tests: entries keep the order they were added in,
// and chosen directories can be made unreadable.
#pragma once

#include "fs/file_system.h"

#include <cstring>
#include <map>
#include <set>

namespace quarex::test {

class MemoryFileSystem final : public FileSystem {
public:
    // Adds a file (its parent directories are created in order).
    void addFile(const std::string& path, std::string bytes = {}, std::int64_t modified = 0)
    {
        addParents(path);
        m_files[path] = { std::move(bytes), modified };
        m_dirs[parentOf(path)].push_back({ nameOf(path), EntryType::File });
    }
    void addDirectory(const std::string& path) { addParents(path + "/x"); }
    void makeUnreadable(const std::string& path) { m_unreadable.insert(path); }

    std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override
    {
        if (!m_dirs.count(path) || m_unreadable.count(path))
            return nullptr;
        return std::make_unique<Dir>(*this, path);
    }
    std::optional<FileFacts> stat(const std::string& path) override
    {
        if (m_dirs.count(path))
            return FileFacts { 0, 0, true, false, 1, idOf(path) };
        auto it = m_files.find(path);
        if (it == m_files.end())
            return std::nullopt;
        return FileFacts { it->second.bytes.size(), it->second.modified, false, true, 1, idOf(path) };
    }
    std::unique_ptr<ReadableFile> open(const std::string& path) override
    {
        auto it = m_files.find(path);
        if (it == m_files.end())
            return nullptr;
        return std::make_unique<File>(it->second.bytes);
    }

private:
    struct Content {
        std::string bytes;
        std::int64_t modified;
    };
    struct File final : ReadableFile {
        explicit File(std::string b)
            : bytes(std::move(b))
        {
        }
        std::uint64_t size() const override { return bytes.size(); }
        std::size_t readAt(std::uint64_t offset, void* buffer, std::size_t length) override
        {
            if (offset >= bytes.size())
                return 0;
            std::size_t n = std::min<std::size_t>(length, bytes.size() - offset);
            std::memcpy(buffer, bytes.data() + offset, n);
            return n;
        }
        std::string bytes;
    };
    struct Dir final : DirectoryHandle {
        Dir(MemoryFileSystem& fs, std::string p)
            : m_fs(fs)
            , m_path(std::move(p))
            , m_entries(fs.m_dirs[m_path])
            , m_facts(*fs.stat(m_path))
        {
        }
        const std::string& path() const override { return m_path; }
        const std::vector<DirEntry>& entries() const override { return m_entries; }
        const FileFacts& facts() const override { return m_facts; }
        std::optional<FileFacts> statChild(std::string_view name) override { return m_fs.stat(joinPath(m_path, name)); }
        std::unique_ptr<ReadableFile> openChild(std::string_view name) override { return m_fs.open(joinPath(m_path, name)); }
        std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) override
        {
            return m_fs.openDirectory(joinPath(m_path, name));
        }
        MemoryFileSystem& m_fs;
        std::string m_path;
        std::vector<DirEntry> m_entries;
        FileFacts m_facts;
    };

    static std::string parentOf(const std::string& p)
    {
        auto slash = p.rfind('/');
        return slash == 0 ? "/" : p.substr(0, slash);
    }
    static std::string nameOf(const std::string& p) { return p.substr(p.rfind('/') + 1); }
    std::uint64_t idOf(const std::string& p)
    {
        auto [it, added] = m_ids.emplace(p, m_ids.size() + 1);
        return it->second;
    }
    void addParents(const std::string& path)
    {
        std::string parent = parentOf(path);
        if (m_dirs.count(parent))
            return;
        m_dirs[parent];
        if (parent != "/") {
            addParents(parent);
            m_dirs[parentOf(parent)].push_back({ nameOf(parent), EntryType::Directory });
        }
    }

    std::map<std::string, std::vector<DirEntry>> m_dirs;
    std::map<std::string, Content> m_files;
    std::map<std::string, std::uint64_t> m_ids;
    std::set<std::string> m_unreadable;
};

} // namespace quarex::test
