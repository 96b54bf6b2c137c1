// A file system that passes everything on to another one and counts the files opened and the children
// stat-ed in its directories; it can also hide the entry types, as an ISO 9660 mount does.
#pragma once

#include "text/text.h"
#include "fs/file_system.h"

#include <map>
#include <memory>
#include <string>

namespace quarex::test {

// Counts the files opened through a directory handle, by upper-cased name (and per directory).
class CountingFileSystem final : public FileSystem {
public:
    explicit CountingFileSystem(FileSystem& inner)
        : m_inner(inner)
    {
    }
    std::unique_ptr<DirectoryHandle> openDirectory(const std::string& path) override
    {
        ++directoriesOpened;
        return wrap(m_inner.openDirectory(path));
    }
    std::optional<FileFacts> stat(const std::string& path) override
    {
        ++pathsStated;
        return m_inner.stat(path);
    }
    std::unique_ptr<ReadableFile> open(const std::string& path) override
    {
        ++filesOpenedByPath;
        return m_inner.open(path);
    }

    std::map<std::string, int> opens; // name -> count
    std::map<std::string, std::map<std::string, int>> opensByDirectory; // name -> directory -> count
    std::map<std::string, int> childStats; // full path of a child -> statChild count
    int directoriesOpened = 0; // through the file system itself, not a directory handle
    int pathsStated = 0;
    int filesOpenedByPath = 0;
    bool untypedEntries = false; // directories listed from now on report every entry as Unknown

private:
    struct Dir final : DirectoryHandle {
        Dir(CountingFileSystem& owner, std::unique_ptr<DirectoryHandle> inner)
            : m_owner(owner)
            , m_inner(std::move(inner))
            , m_untyped(owner.untypedEntries)
        {
            if (m_untyped) {
                m_entries = m_inner->entries();
                for (DirEntry& e : m_entries)
                    e.type = EntryType::Unknown;
            }
        }
        const std::string& path() const override { return m_inner->path(); }
        const std::vector<DirEntry>& entries() const override { return m_untyped ? m_entries : m_inner->entries(); }
        const FileFacts& facts() const override { return m_inner->facts(); }
        bool listsEverything() const override { return m_inner->listsEverything(); }
        std::optional<FileFacts> statChild(std::string_view name) override
        {
            ++m_owner.childStats[joinPath(m_inner->path(), name)];
            return m_inner->statChild(name);
        }
        std::unique_ptr<ReadableFile> openChild(std::string_view name) override
        {
            std::string key = upperCase(name);
            ++m_owner.opens[key];
            ++m_owner.opensByDirectory[key][m_inner->path()];
            return m_inner->openChild(name);
        }
        std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) override
        {
            return m_owner.wrap(m_inner->openChildDirectory(name));
        }
        void release() override { m_inner->release(); }
        CountingFileSystem& m_owner;
        std::unique_ptr<DirectoryHandle> m_inner;
        bool m_untyped;
        std::vector<DirEntry> m_entries;
    };
    std::unique_ptr<DirectoryHandle> wrap(std::unique_ptr<DirectoryHandle> d)
    {
        return d ? std::make_unique<Dir>(*this, std::move(d)) : nullptr;
    }

    FileSystem& m_inner;
};

} // namespace quarex::test
