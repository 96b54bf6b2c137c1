#include "fs/disc_images.h"

#include "fs/cd_sectors.h"
#include "fs/fat_image.h"
#include "fs/iso_image.h"
#include "text/text.h"

#include <algorithm>
#include <unordered_set>

namespace quarex {

namespace {

    constexpr std::size_t kLargestCueSheet = 64 * 1024;
    // Opened images kept for later paths into them (each holds one descriptor).
    constexpr std::size_t kKeptImages = 8;
    // Images get device numbers of their own, far from those of real devices.
    constexpr std::uint64_t kFirstImageDevice = 0xFFFF000000000000ull;

    bool hasExtension(std::string_view name, std::string_view ext)
    {
        return name.size() > ext.size() && endsWithNoCase(name, ext);
    }

    bool isTocName(std::string_view name) { return hasExtension(name, ".toc"); }
    // A sheet that describes data files: a cue sheet or a cdrdao table of contents.
    bool isCueName(std::string_view name) { return hasExtension(name, ".cue") || isTocName(name); }

    // The file a cue sheet names, looked for beside the cue: as written, then in another case, then by its last
    // component alone (sheets made on another machine keep that machine's folder).
    std::optional<std::string> findCueFile(const std::string& cuePath, const std::string& named)
    {
        std::string dir = directoryOf(cuePath);
        std::string name = named;
        std::replace(name.begin(), name.end(), '\\', '/');
        std::string candidates[]
            = { name.front() == '/' ? name : joinPath(dir, name), joinPath(dir, fileNameOf(name)) };
        for (const std::string& c : candidates) {
            auto facts = nativeFileSystem().stat(c);
            if (facts && facts->isRegular)
                return c;
        }
        if (auto listing = nativeFileSystem().openDirectory(dir))
            for (const DirEntry& e : listing->entries())
                if (equalsNoCase(e.name, fileNameOf(name)))
                    return joinPath(dir, e.name);
        return std::nullopt;
    }

    std::optional<CueSheet> readCueSheet(ReadableFile& file, bool toc)
    {
        if (file.size() > kLargestCueSheet)
            return std::nullopt;
        auto text = readFileBytes(file, kLargestCueSheet);
        if (!text)
            return std::nullopt;
        return toc ? parseTocSheet(*text) : parseCueSheet(*text);
    }

    std::optional<OpenedImage> openCue(
        const std::string& path, ReadableFile& cueFile, std::shared_ptr<ImageProblems> problems, std::string& error)
    {
        auto sheet = readCueSheet(cueFile, isTocName(path));
        if (!sheet) {
            error = "feuille de repères illisible";
            return std::nullopt;
        }
        OpenedImage image;
        image.container = isTocName(path) ? "BIN/TOC" : "BIN/CUE";
        for (const CueTrack& t : sheet->tracks)
            image.tracks.push_back(TrackInfo { t.number, t.mode, t.startSector });
        auto data = std::find_if(
            sheet->tracks.begin(), sheet->tracks.end(), [](const CueTrack& t) { return t.mode.rfind("MODE", 0) == 0; });
        if (data == sheet->tracks.end()) {
            error = "aucune piste de données (disque audio)";
            return std::nullopt;
        }
        auto binPath = findCueFile(path, data->file);
        if (!binPath) {
            error = "fichier « " + data->file + " » introuvable";
            return std::nullopt;
        }
        if (data->startSector != 0) {
            error = "piste de données au milieu de « " + data->file + " » non prise en charge";
            return std::nullopt;
        }
        auto bin = nativeFileSystem().open(*binPath);
        auto layout = bin ? sniffCdLayout(*bin) : std::nullopt;
        if (!layout || (sectorSizeOfMode(data->mode) != 0 && layout->sectorSize != sectorSizeOfMode(data->mode))) {
            error = "« " + data->file + " » ne contient pas de volume ISO 9660 " + data->mode;
            return std::nullopt;
        }
        image.sectorSize = static_cast<int>(layout->sectorSize);
        image.volume = openIsoVolume(*binPath, *layout, path, std::move(problems), error);
        if (!image.volume)
            return std::nullopt;
        return image;
    }

    // A folder of the real disc whose images (confirmed by their content) are listed as folders.
    class ImageFolder final : public DirectoryHandle {
    public:
        // `container` is the image holding the folder, if any.
        ImageFolder(ImageAwareFileSystem& fs, std::unique_ptr<DirectoryHandle> inner,
            std::shared_ptr<VolumeFileSystem> container)
            : m_fs(fs)
            , m_inner(std::move(inner))
            , m_container(std::move(container))
            , m_entries(m_inner->entries())
        {
            // The files a cue sheet names are read through the cue, not once more as images of their own.
            std::unordered_set<std::string> named;
            for (const DirEntry& e : m_entries) {
                if (e.type == EntryType::Directory || !isCueName(e.name))
                    continue;
                auto file = m_inner->openChild(e.name);
                auto sheet = file ? readCueSheet(*file, isTocName(e.name)) : std::nullopt;
                if (!sheet)
                    continue;
                for (const std::string& f : sheet->files) {
                    std::string n = f;
                    std::replace(n.begin(), n.end(), '\\', '/');
                    named.insert(upperCase(fileNameOf(n)));
                }
                m_images.insert(e.name);
            }
            for (DirEntry& e : m_entries) {
                if (e.type == EntryType::Directory || !hasImageExtension(e.name) || isCueName(e.name)
                    || named.count(upperCase(e.name)))
                    continue;
                auto file = m_inner->openChild(e.name);
                if (file && (sniffCdLayout(*file) || sniffFat(*file)))
                    m_images.insert(e.name);
            }
            for (DirEntry& e : m_entries)
                if (m_images.count(e.name))
                    e.type = EntryType::Directory;
        }

