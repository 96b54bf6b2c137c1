#include "fs/volume.h"

#include "text/text.h"

#include <algorithm>
#include <unordered_map>

namespace quarex {

namespace {

    class VolumeDirectory final : public DirectoryHandle {
    public:
        VolumeDirectory(std::shared_ptr<Volume> volume, std::string path, const VolumeEntry& self,
            std::vector<VolumeEntry> children, std::uint64_t device)
            : m_volume(std::move(volume))
            , m_path(std::move(path))
            , m_facts(volumeFacts(self, device))
            , m_device(device)
        {
            m_nodes.reserve(children.size());
            m_entries.reserve(children.size());
            for (VolumeEntry& child : children) {
                // Two records with one name (an ISO name and its variant without version): the first wins.
                if (child.name.empty() || child.name == "." || child.name == ".."
                    || !m_index.emplace(child.name, m_nodes.size()).second)
                    continue;
                m_entries.push_back(
                    DirEntry { child.name, child.isDirectory ? EntryType::Directory : EntryType::File });
                m_nodes.push_back(std::move(child));
            }
        }

        const std::string& path() const override { return m_path; }
        const std::vector<DirEntry>& entries() const override { return m_entries; }
        const FileFacts& facts() const override { return m_facts; }

        std::optional<FileFacts> statChild(std::string_view name) override
        {
            const VolumeEntry* node = child(name);
            if (!node)
                return std::nullopt;
            return volumeFacts(*node, m_device);
        }

        std::unique_ptr<ReadableFile> openChild(std::string_view name) override
        {
            const VolumeEntry* node = child(name);
            if (!node || node->isDirectory)
                return nullptr;
            return m_volume->open(*node);
        }

        std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) override
        {
            const VolumeEntry* node = child(name);
            if (!node || !node->isDirectory)
                return nullptr;
            auto children = m_volume->list(*node);
            if (!children)
                return nullptr;
            return std::make_unique<VolumeDirectory>(
                m_volume, joinPath(m_path, name), *node, std::move(*children), m_device);
        }

    private:
        const VolumeEntry* child(std::string_view name) const
        {
            auto it = m_index.find(std::string(name));
            return it == m_index.end() ? nullptr : &m_nodes[it->second];
        }

        std::shared_ptr<Volume> m_volume;
        std::string m_path;
        FileFacts m_facts;
        std::uint64_t m_device;
        std::vector<VolumeEntry> m_nodes;
        std::vector<DirEntry> m_entries;
        std::unordered_map<std::string, std::size_t> m_index;
    };

} // namespace

void ImageProblems::report(const std::string& image, const std::string& message)
{
    std::string line = image + " : " + message;
    std::lock_guard lock(m_mutex);
    if (std::find(m_messages.begin(), m_messages.end(), line) == m_messages.end())
        m_messages.push_back(std::move(line));
}

std::vector<std::string> ImageProblems::messages() const
{
    std::lock_guard lock(m_mutex);
    return m_messages;
}

FileFacts volumeFacts(const VolumeEntry& entry, std::uint64_t device)
{
    FileFacts f;
    f.size = entry.size;
    f.modified = entry.modified;
    f.isDirectory = entry.isDirectory;
    f.isRegular = !entry.isDirectory;
    f.device = device;
    f.inode = entry.id;
    return f;
}

VolumeFileSystem::VolumeFileSystem(std::string imagePath, std::shared_ptr<Volume> volume, std::uint64_t device)
    : m_imagePath(std::move(imagePath))
    , m_volume(std::move(volume))
    , m_device(device)
{
}

std::optional<VolumeEntry> VolumeFileSystem::find(const std::string& path)
{
    if (path != m_imagePath
        && (path.size() <= m_imagePath.size() || path.compare(0, m_imagePath.size(), m_imagePath) != 0
            || path[m_imagePath.size()] != kPathSeparator))
        return std::nullopt;
    VolumeEntry current = m_volume->root();
    std::string_view rest = std::string_view(path).substr(m_imagePath.size());
    while (!rest.empty()) {
        rest.remove_prefix(1);
        std::size_t slash = rest.find(kPathSeparator);
        std::string_view component = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        if (component.empty() || component == ".")
            continue;
        if (!current.isDirectory)
            return std::nullopt;
        auto children = m_volume->list(current);
        if (!children)
            return std::nullopt;
        // The exact name first; a path typed in another case still finds its entry.
        auto it = std::find_if(
            children->begin(), children->end(), [&](const VolumeEntry& e) { return e.name == component; });
        if (it == children->end())
            it = std::find_if(children->begin(), children->end(),
                [&](const VolumeEntry& e) { return equalsNoCase(e.name, component); });
        if (it == children->end())
            return std::nullopt;
        current = std::move(*it);
    }
    return current;
}

std::unique_ptr<DirectoryHandle> VolumeFileSystem::openDirectory(const std::string& path)
{
    auto entry = find(path);
    if (!entry || !entry->isDirectory)
        return nullptr;
    auto children = m_volume->list(*entry);
    if (!children)
        return nullptr;
    return std::make_unique<VolumeDirectory>(m_volume, path, *entry, std::move(*children), m_device);
}

std::optional<FileFacts> VolumeFileSystem::stat(const std::string& path)
{
    auto entry = find(path);
    if (!entry)
        return std::nullopt;
    return volumeFacts(*entry, m_device);
}

std::unique_ptr<ReadableFile> VolumeFileSystem::open(const std::string& path)
{
    auto entry = find(path);
    if (!entry || entry->isDirectory)
        return nullptr;
    return m_volume->open(*entry);
}

} // namespace quarex