        const std::string& path() const override { return m_inner->path(); }
        const std::vector<DirEntry>& entries() const override { return m_entries; }
        const FileFacts& facts() const override { return m_inner->facts(); }
        bool listsEverything() const override { return m_inner->listsEverything(); }

        std::optional<FileFacts> statChild(std::string_view name) override
        {
            if (!m_images.count(std::string(name)))
                return m_inner->statChild(name);
            std::string imagePath = joinPath(path(), name);
            auto volume = m_fs.volumeAt(imagePath, nullptr, true, m_container.get());
            return volume ? volume->stat(imagePath) : m_inner->statChild(name);
        }

        std::unique_ptr<ReadableFile> openChild(std::string_view name) override { return m_inner->openChild(name); }

        std::unique_ptr<DirectoryHandle> openChildDirectory(std::string_view name) override
        {
            if (m_images.count(std::string(name))) {
                std::string imagePath = joinPath(path(), name);
                auto volume = m_fs.volumeAt(imagePath, nullptr, true, m_container.get());
                auto root = volume ? volume->openDirectory(imagePath) : nullptr;
                if (!root)
                    return nullptr;
                return std::make_unique<ImageFolder>(m_fs, std::move(root), volume);
            }
            auto child = m_inner->openChildDirectory(name);
            if (!child)
                return nullptr;
            return std::make_unique<ImageFolder>(m_fs, std::move(child), m_container);
        }

        void release() override { m_inner->release(); }

    private:
        ImageAwareFileSystem& m_fs;
        std::unique_ptr<DirectoryHandle> m_inner;
        std::shared_ptr<VolumeFileSystem> m_container;
        std::vector<DirEntry> m_entries;
        std::unordered_set<std::string> m_images;
    };

} // namespace

bool hasImageExtension(std::string_view name)
{
    for (std::string_view ext :
        { ".iso", ".cue", ".bin", ".img", ".ima", ".vfd", ".flp", ".dsk", ".nrg", ".mdf", ".toc" })
        if (hasExtension(name, ext))
            return true;
    return false;
}

std::optional<OpenedImage> openImageFile(
    const std::string& path, std::shared_ptr<ImageProblems> problems, std::string& error)
{
    error.clear();
    auto file = nativeFileSystem().open(path);
    if (!file) {
        error = "fichier illisible";
        return std::nullopt;
    }
    if (isCueName(path))
        return openCue(path, *file, std::move(problems), error);
    if (auto layout = sniffCdLayout(*file)) {
        file.reset();
        OpenedImage image;
        image.sectorSize = static_cast<int>(layout->sectorSize);
        if (layout->sectorSize != 2048 || layout->start != 0) {
            image.container = "CD brut";
            image.tracks.push_back(TrackInfo { 1, layout->mode, 0 });
        }
        image.volume = openIsoVolume(path, *layout, path, std::move(problems), error);
        if (!image.volume)
            return std::nullopt;
        return image;
    }
    if (sniffFat(*file)) {
        OpenedImage image;
        image.volume = openFatVolume(std::move(file), path, std::move(problems), error);
        if (!image.volume)
            return std::nullopt;
        return image;
    }
    error = kNotAnImage;
    return std::nullopt;
}

std::optional<OpenedImage> openImageInImage(const std::string& path, std::unique_ptr<ReadableFile> file,
    std::shared_ptr<ImageProblems> problems, std::string& error)
{
    error.clear();
    if (!file) {
        error = "fichier illisible";
        return std::nullopt;
    }
    if (sniffFat(*file)) {
        OpenedImage image;
        image.volume = openFatVolume(std::move(file), path, std::move(problems), error);
        if (!image.volume)
            return std::nullopt;
        return image;
    }
    error = sniffCdLayout(*file) ? "image de CD contenue dans une autre image : non prise en charge" : kNotAnImage;
    return std::nullopt;
}

std::optional<ImageInfo> readImageInfo(const std::string& path, std::string& error)
{
    auto image = openImageFile(path, std::make_shared<ImageProblems>(), error);
    if (!image)
        return std::nullopt;
    ImageInfo info = image->volume->info();
    if (!image->container.empty())
        info.format += " (" + image->container + ")";
    if (image->sectorSize)
        info.sectorSize = image->sectorSize;
    info.tracks = image->tracks;
    return info;
}

ImageAwareFileSystem::ImageAwareFileSystem(FileSystem& inner, bool imagesInFolders)
    : m_inner(inner)
    , m_imagesInFolders(imagesInFolders)
    , m_problems(std::make_shared<ImageProblems>())
    , m_nextDevice(kFirstImageDevice)
{
}

std::shared_ptr<VolumeFileSystem> ImageAwareFileSystem::volumeAt(
    const std::string& imagePath, std::string* error, bool reportFailure, VolumeFileSystem* container)
{
    std::lock_guard lock(m_mutex);
    for (auto it = m_recent.begin(); it != m_recent.end(); ++it) {
        if (it->first == imagePath) {
            m_recent.splice(m_recent.begin(), m_recent, it);
            return m_recent.front().second;
        }
    }
    if (auto failed = m_failed.find(imagePath); failed != m_failed.end()) {
        if (error)
            *error = failed->second;
        return nullptr;
    }
    std::string why;
    auto image = container ? openImageInImage(imagePath, container->open(imagePath), m_problems, why)
                           : openImageFile(imagePath, m_problems, why);
    if (!image) {
        if (reportFailure)
            m_problems->report(imagePath, why);
        m_failed.emplace(imagePath, why);
        if (error)
            *error = why;
        return nullptr;
    }
    auto volume = std::make_shared<VolumeFileSystem>(imagePath, image->volume, m_nextDevice++);
    m_opened.insert(imagePath);
    m_recent.emplace_front(imagePath, volume);
    if (m_recent.size() > kKeptImages)
        m_recent.pop_back();
    return volume;
}

bool ImageAwareFileSystem::opensAsImage(const std::string& path, std::string& error)
{
    error.clear();
    auto facts = m_inner.stat(path);
    if (!facts || !facts->isRegular)
        return false;
    return volumeAt(path, &error, false) != nullptr;
}

std::shared_ptr<VolumeFileSystem> ImageAwareFileSystem::volumeHolding(const std::string& path)
{
    // The shortest prefix that is a file: the image; a prefix that does not exist ends the search.
    std::shared_ptr<VolumeFileSystem> volume;
    std::size_t slash = path.find(kPathSeparator, 1);
    for (;; slash = path.find(kPathSeparator, slash + 1)) {
        std::string prefix = path.substr(0, slash);
        auto facts = m_inner.stat(prefix);
        if (!facts)
            return nullptr;
        if (facts->isRegular) {
            volume = volumeAt(prefix);
            break;
        }
        if (slash == std::string::npos)
            return nullptr;
    }
    // Further down, a file of the image on the way is an image held in the image (a floppy on a CD).
    while (volume && slash != std::string::npos) {
        slash = path.find(kPathSeparator, slash + 1);
        std::string prefix = path.substr(0, slash);
        auto facts = volume->stat(prefix);
        if (!facts)
            break;
        if (facts->isRegular && slash != std::string::npos)
            volume = volumeAt(prefix, nullptr, true, volume.get());
    }
    return volume;
}

std::unique_ptr<DirectoryHandle> ImageAwareFileSystem::openDirectory(const std::string& path)
{
    if (auto dir = m_inner.openDirectory(path))
        return m_imagesInFolders ? std::make_unique<ImageFolder>(*this, std::move(dir), nullptr) : std::move(dir);
    auto volume = volumeHolding(path);
    auto dir = volume ? volume->openDirectory(path) : nullptr;
    if (dir && m_imagesInFolders)
        return std::make_unique<ImageFolder>(*this, std::move(dir), volume);
    return dir;
}

std::optional<FileFacts> ImageAwareFileSystem::stat(const std::string& path)
{
    if (auto facts = m_inner.stat(path)) {
        // An image file is a folder; any other file is left unopened.
        if (facts->isRegular && hasImageExtension(path))
            if (auto volume = volumeAt(path, nullptr, false))
                return volume->stat(path);
        return facts;
    }
    auto volume = volumeHolding(path);
    return volume ? volume->stat(path) : std::nullopt;
}

std::unique_ptr<ReadableFile> ImageAwareFileSystem::open(const std::string& path)
{
    if (auto file = m_inner.open(path))
        return file;
    auto volume = volumeHolding(path);
    return volume ? volume->open(path) : nullptr;
}

std::optional<std::pair<std::string, std::string>> ImageAwareFileSystem::splitImagePath(std::string_view path) const
{
    // The longest image path that is `path` or a folder above it.
    std::lock_guard lock(m_mutex);
    std::optional<std::pair<std::string, std::string>> best;
    for (const std::string& image : m_opened) {
        if (path.size() < image.size() || path.compare(0, image.size(), image) != 0)
            continue;
        if (path.size() > image.size() && path[image.size()] != kPathSeparator)
            continue;
        if (!best || image.size() > best->first.size())
            best = std::make_pair(image, std::string(path.substr(image.size())));
    }
    return best;
}

} // namespace quarex
